#pragma once
// File helpers shared by every part of the program: charset detection, reading text
// files into UTF-8 lines, safe replacement of files, XML saving, folder helpers,
// generations of a file and the per-user data folders. All are free functions
// without state; none takes a lock (beyond the log's own).
//
// Every file that replaces an existing one is written to a temporary file in the
// same folder and renamed over the target (ReplaceFile, gf_replaceFile), so a
// failure never leaves a cut file behind.

#include "platform/system/KnownFolders.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <list>
#include <optional>
#include <pugixml.hpp>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace skf {

// ---- Charset ----------------------------------------------------------------------

enum class Charset : std::int32_t {
    ANSI = 0,               // the user's ANSI code page
    Unicode = 1,            // UTF-16 little-endian
    Unicode_big_endian = 2, // UTF-16 big-endian
    UTF8_with_BOM = 3,
    UTF8_without_BOM = 4, // also plain ASCII
    none_found = 5,       // the file could not be opened
};

// "ANSI", "Unicode", ... (the enumerator's name); "???" for other values.
std::string_view gf_charsetName(Charset charset) noexcept;

// The encoding of a text file from its first bytes: byte-order marks, zero bytes in
// the first four bytes (UTF-16 without a mark), else a strict UTF-8 test of the
// first 4096 bytes (a sequence that straddles byte 4096 is checked in full; only one
// cut by the real end of the file counts against UTF-8). none_found when the file
// cannot be opened.
Charset gf_detectCharset(const std::filesystem::path& path);

// ---- Reading lines ----------------------------------------------------------------
// A line is the text between two LFs; one CR at its end is dropped; the LF after the
// last line does not start an empty line; empty lines in between are kept.

// Fills lines (cleared first) with the file's lines as UTF-8. False when the file
// cannot be opened, or when reading or converting fails; a failure is reported as
// "Read failed for '{}': {}" on the status line and in the log.
bool gf_readTextFileLines(Charset charset, const std::filesystem::path& path, std::vector<std::string>& lines);

// The detection and the reading above in one read of the file: the charset that gf_detectCharset finds
// and the lines that gf_readTextFileLines gives with it (lines cleared first). The charset is none_found
// when the file cannot be opened or is a folder; missing then tells that it does not exist. read is false
// when reading or converting failed (reported as gf_readTextFileLines reports it).
struct DetectedTextFile {
    Charset charset = Charset::none_found;
    bool missing = false;
    bool read = false;
};
DetectedTextFile gf_readDetectedTextFile(const std::filesystem::path& path, std::vector<std::string>& lines);

// A file path with its own list of lines.
struct LineFile {
    std::filesystem::path path;
    std::vector<std::string> lines;
};

// The lines of a LineFile after gf_readFileLines, or the error "open_failed".
struct FileLinesView {
    std::span<const std::string> lines;
    std::string_view error; // empty on success
    explicit operator bool() const noexcept { return error.empty(); }
};

// Refills file.lines from file.path (reserving the expected count); "open_failed"
// and no lines when the file cannot be opened or read.
FileLinesView gf_readFileLines(LineFile& file, std::size_t expectedLines);
// The same into a caller's vector: true when the file was read.
bool gf_readFileLines(const std::filesystem::path& path, std::vector<std::string>& lines, std::size_t reserveLines);

// Appends the lines of an open stream (from its start) with a leading UTF-8 mark
// skipped; one read into one buffer. False when the stream failed.
bool gf_readWholeFileLines(std::istream& stream, std::vector<std::string>& lines);

// The value of a node's attribute, or an empty text.
std::string gf_attributeString(const pugi::xml_node& node, const char* name);

// ---- Replacing files --------------------------------------------------------------

// How a replacement reaches the disk: Durable syncs the new contents before the rename
// (every file that holds the only copy of its data); Lazy leaves that to the system (a
// second copy of a file that was just written durably, such as the settings' last good
// copy), which saves a wait for the disk.
enum class FileSync { Durable, Lazy };

// A temporary file beside a target, renamed over it by commit(); removed again when
// not committed. Use it directly for writers that need a path (libraries that write
// files themselves, downloads); gf_replaceFile for stream writers.
class ReplaceFile {
public:
    explicit ReplaceFile(std::filesystem::path target, FileSync sync = FileSync::Durable);
    ~ReplaceFile();
    ReplaceFile(const ReplaceFile&) = delete;
    ReplaceFile& operator=(const ReplaceFile&) = delete;

