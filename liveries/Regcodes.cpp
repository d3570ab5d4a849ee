#include "liveries/Regcodes.h"

#include "core/Files.h"
#include "core/Log.h"
#include "core/StatusLine.h"
#include "core/Text.h"
#include "core/settings/SettingsFile.h"
#include "data/Crypto.h"
#include "liveries/LiveryTables.h"
#include "liveries/LiveryTablesInternal.h"
#include "sim/AircraftRecords.h"

#include <fmt/format.h>

#include <exception>

namespace skf {

namespace {

namespace fs = std::filesystem;

// A function, not a global: g_infoFolder of another file may not be built yet when globals are.
fs::path lf_offlineRegcodesPath() {
    return g_infoFolder / "OfflineRegcodes.txt";
}

// Every piece between the delimiters, trimmed; empty pieces are kept (they count as fields).
std::vector<std::string_view> lf_fields(std::string_view text, char delimiter) {
    std::vector<std::string_view> out;
    for (;;) {
        const std::size_t at = text.find(delimiter);
        out.push_back(gf_trimView(text.substr(0, at)));
        if (at == std::string_view::npos)
            return out;
        text.remove_prefix(at + 1);
    }
}

bool lf_validCodeLength(std::string_view code) {
    return code.size() >= 3 && code.size() <= 12;
}

const char* lf_liveryWord(std::size_t count) {
    return count == 1 ? "livery" : "liveries";
}

// A record without codes names a title not to use: its title is moved to the list. Returns how many.
std::size_t lf_addDontUseTitles(std::vector<RegcodeRecord>& records) {
    std::size_t added = 0;
    for (RegcodeRecord& record : records) {
        if (!record.codes.empty())
            continue;
        g_dontUseTitles.push_back(std::move(record.title));
        ++added;
    }
    return added;
}

} // namespace

int lf_readAigRegcodesDocument(const pugi::xml_document& document, std::string_view fileName,
                               std::vector<RegcodeRecord>& records) {
    if (!gf_readMetaInfo(document, false))
        return 0;
    const pugi::xml_node aig = document.child("root").child("aig");
    if (!aig) {
        gf_logError("No <aig> node found in XML.");
        return 0;
    }
    int result = 1;
    std::size_t count = 0;
    std::string previous;
    for (const pugi::xml_node& l : aig.children("l")) {
        const std::string_view title = l.attribute("t").value();
        if (title.empty())
            continue;
        if (count > 0 && title == previous) {
            gf_logError(fmt::format("Duplicate title '{}' (same as previous)", title));
            result = 0;
            continue;
        }
        previous = title;
        RegcodeRecord record{std::string(title), {}, l.attribute("s").as_bool(false)};
        for (const std::string_view code : lf_fields(l.attribute("r").value(), ','))
            if (!code.empty())
                record.codes.emplace_back(code);
        records.push_back(std::move(record));
        ++count;
    }
    gf_log(fmt::format("{:5} {} read from {}", count, lf_liveryWord(count), fileName));
    return result;
}

int lf_readAigRegcodes(std::vector<RegcodeRecord>& records, const fs::path& path) {
    pugi::xml_document document;
    if (!gf_loadXml(document, path)) {
        gf_logError(fmt::format("Failed to load {}", gf_pathToUtf8(path)));
        gf_removeIfExists(path);
        return 0;
    }
    return lf_readAigRegcodesDocument(document, gf_pathToUtf8(path.filename()), records);
}

bool lf_readRegcodeLine(std::string_view line, std::string_view pathText, std::vector<RegcodeRecord>& records) {
    if (line.size() < 6)
        return true;
    const std::vector<std::string_view> fields = lf_fields(line, ';');
    if (fields.size() > 3)
        return true;
    RegcodeRecord record{std::string(fields[0]), {}, false};
    if (fields.size() == 1) {
        if (!record.title.empty())
            records.push_back(std::move(record));
        return true;
    }
    bool ok = true;
    const std::vector<std::string_view> codes = lf_fields(fields[1], ',');
    if (codes.size() == 1) {
        if (!codes[0].empty() && !lf_validCodeLength(codes[0])) {
            gf_logError(fmt::format("wrong regcode length '{}' in {}", codes[0], pathText));
            return false;
        }
        if (!codes[0].empty()) { // a single code always makes a special, and so unique, livery
            record.codes.emplace_back(codes[0]);
            record.special = true;
        }
    } else {
        for (const std::string_view code : codes) {
            if (lf_validCodeLength(code)) {
                record.codes.emplace_back(code);
            } else {
                gf_logError(fmt::format("wrong regcode length '{}' in {}", code, pathText));
                ok = false;
            }
        }
        record.special = !record.codes.empty() && fields.size() == 3 && fields[2] == "#";
    }
    records.push_back(std::move(record));
    return ok;
}

bool lf_readRegcodeTxtFiles(const fs::path& folder, std::vector<RegcodeRecord>& records) {
    bool result = true;
    try {
        for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
            if (!entry.is_regular_file() || !gf_hasExtensionNoCase(".TXT", entry.path().extension().string()))
                continue;
            const std::string pathText = gf_pathToUtf8(entry.path());
            std::vector<std::string> lines;
            (void)gf_readFileLines(entry.path(), lines, 256); // an unreadable file gives no lines
            const std::size_t before = records.size();
            for (const std::string& line : lines)
                result = lf_readRegcodeLine(line, pathText, records) && result;
            const std::size_t count = records.size() - before;
            gf_log(fmt::format("{:5} {} read from {}", count, lf_liveryWord(count), pathText));
        }
    } catch (const std::exception& e) {
        gf_logError(fmt::format("Error reading regcode files in {}, what: {}", gf_pathToUtf8(folder), e.what()));
        result = false;
    }
    return result;
}

