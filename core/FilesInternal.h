#pragma once
// The line splitters behind the file readers; used inside core/ and by the tests and fuzz targets only.
#include "core/Files.h"

namespace skf {

// Skips a leading EF BB BF and appends the buffer's lines.
void lf_splitBufferLines(std::string_view bytes, std::vector<std::string>& lines);

// Appends the lines of a UTF-16 stream. A byte-order mark decides the byte order and
// is skipped; without one, bigEndian decides (the order the detection found). An
// odd trailing byte is ignored. Invalid UTF-16 throws "wide_to_utf8: invalid UTF-16".
void lf_readUtf16Lines(std::istream& stream, std::vector<std::string>& lines, bool bigEndian = false);

} // namespace skf
