#pragma once
// The text helpers behind core/Text.cpp and core/Files.cpp; used inside core/ and by its tests only.
#include "core/Text.h"

namespace skf {

// A text in the user's ANSI code page as UTF-8; never fails.
std::string lf_toUtf8(std::string_view ansiText);

// The text view without trailing trim characters.
std::string_view lf_trimView(std::string_view text) noexcept;

// The text view without leading and trailing trim characters.
std::string_view lf_trimPiece(std::string_view text) noexcept;

} // namespace skf
