#include "airportscan/ThirdpartyArchive.h"

#include <fstream>
#include <list>
#include <system_error>

#include <fmt/format.h>

#include "airportscan/AirportScanServices.h"
#include "core/ControlFields.h"
#include "core/Files.h"
#include "core/Log.h"
#include "core/Text.h"
#include "core/WindowFields.h"
#include "core/settings/Catalogue.h"
#include "core/settings/ProgramPaths.h"
#include "core/settings/SettingsFile.h"
#include "data/Airports.h"
#include "data/ZipWriter.h"
#include "data/apf/ApfLocate.h"

namespace skf {

namespace fs = std::filesystem;

namespace {

bool lf_qualifies(const std::optional<std::string>& name) {
    return name && name->size() >= 4 && !lf_creatorIsExcluded(*name);
}

bool lf_closeZip(ZipWriter& zip, const fs::path& archive, int added) {
    const bool closed = zip.close();
    std::error_code ec;
    const bool exists = fs::is_regular_file(archive, ec);
    const std::uintmax_t size = exists ? fs::file_size(archive, ec) : 0;
    gf_logFlushed(fmt::format("[zip] Added {} files, ok_close={}, exists={}, size={} bytes", added, closed, exists,
                              ec ? 0 : size));
    return added >= 1 && exists && !ec && size != 0;
}

// Copies F into the TBLO folder; drops F when its link file stands beside it (the link serves the stands).
void lf_archiveCopy(const FixedCode<4>& code, const fs::path& file) {
    const fs::path target = g_tbloFolder / file.filename();
    std::error_code ec;
    fs::copy_file(file, target, fs::copy_options::overwrite_existing, ec);
    if (ec) {
        gf_logError(
            fmt::format("'{}' failed to copy '{}': {}", gf_pathToUtf8(file), gf_pathToUtf8(target), ec.message()));
        return;
    }
    gf_logFlushed(fmt::format("{} copied to {}", code.view(), gf_pathToUtf8(target)));
    const fs::path link = g_myThirdpartyFolder / gf_apfTxtName(code);
    // No link file is no failure: only a status that cannot be read is.
    const fs::file_status status = fs::status(link, ec);
    if (ec && status.type() != fs::file_type::not_found) {
        gf_logError(fmt::format("exists({}) failed: {}", gf_pathToUtf8(link), ec.message()));
        return;
    }
    const bool hasLink = fs::is_regular_file(status); // a folder in its place is no link
    if (hasLink && !fs::remove(file, ec) && ec)
        gf_logError(fmt::format("remove({}) failed: {}", gf_pathToUtf8(file), ec.message()));
}

} // namespace

bool lf_creatorIsExcluded(std::string_view text) {
    return text == kExcludedCreator;
}

std::vector<FixedCode<4>> lf_listThirdpartyXmlCodes() {
    std::vector<FixedCode<4>> codes;
    codes.reserve(512);
    if (!gf_pathExists(g_myThirdpartyFolder))
        return codes;
    for (const fs::directory_entry& entry : fs::directory_iterator(g_myThirdpartyFolder)) {
        const fs::path& p = entry.path();
        if (!entry.is_regular_file() || !gf_hasExtensionNoCase(".XML", p.extension().string()))
            continue;
        const std::string stem = p.stem().string();
        if (stem.size() == 4)
            codes.emplace_back(stem);
    }
    return codes;
}

bool gf_isRecognisedApf(const fs::path& path) {
    pugi::xml_document doc;
    if (!gf_loadXml(doc, path)) {
        gf_logError(fmt::format("'{}' not found", gf_pathToUtf8(path)));
        return false;
    }
    const auto publisher = gf_readStringParameter(doc, "publisher");
    if (publisher && !publisher->empty())
        return true;
    return lf_qualifies(gf_readStringParameter(doc, "manufacturer")) ||
           lf_qualifies(gf_readStringParameter(doc, "creator"));
}

std::optional<std::vector<char>> lf_readFileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return std::nullopt;
    const std::streamoff size = in.tellg();
    if (size < 0)
        return std::nullopt;
    std::vector<char> bytes(static_cast<std::size_t>(size));
    in.seekg(0);
    if (!in.read(bytes.data(), size))
        return std::nullopt;
    return bytes;
}

