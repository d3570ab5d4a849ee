#pragma once
// Registration-code lists: the codes that tie one registration to one installed livery title, from the
// scanned liveries' atc_id ("in-line"), then AIG-regcodes.xml, then the user's input/my_regcodes/*.TXT,
// each later source overriding the earlier ones. Also the special liveries and the "don't use" titles.
// Reports: output/info/OfflineRegcodes.txt and output/errors/InlineRegcodes.txt.
//
// Runs on the start-up thread (the table build, LiveryTables.h) and, for the "don't use" readers, on the
// thread of the livery scan's preparation before any scan worker starts; no locks.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "core/settings/ProgramPaths.h"
#include "liveries/LiveryList.h"

namespace skf {

// One title of a list with its codes in file order; without codes a "don't use" title.
struct RegcodeRecord {
    std::string title;
    std::vector<std::string> codes;
    bool special = false;
    friend bool operator==(const RegcodeRecord&, const RegcodeRecord&) = default;
};

// Titles the livery scan must not use (refilled by each scan's preparation); in the scan's part of the
// liveries' owner (liveries/LiveryState.h).
extern std::vector<std::string>& g_dontUseTitles;
// The lines of OfflineRegcodes.txt, collected while merging; in the tables' part of that owner.
extern std::vector<std::string>& g_regcodeMessages;

// The in-line codes of the scanned liveries (list order) into g_regcodeTitles; the first livery keeps a
// code; clashes go to InlineRegcodes.txt.
void lf_buildInlineRegcodes(const LiveryList& list);

// Decrypts and reads AIG-regcodes, then the user's files, merges both and writes OfflineRegcodes.txt.
void lf_processRegcodeFiles();

// Appends the records of AIG-regcodes.xml; 1 on success, 0 on failure (after its log lines).
int lf_readAigRegcodes(std::vector<RegcodeRecord>& records, const std::filesystem::path& path = g_aigRegcodesXmlPath);
// The same over a loaded document (fileName names it in the summary line).
int lf_readAigRegcodesDocument(const pugi::xml_document& document, std::string_view fileName,
                               std::vector<RegcodeRecord>& records);

// Appends the records of every *.TXT file (any letter case) directly in the folder; false after an error.
bool lf_readRegcodeTxtFiles(const std::filesystem::path& folder, std::vector<RegcodeRecord>& records);
// One line of a user file: appends at most one record; false when a code had a wrong length (logged with
// the file's path).
bool lf_readRegcodeLine(std::string_view line, std::string_view pathText, std::vector<RegcodeRecord>& records);

// Merges one list into the registration-code tables (records of titles not scanned are ignored).
void lf_mergeRegcodes(const std::vector<RegcodeRecord>& records);

// The "don't use" titles of AIG-regcodes.xml (already decrypted) and of the user's files, appended to
// g_dontUseTitles (the caller empties it first).
void lf_readDontUseTitlesAig();
void lf_readDontUseTitlesUser();

} // namespace skf
