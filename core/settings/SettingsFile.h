#pragma once
// parameters.xml, the settings file in the data folder, and the data-file header (MetaInfo).
//
// Layout: <root><parameters><parameter name="KEY" value="VALUE" />...</parameters></root>, the entries in
// the order of the six registries. Older files lack `root`; every reader accepts both forms.
//
// Every operation that writes parameters.xml (full load, full save, the store of one value) holds the one
// process-wide settings-file mutex from reading the file to replacing it, and replaces the file through a
// temporary file renamed over it: two threads that store at once never lose each other's value, and a
// failure never leaves a cut or missing file. Every save that worked also writes the same document as the
// last good copy, parameters.xml.bak. Stores never throw: a failure is logged.

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include <pugixml.hpp>

namespace skf {

// The one lock around every read-modify-write of parameters.xml.
std::mutex& gf_settingsFileMutex();

// Before the settings are read at a start: removes the temporary files of saves that an earlier run left
// (".parameters.xml.<pid>-<n>.tmp" and those of the two copies below, of any process but this one), and
// mends a damaged parameters.xml (cut, empty, not XML, without `parameters`): it is kept as parameters0.xml
// and replaced by the last good copy, parameters.xml.bak, which every successful save writes; without a
// good copy it is removed (the load then writes the defaults). When the copy or the replacement cannot be
// written (a full disk), the damaged file stays as it is and the run is held: it takes the last good copy's
// values (or the defaults) and saves no setting, so that nothing replaces the user's files with values that
// did not come from them, and the next start mends them. Each step is logged; never throws.
void gf_prepareParametersFile();

// Start-up load of all registries (gf_prepareParametersFile first). True when the file was missing, unreadable or
// without `parameters`, so that a new file with the default values was written (or, in a held run without a
// good copy, would have been).
bool gf_loadParameters();
// Writes a new parameters.xml from all registries: the defaults (writeDefaults) or the current values.
void gf_saveParameters(bool writeDefaults);
// Rewrites an old file without `root` from the values in memory.
void gf_wrapParametersInRoot();

// Writes text as a log line unless g_stopRun or g_shutDown is set.
void gf_logUnlessStopping(std::string_view text);

// The `parameters` element of a document or node: under its `root` child when it has one, else directly
// under it. An empty node when there is none.
pugi::xml_node gf_parametersNode(const pugi::xml_node& documentOrNode);

// The value of the first `parameter` whose `name` is exactly key; none when there is no `parameters`
// element or no such entry. A missing `value` attribute reads as false, 0 or empty text.
// Bool: true when the text begins with 1, t, T, y or Y. Int: signed decimal, no number reads as 0.
std::optional<bool> gf_readBoolParameter(const pugi::xml_node& documentOrNode, std::string_view key);
std::optional<std::int32_t> gf_readIntParameter(const pugi::xml_node& documentOrNode, std::string_view key);
std::optional<std::string> gf_readStringParameter(const pugi::xml_node& documentOrNode, std::string_view key);

// Appends <parameter name="key" value="..."/> under node; false when an append fails.
bool gf_appendBoolParameter(pugi::xml_node node, std::string_view key, bool value);
bool gf_appendIntParameter(pugi::xml_node node, std::string_view key, std::int32_t value);
bool gf_appendStringParameter(pugi::xml_node node, std::string_view key, std::string_view value);
// Appends one attribute with its value (also an empty one); false when the append fails.
bool gf_appendAttribute(pugi::xml_node node, std::string_view name, std::string_view value);

// Value texts as parameters.xml holds them.
std::string gf_boolText(bool value);
bool gf_parseBoolText(std::string_view text);
std::int32_t gf_parseIntText(std::string_view text);

// ---- Data-file header: root > meta > info (name, value)

struct MetaInfo {
    std::string author;
    std::string version;
    std::string date;
    std::string P3D;
    std::string MSFS;
    std::int32_t sim = -1;
};

// The maker's copyright line written into every data-file header.
inline constexpr std::string_view g_copyrightText = "Copyright (c) the makers of Skyfill. All rights reserved.";

// Appends a new `meta` under the document's `root` (created when missing) with the entries author
// ("Skyfill"), version, date (today), copyright and sim. True when all five were written.
bool gf_writeMetaInfo(pugi::xml_document& document, const MetaInfo& meta);
// Reads the header under the node's `root` (or the node itself). None when there is no `meta`, when the
// copyright is missing or empty ("no copyright info in the file?" is logged for an empty one), or when
// none of sim, P3D and MSFS is present unless simNotRequired.
std::optional<MetaInfo> gf_readMetaInfo(const pugi::xml_node& documentOrNode, bool simNotRequired);

} // namespace skf
