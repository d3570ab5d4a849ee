#pragma once
// The package manifest of a scenery file and the publisher of the scenery.
//
// Called by the airport scan's workers (several at once, one scenery file each) through the linking of
// scanned airports. Reads only manifest files and the database's publishers table (which does not change
// during a scan); its steps go to the airport scan log. Never writes a file.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

namespace skf {

// The three members of a package's manifest.json that the scan uses (empty when missing or empty).
struct ManifestInfo {
    std::string manufacturer;
    std::string creator;
    std::string title;
    friend bool operator==(const ManifestInfo&, const ManifestInfo&) = default;
};

struct PublisherInfo {
    std::string publisher; // a publishers-table name, "simaddon", or empty when none was found
    std::string manufacturer;
    std::string creator;
    std::string title; // never filled by the lookup
    friend bool operator==(const PublisherInfo&, const PublisherInfo&) = default;
};

// A publisher lookup with the scan-log lines it wrote (in order).
struct PublisherLookup {
    PublisherInfo info;
    std::vector<std::string> lines;
};

// Manifest files read since the start of the program (the benchmark counts them).
extern std::atomic<std::uint64_t> g_manifestReads;

// The member's text: empty when the member is missing, null, an empty object or an empty array; a member of
// another type than a string raises the JSON library's type error.
std::string lf_jsonStringOrEmpty(const nlohmann::json& object, const char* name);

// Parses manifest text: absent when it is no JSON object; a syntax or type error raises the JSON library's
// exception. The bytes-in part of the manifest reader (the fuzz target calls it).
std::optional<ManifestInfo> gf_parseManifest(std::string_view text);

// "manifest.json" directly inside the folder (case-sensitive), or an empty path.
std::filesystem::path lf_findManifestFile(const std::filesystem::path& folder);

// Reads a manifest file (its lines joined without separators): absent when it cannot be read, has no line
// or is no JSON object; JSON errors are raised.
std::optional<ManifestInfo> lf_readManifest(const std::filesystem::path& file);

// The manifest of the package that holds the scenery file: first the folder two levels below a
// "Community" element of the path, then every folder from the file's own folder up to the root. Its
// lines go to `lines`; any error gives the line "exception in gf_searchManifest: {}" and absent.
std::optional<ManifestInfo> gf_searchManifest(const std::filesystem::path& sceneryFile,
                                              std::vector<std::string>& lines);
// The same, its lines appended to the scan log.
std::optional<ManifestInfo> gf_searchManifest(const std::filesystem::path& sceneryFile);

// The publisher of a scenery file: "simaddon" for the simulator's own add-on airports, else a name of the
// publishers table found in the path, else one found for the manifest's manufacturer or creator.
PublisherLookup lf_lookupPublisher(const std::filesystem::path& sceneryFile);

} // namespace skf
