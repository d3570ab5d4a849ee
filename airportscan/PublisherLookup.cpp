#include "airportscan/PublisherLookup.h"

#include <system_error>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "airportscan/ScanLog.h"
#include "core/Files.h"
#include "core/Text.h"
#include "data/DbaseLookups.h"

namespace skf {

namespace fs = std::filesystem;

std::atomic<std::uint64_t> g_manifestReads{0};

namespace {

bool lf_isCommunity(const fs::path& element) {
    return gf_equalsNoCase(element.string(), "community");
}

// The folder of the package: the path up to two elements after its "Community" element (never beyond the
// path's own elements); empty when the path has no such element.
fs::path lf_communityPackageFolder(const fs::path& file) {
    std::vector<fs::path> elements(file.begin(), file.end());
    std::size_t community = elements.size();
    for (std::size_t i = 0; i < elements.size(); ++i) {
        if (lf_isCommunity(elements[i])) {
            community = i;
            break;
        }
    }
    if (community == elements.size())
        return {};
    const std::size_t last = std::min(community + 2, elements.size() - 1);
    fs::path folder;
    for (std::size_t i = 0; i <= last; ++i)
        folder /= elements[i];
    return folder;
}

std::optional<ManifestInfo> lf_tryFolder(const fs::path& folder, std::vector<std::string>& lines) {
    const fs::path manifest = lf_findManifestFile(folder);
    if (manifest.empty())
        return std::nullopt;
    lines.push_back(gf_pathToUtf8(manifest) + " found");
    return lf_readManifest(manifest);
}

std::optional<std::string> lf_publisherOf(const std::string& text) {
    return gf_findPublisherInPath(fs::path(text));
}

} // namespace

fs::path lf_findManifestFile(const fs::path& folder) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec))
        return {};
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& p = it->path();
        if (p.extension() == ".json" && p.stem() == "manifest" && it->is_regular_file(ec))
            return p;
    }
    return {};
}

std::optional<ManifestInfo> lf_readManifest(const fs::path& file) {
    ++g_manifestReads;
    std::vector<std::string> lines;
    if (!gf_readFileLines(file, lines, 64) || lines.empty())
        return std::nullopt;
    std::string text;
    for (const std::string& line : lines)
        text += line;
    return gf_parseManifest(text);
}

std::optional<ManifestInfo> gf_searchManifest(const fs::path& sceneryFile, std::vector<std::string>& lines) {
    try {
        const fs::path package = lf_communityPackageFolder(sceneryFile);
        std::error_code ec;
        if (!package.empty() && fs::exists(package, ec)) {
            if (auto manifest = lf_tryFolder(package, lines))
                return manifest;
        }
        for (fs::path folder = sceneryFile.parent_path(); !folder.empty(); folder = folder.parent_path()) {
            if (auto manifest = lf_tryFolder(folder, lines))
                return manifest;
            if (folder.parent_path() == folder)
                break; // the root of the drive is its own parent
        }
    } catch (const std::exception& e) {
        lines.push_back(fmt::format("exception in gf_searchManifest: {}", e.what()));
    }
    return std::nullopt;
}

std::optional<ManifestInfo> gf_searchManifest(const fs::path& sceneryFile) {
    std::vector<std::string> lines;
    auto manifest = gf_searchManifest(sceneryFile, lines);
    for (std::string& line : lines)
        lf_scanLog(std::move(line));
    return manifest;
}

PublisherLookup lf_lookupPublisher(const fs::path& sceneryFile) {
    PublisherLookup out;
    const std::string path = gf_pathToUtf8(sceneryFile);
    out.lines.push_back(fmt::format("\nTry to find publisher in: {}", path));
    if (gf_pathContainsNoCase(sceneryFile, "microsoft-airport") ||
        gf_pathContainsNoCase(sceneryFile, "asobo-airport")) {
        out.info.publisher = "simaddon";
        out.lines.push_back(fmt::format("from filename => publisher {}", out.info.publisher));
        return out;
    }
    if (auto publisher = gf_findPublisherInPath(sceneryFile)) {
        out.info.publisher = *publisher;
        out.lines.push_back(fmt::format("publisher '{}' found", out.info.publisher));
        return out;
    }
    const auto manifest = gf_searchManifest(sceneryFile, out.lines);
    if (!manifest) {
        out.lines.push_back("===> No publisher found");
        return out;
    }
    out.info.manufacturer = manifest->manufacturer;
    out.info.creator = manifest->creator;
    if (!manifest->manufacturer.empty()) {
        if (auto publisher = lf_publisherOf(manifest->manufacturer)) {
            out.info.publisher = *publisher;
            out.lines.push_back(fmt::format("from manifest.json: manufacturer '{}' => publisher '{}'",
                                            manifest->manufacturer, out.info.publisher));
            return out;
        }
    }
    if (!manifest->creator.empty()) {
        if (auto publisher = lf_publisherOf(manifest->creator)) {
            out.info.publisher = *publisher;
            out.lines.push_back(fmt::format("from manifest.json: creator '{}' => publisher '{}'", manifest->creator,
                                            out.info.publisher));
            return out;
        }
    }
    out.lines.push_back(
        fmt::format("no valid info found in manifest about publisher, manufacturer:'{}', creator:'{}' {}",
                    manifest->manufacturer, manifest->creator, path));
    return out;
}

} // namespace skf
