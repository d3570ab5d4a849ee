#pragma once
// The line splitters behind the file readers, and the full-disk stand-in of the replacements; used inside
// core/ and by the tests and fuzz targets only.
#include "core/Files.h"

#include <filesystem>

namespace skf {

// Skips a leading EF BB BF and appends the buffer's lines.
void lf_splitBufferLines(std::string_view bytes, std::vector<std::string>& lines);

// Appends the lines of a UTF-16 stream. A byte-order mark decides the byte order and
// is skipped; without one, bigEndian decides (the order the detection found). An
// odd trailing byte is ignored. Invalid UTF-16 throws "wide_to_utf8: invalid UTF-16".
void lf_readUtf16Lines(std::istream& stream, std::vector<std::string>& lines, bool bigEndian = false);

// Makes every replacement (ReplaceFile::commit, and so gf_replaceFile and gf_saveXml) of the file at `path`,
// or of any file directly in the folder at `path`, fail as on a full disk: "No space left on device", the
// target unchanged and no temporary file left. An empty path ends it. For the tests of what a full disk
// does to the settings: a test cannot fill a real disk, and a folder that cannot be written stops no
// writer that runs as root.
void lf_simulateFullDisk(const std::filesystem::path& path);

} // namespace skf
