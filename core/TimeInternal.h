#pragma once
// The parsers behind core/Time.cpp; used inside core/ only.
#include "core/Time.h"

namespace skf {

// One piece, trimmed of white space and read as a decimal 0..47; logs and gives
// nothing otherwise.
std::optional<std::int32_t> lf_parseHalfHour(std::string_view piece, std::string_view wholeText);

} // namespace skf