void lf_buildInlineRegcodes(const LiveryList& list) {
    std::vector<std::string> lines;
    for (const LiveryData& livery : list) {
        if (livery.regcode.empty())
            continue;
        const std::string_view title = lf_storedTitle(livery.title);
        if (title.data() == nullptr) {
            lines.push_back(fmt::format("==> [{}] {} '{}' not available, system error, should not happen?",
                                        gf_airlineTypeLabel(livery.airline, livery.model), livery.regcode,
                                        livery.title));
            continue;
        }
        const auto [at, inserted] = g_regcodeTitles.try_emplace(livery.regcode, title);
        if (!inserted && at->second != title)
            lines.push_back(fmt::format("{} '{}' => already in use by '{}'", livery.regcode, livery.title, at->second));
    }
    if (lines.empty())
        return;
    std::error_code ec;
    fs::create_directories(g_inlineRegcodesReportPath.parent_path(), ec);
    if (!gf_writeLines(lines, g_inlineRegcodesReportPath))
        gf_logError(fmt::format("Failed to write {}", gf_pathToUtf8(g_inlineRegcodesReportPath)));
    gf_log(
        fmt::format("{:5} in-line regcode clashes, see '{}'", lines.size(), gf_pathToUtf8(g_inlineRegcodesReportPath)));
}