bool gf_zipFolder(const fs::path& archive) {
    const fs::path folder = g_tbloFolder;
    std::error_code ec;
    const bool isFolder = fs::is_directory(folder, ec);
    if (ec && ec != std::errc::no_such_file_or_directory)
        throw fs::filesystem_error("status", folder, ec);
    if (!isFolder) {
        gf_logFlushed(fmt::format("[zip] Not a directory: {}", gf_pathToUtf8(folder)));
        return false;
    }
    if (archive.has_parent_path())
        fs::create_directories(archive.parent_path(), ec);
    gf_logFlushed(fmt::format("[zip] Target file: {}", gf_pathToUtf8(fs::absolute(archive))));
    gf_logFlushed(fmt::format("[zip] Source dir : {}", gf_pathToUtf8(fs::absolute(folder))));
    if (fs::exists(archive, ec)) {
        gf_logFlushed(fmt::format("[zip] Removing old zip {}", gf_pathToUtf8(archive)));
        if (!fs::remove(archive, ec) || ec) {
            gf_logFlushed(fmt::format("[zip] Could not remove {}: {}", gf_pathToUtf8(archive), ec.message()));
            return false;
        }
    }
    ZipWriter zip;
    if (!zip.open(archive)) {
        gf_logFlushed("[zip] Could not open archive for writing");
        return false;
    }
    std::list<std::vector<char>> buffers; // read by the library only when it writes the archive
    int added = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        if (!entry.is_regular_file() || entry.path() == archive)
            continue;
        auto bytes = lf_readFileBytes(entry.path());
        if (!bytes) {
            gf_logFlushed(fmt::format("[zip] READ FAIL: {}", gf_pathToUtf8(entry.path())));
            continue;
        }
        const std::string name = gf_pathToUtf8(entry.path().filename());
        gf_logFlushed(
            fmt::format("[zip] Adding (data) {} -> {} ({} bytes)", gf_pathToUtf8(entry.path()), name, bytes->size()));
        const std::vector<char>& kept = buffers.emplace_back(std::move(*bytes));
        if (!zip.addData(name, kept)) {
            gf_logFlushed(fmt::format("[zip] ERROR addData({})", name));
            break;
        }
        ++added;
    }
    return lf_closeZip(zip, archive, added);
}

void lf_checkThirdpartyAirports(const std::vector<FixedCode<4>>& codes) {
    for (const FixedCode<4>& code : codes) {
        const fs::path file = g_myThirdpartyFolder / gf_apfXmlName(code);
        if (code.view() == "KMCI") {
            pugi::xml_document doc;
            if (gf_loadXml(doc, file) &&
                gf_readStringParameter(doc, "publisher") == std::optional<std::string>("TropicalSim")) {
                fs::remove(file); // raises the file-system error "remove"
                continue;
            }
        }
        if (gf_isKnownAirport(code) && gf_isRecognisedApf(file))
            lf_archiveCopy(code, file);
    }
    const std::size_t entries = gf_countDirectoryEntries(g_tbloFolder);
    if (entries == 0) {
        g_unrecognisedAirports = 0;
        g_mainWindow.unrecognisedAirportCount = 0;
        gf_logFlushed("All your third party airports are recognised, no off line learning needed.");
        return;
    }
    const fs::path archive = g_tbloFolder / g_tbloZipName;
    const bool zipped = gf_zipFolder(archive);
    if (zipped) {
        gf_removeXMLFilesFromDirectory(g_tbloFolder);
        gf_setControlField(ControlField::TbloArchive, true);
    } else {
        // The copies stay: without an archive they are what the user can send.
        gf_logError("Zippen TBLO folder failed");
    }
    g_unrecognisedAirports = static_cast<std::uint32_t>(entries);
    g_mainWindow.unrecognisedAirportCount = entries;
    const fs::path mailed = zipped ? archive : fs::path(g_tbloFolder);
    gf_logFlushed(fmt::format("\n! Mail {} to {}\n", gf_pathToUtf8(mailed), kMakerMailAddress));
    gf_markChanged(BAND_ALL);
}

} // namespace skf