    const std::filesystem::path& tempPath() const noexcept { return m_temp; }
    const std::filesystem::path& target() const noexcept { return m_target; }

    // Syncs the temporary file to disk (Durable) and renames it over the target. False (and
    // the temporary file removed) when that fails; the target is then unchanged.
    bool commit();
    // The system's error of a failed commit.
    std::error_code error() const noexcept { return m_error; }

private:
    std::filesystem::path m_target;
    std::filesystem::path m_temp;
    bool m_done = false;
    FileSync m_sync = FileSync::Durable;
    std::error_code m_error;
};

// Writes a file through a temporary file: write() fills the stream; the target is
// replaced only when the stream is still good after writing, flushing and closing.
// False when the file cannot be created, a write failed or the rename failed; the
// old file then stays as it was. An exception from write() leaves the target
// unchanged and propagates.
bool gf_replaceFile(const std::filesystem::path& target, const std::function<void(std::ostream&)>& write);
// The same, with the system's reason of a failure in `error` (cleared on success).
bool gf_replaceFile(const std::filesystem::path& target, const std::function<void(std::ostream&)>& write,
                    std::error_code& error, FileSync sync = FileSync::Durable);

// Writes the text (and one "\n" when asked), binary, replacing the file.
bool gf_writeTextFile(std::string_view text, const std::filesystem::path& path, bool addLineFeed);
// Writes every line followed by "\n", replacing the file.
bool gf_writeLines(const std::vector<std::string>& lines, const std::filesystem::path& path);
bool gf_writeLines(const std::list<std::string>& lines, const std::filesystem::path& path);

// Saves an XML document with the declaration version "1.0", encoding "UTF-8",
// indented by two blanks, replacing the file. The XML library's success flag.
bool gf_saveXml(pugi::xml_document& document, const std::filesystem::path& path);
// The same, with the system's reason of a failure in `error` (cleared on success).
bool gf_saveXml(pugi::xml_document& document, const std::filesystem::path& path, std::error_code& error,
                FileSync sync = FileSync::Durable);

// Loads an XML document with the default parse options. Only a regular file is loaded: a folder or
// device in its place is "file not found" (the library would take a folder's size as its length).
pugi::xml_parse_result gf_loadXml(pugi::xml_document& document, const std::filesystem::path& path);

// ---- Generations ------------------------------------------------------------------

// Copies X00 -> X000, X0 -> X00, X -> X0 (names built by inserting the digits before
// the last dot of the file name; a name without a dot is an error line and false);
// missing sources are skipped. True when every copy that
// was attempted succeeded; failures are error lines in the log.
bool gf_saveUpto3GenerationsOf(const std::filesystem::path& path);
// Copies X -> X0.
bool gf_save1GenerationOf(const std::filesystem::path& path);

// ---- Folders ----------------------------------------------------------------------

// Whether the path exists. An error other than "not found" (no permission to look, for example)
// throws std::filesystem::filesystem_error("exists", path, error).
bool gf_pathExists(const std::filesystem::path& path);

// Removes every regular file directly in the folder (subfolders untouched); failures
// are log lines.
void gf_removeFilesFromDirectory(const std::filesystem::path& folder);
// The same for files whose extension is ".xml" in any letter case.
void gf_removeXMLFilesFromDirectory(const std::filesystem::path& folder);
// Entries directly in the folder; 0 when the path does not exist. Errors of the
// iteration (for example a file path) throw std::filesystem::filesystem_error.
std::size_t gf_countDirectoryEntries(const std::filesystem::path& folder);

// The user's roaming application data folder ($XDG_CONFIG_HOME, ~/.config); on
// failure logs "Could not find the AppData path" and gives an empty path.
std::filesystem::path gf_roamingAppDataPath();
// The user's local application data folder ($XDG_DATA_HOME, ~/.local/share); on
// failure logs "Could not find the Local AppData path" and gives an empty path.
std::filesystem::path gf_localAppDataPath();

// Opens the folder that holds the path through the desktop. False when the path
// does not exist, has no parent folder or the desktop opener cannot be started.
bool gf_openContainingFolder(const std::filesystem::path& path);

} // namespace skf