void lf_mergeRegcodes(const std::vector<RegcodeRecord>& records) {
    std::int64_t added = 0;
    std::int64_t replaced = 0;
    std::int64_t special = 0;
    for (const RegcodeRecord& record : records) {
        const std::string_view title = lf_storedTitle(record.title);
        if (title.data() == nullptr)
            continue; // a code of a livery that is not installed
        for (const std::string& code : record.codes) {
            const auto found = g_regcodeTitles.find(code);
            if (found == g_regcodeTitles.end()) {
                g_regcodeTitles.emplace(code, title);
                ++added;
            } else if (found->second != title) {
                g_regcodeMessages.push_back(
                    fmt::format("   regcode {} for '{}', instead of the same for '{}'", code, title, found->second));
                found->second = title;
                ++replaced;
            }
            if (record.special) {
                g_specialRegcodes.insert(code);
                if (record.codes.size() == 1)
                    g_uniqueRegcodes.insert(code);
            }
        }
        if (record.special) {
            g_specialLiveryTitles.push_back(title);
            g_specialLiveryTitleSet.insert(title);
            ++special;
        }
    }
    std::string line = fmt::format("{} new regcode{} added", added, gf_plural(added));
    if (replaced > 0)
        line += fmt::format(", {} regcode{} replaced", replaced, gf_plural(replaced));
    if (special > 0)
        line += fmt::format(", {} regcode{} defined as special", special, gf_plural(special));
    g_regcodeMessages.push_back(std::move(line));
}

void lf_processRegcodeFiles() {
    g_regcodeMessages.clear();
    try {
        if (!gf_streamDecrypt(g_aigRegcodesEncPath, g_aigRegcodesXmlPath))
            return;
        {
            g_regcodeMessages.push_back(fmt::format("Processing file {}", gf_pathToUtf8(g_aigRegcodesXmlPath)));
            std::vector<RegcodeRecord> records;
            records.reserve(7000);
            if (lf_readAigRegcodes(records) == 0)
                g_regcodeMessages.push_back(
                    fmt::format("There were errors processing the AIG-regcode file '{}', see Log.txt",
                                gf_pathToUtf8(g_aigRegcodesXmlPath)));
            lf_mergeRegcodes(records);
        }
        gf_removeIfExists(g_aigRegcodesXmlPath);

        if (gf_countDirectoryEntries(g_myRegcodesFolder) > 0) {
            g_regcodeMessages.push_back(fmt::format("Processing files in {}", gf_pathToUtf8(g_myRegcodesFolder)));
            std::vector<RegcodeRecord> records;
            records.reserve(1000);
            if (!lf_readRegcodeTxtFiles(g_myRegcodesFolder, records))
                gf_setStatus(fmt::format("There were errors processing the regcode files in folder '{}', see Log.txt",
                                         gf_pathToUtf8(g_myRegcodesFolder)),
                             true);
            lf_mergeRegcodes(records);
        }

        gf_removeIfExists(lf_offlineRegcodesPath());
        if (!g_regcodeMessages.empty()) {
            if (!gf_writeLines(g_regcodeMessages, lf_offlineRegcodesPath()))
                gf_logError(fmt::format("Failed to write {}", gf_pathToUtf8(lf_offlineRegcodesPath())));
            if (!g_specialLiveryTitles.empty())
                gf_log(fmt::format("{:5} special liveries", g_specialLiveryTitles.size()));
            if (!g_uniqueRegcodes.empty())
                gf_log(fmt::format("{:5} unique liveries", g_uniqueRegcodes.size()));
        }
    } catch (const std::exception& e) {
        gf_logError(fmt::format("exception: {}", e.what()));
        gf_removeIfExists(g_aigRegcodesXmlPath); // the plain list never stays behind
    }
}

void lf_readDontUseTitlesAig() {
    std::vector<RegcodeRecord> records;
    records.reserve(7000);
    (void)lf_readAigRegcodes(records);
    const std::size_t added = lf_addDontUseTitles(records);
    gf_log(fmt::format("{:5} don't use title{} read", added, gf_plural(std::uint64_t{added})));
}

void lf_readDontUseTitlesUser() {
    std::vector<RegcodeRecord> records;
    records.reserve(1000);
    (void)lf_readRegcodeTxtFiles(g_myRegcodesFolder, records);
    const std::size_t added = lf_addDontUseTitles(records);
    gf_log(fmt::format("{:5} don't use title{} read from files in {}", added, gf_plural(std::uint64_t{added}),
                       gf_pathToUtf8(g_myRegcodesFolder)));
}

} // namespace skf
