// parameters.xml: full load, full save, the store of one value, the repair of files without `root`, and
// the data-file header.

#include "core/settings/SettingsFile.h"

#include <unistd.h>

#include <atomic>
#include <cctype>
#include <charconv>
#include <algorithm>
#include <exception>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>

#include <fmt/format.h>

#include "core/Codes.h"
#include "core/Files.h"
#include "core/Log.h"
#include "core/ProgramState.h"
#include "core/StatusLine.h"
#include "core/Text.h"
#include "core/Time.h"
#include "core/settings/Catalogue.h"
#include "core/settings/ProgramPaths.h"

namespace skf {

namespace {

constexpr const char* kRoot = "root";
constexpr const char* kParameters = "parameters";
constexpr const char* kParameter = "parameter";
constexpr const char* kName = "name";
constexpr const char* kValue = "value";

bool lf_stopping() {
    return g_stopRun.load() || g_shutDown.load();
}

std::string lf_pathText(const std::filesystem::path& p) {
    return p.string();
}

// The first `parameter` under the parameters element whose name is exactly key.
pugi::xml_node lf_findEntry(const pugi::xml_node& documentOrNode, std::string_view key) {
    const pugi::xml_node parameters = gf_parametersNode(documentOrNode);
    if (!parameters)
        return {};
    for (pugi::xml_node entry : parameters.children(kParameter)) {
        if (std::string_view(entry.attribute(kName).as_string()) == key)
            return entry;
    }
    return {};
}

bool lf_appendEntry(pugi::xml_node node, std::string_view key, std::string_view valueText) {
    pugi::xml_node entry = node.append_child(kParameter);
    if (!entry)
        return false;
    return gf_appendAttribute(entry, kName, key) && gf_appendAttribute(entry, kValue, valueText);
}

// Sets the attribute's value, appending the attribute first when the node lacks it.
bool lf_setOrAppendAttribute(pugi::xml_node node, const char* name, std::string_view value) {
    pugi::xml_attribute attr = node.attribute(name);
    if (!attr)
        return gf_appendAttribute(node, name, value);
    return attr.set_value(std::string(value).c_str());
}

namespace fs = std::filesystem;

// The last good copy of the settings, written beside the file by every save that worked.
fs::path lf_lastGoodPath() {
    fs::path path = g_parametersPath;
    return path.replace_filename(g_parametersPath.filename().string() + ".bak");
}

// Where a damaged settings file is kept: parameters0.xml.
fs::path lf_damagedCopyPath() {
    fs::path path = g_parametersPath;
    return path.replace_filename(g_parametersPath.stem().string() + "0" + g_parametersPath.extension().string());
}

// The process id in the name of a replacement's temporary file of target (".<target>.<pid>-<n>.tmp").
std::optional<long> lf_temporaryFileOwner(std::string_view name, std::string_view target) {
    const std::string prefix = fmt::format(".{}.", target);
    constexpr std::string_view kSuffix = ".tmp";
    if (name.size() <= prefix.size() + kSuffix.size() || !name.starts_with(prefix) || !name.ends_with(kSuffix))
        return std::nullopt;
    const std::string_view middle = name.substr(prefix.size(), name.size() - prefix.size() - kSuffix.size());
    const std::size_t dash = middle.find('-');
    if (dash == std::string_view::npos || dash == 0 || dash + 1 == middle.size())
        return std::nullopt;
    const auto digits = [](std::string_view text) {
        return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (!digits(middle.substr(0, dash)) || !digits(middle.substr(dash + 1)))
        return std::nullopt;
    long pid = 0;
    const auto [end, error] = std::from_chars(middle.data(), middle.data() + dash, pid);
    if (error != std::errc() || end != middle.data() + dash)
        return std::nullopt;
    return pid;
}

// Temporary files of the settings' replacements that an earlier run left when it was ended in the middle of
// a save. One instance runs at a time: every such file of another process is a leftover.
void lf_removeLeftoversLocked() {
    const fs::path folder = g_parametersPath.parent_path();
    const std::string targets[] = {g_parametersPath.filename().string(), lf_lastGoodPath().filename().string(),
                                   lf_damagedCopyPath().filename().string()};
    const long self = static_cast<long>(::getpid());
    std::error_code ec;
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        for (const std::string& target : targets) {
            const std::optional<long> owner = lf_temporaryFileOwner(name, target);
            if (!owner || *owner == self)
                continue;
            std::error_code removeError;
            if (fs::remove(it->path(), removeError))
                gf_log(fmt::format("Removed {}, left by an earlier run", lf_pathText(it->path())));
            else if (removeError)
                gf_logError(fmt::format("remove {} failed: {}", lf_pathText(it->path()), removeError.message()));
            break;
        }
    }
}

// Why a settings document cannot be used; empty when it can.
std::string lf_unusableReason(const pugi::xml_document& document, const pugi::xml_parse_result& loaded) {
    if (!loaded)
        return loaded.description();
    if (!gf_parametersNode(document))
        return "no parameters element";
    return {};
}

// A damaged parameters.xml that a start could not set right (its copy parameters0.xml, or the last good copy
// in its place, could not be written: a full disk). The file stays as it is, and this run saves no setting:
// a save would put values that did not come from the user's files in place of the damaged file, and the
// save after it over the last good copy; so the next start finds both as they were and sets them right.
// Under the settings-file mutex; set (or cleared) by every gf_prepareParametersFile.
struct HeldSettings {
    fs::path file;   // the damaged parameters.xml; empty when nothing is held
    fs::path source; // where this run's values come from: the last good copy, or empty for the defaults
    bool told = false;
};
HeldSettings s_held;

bool lf_heldLocked() {
    return !s_held.file.empty() && s_held.file == g_parametersPath;
}

// A save withheld: said once in the log.
void lf_noteHeldSaveLocked() {
    if (s_held.told)
        return;
    s_held.told = true;
    gf_logError(fmt::format("Settings not saved in this run: {} is damaged and is set right at the next start",
                            lf_pathText(s_held.file)));
}

// parameters.xml is there but cannot be used (cut, empty, not XML, without `parameters`): it is kept as
// parameters0.xml, and the last good copy takes its place when there is one; else it is removed, and the
// load that follows writes the defaults. The damaged file is never removed or replaced before its copy is
// saved, nor removed while a good copy waits to take its place: it then stays as it is, and the run is held
// (see above).
// Missing or not a regular file: nothing to do.
void lf_recoverDamagedLocked() {
    s_held = {};
    std::error_code ec;
    if (!fs::is_regular_file(g_parametersPath, ec))
        return;
    pugi::xml_document document;
    const std::string reason = lf_unusableReason(document, gf_loadXml(document, g_parametersPath));
    if (reason.empty())
        return;
    const std::string path = lf_pathText(g_parametersPath);
    const fs::path kept = lf_damagedCopyPath();
    std::string damaged;
    {
        std::ifstream in(g_parametersPath, std::ios::binary);
        damaged.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::error_code copyError;
    const bool copied = gf_replaceFile(
        kept, [&](std::ostream& out) { out.write(damaged.data(), static_cast<std::streamsize>(damaged.size())); },
        copyError);
    const fs::path lastGood = lf_lastGoodPath();
    pugi::xml_document good;
    const bool haveGood = lf_unusableReason(good, gf_loadXml(good, lastGood)).empty();
    const std::string failed = fmt::format("{} failed to load ({}). ", path, reason);
    if (!copied) {
        s_held = {g_parametersPath, haveGood ? lastGood : fs::path(), false};
        gf_logError(fmt::format("{}Saving it as {} failed ({}): it stays as it is; this run takes {} and saves no "
                                "setting, so that the next start sets it right.",
                                failed, lf_pathText(kept), copyError.message(),
                                haveGood ? "the values of the last good copy " + lf_pathText(lastGood)
                                         : std::string("the default values")));
        return;
    }
    if (!haveGood) {
        fs::remove(g_parametersPath, ec);
        gf_logError(fmt::format("{}Saved as {} and removed; no good copy: default values.", failed, lf_pathText(kept)));
        return;
    }
    std::error_code saveError;
    if (gf_saveXml(good, g_parametersPath, saveError)) {
        gf_logError(fmt::format("{}Saved as {}; the settings come from the last good copy {}.", failed,
                                lf_pathText(kept), lf_pathText(lastGood)));
        return;
    }
    s_held = {g_parametersPath, lastGood, false};
    gf_logError(fmt::format("{}Saved as {}; taking the last good copy {} failed ({}): it stays as it is; this run "
                            "takes the values of the last good copy and saves no setting, so that the next start "
                            "takes it again.",
                            failed, lf_pathText(kept), lf_pathText(lastGood), saveError.message()));
}

// Whether the last save of parameters.xml failed: the status line shows a failure once, not at every store
// that follows it, and again only after a save has worked in between.
std::atomic<bool> s_saveFailing{false};

// Saves parameters.xml; a failure is logged with the system's reason (and shown as said above).
void lf_saveSettingsDocument(pugi::xml_document& document) {
    if (lf_heldLocked()) {
        lf_noteHeldSaveLocked();
        return;
    }
    std::error_code error;
    if (gf_saveXml(document, g_parametersPath, error)) {
        s_saveFailing = false;
        // The same document as the last good copy, which a damaged file is later replaced by. The file itself
        // is on the disk already: the copy need not wait for it.
        if (!gf_saveXml(document, lf_lastGoodPath(), error, FileSync::Lazy))
            gf_logError(fmt::format("saving: {} failed: {}", lf_pathText(lf_lastGoodPath()), error.message()));
        return;
    }
    const std::string text = fmt::format("saving: {} failed: {}", lf_pathText(g_parametersPath), error.message());
    gf_logError(text);
    if (!s_saveFailing.exchange(true))
        gf_setStatus("Settings not saved: " + text.substr(std::string_view("saving: ").size()));
}

void lf_logStars() {
    gf_log(gf_bannerLine(80, 0, false, false, ""));
}

// Appends one record's entry to a document being saved; logs a failure and the value.
template <class Record>
bool lf_writeEntry(const Record& record, pugi::xml_node& parameters, const std::string& valueText,
                   const std::string& currentText) {
    const bool ok = lf_appendEntry(parameters, record.key, valueText);
    if (!ok)
        gf_logUnlessStopping(
            fmt::format("{}adding xml parameter {} with {} failed!", "===> ", record.key, currentText));
    record.logValue();
    return ok;
}

// ---- Work done under the settings-file mutex

void lf_saveParametersLocked(bool writeDefaults) {
    pugi::xml_document document;
    pugi::xml_node root = document.append_child(kRoot);
    if (writeDefaults)
        PROGRAM_VERSION.defaultValue.store(gf_versionText(g_programVersion));
    pugi::xml_node parameters = root ? root.append_child(kParameters) : pugi::xml_node();
    if (parameters) {
        for (auto* p : g_boolParams)
            p->write(parameters, writeDefaults);
        for (auto* p : g_checkBoxParams)
            p->write(parameters, writeDefaults);
        for (auto* p : g_intParams)
            p->write(parameters, writeDefaults);
        for (auto* p : g_choiceIntParams)
            p->write(parameters, writeDefaults);
        for (auto* p : g_stringParams)
            p->write(parameters, writeDefaults);
        for (auto* p : g_controlStringParams)
            p->write(parameters, writeDefaults);
        lf_saveSettingsDocument(document);
    }
    lf_logStars();
}

void lf_wrapParametersInRootLocked() {
    gf_log("\nPlacing a root level around a new parameters.xml to make it 100% xml compliance\n");
    // The new file replaces the old one through a temporary file; the old one is never removed first.
    lf_saveParametersLocked(false);
}

// Shows the registries' values in their controls (outside the settings-file mutex: the control model
// may call back into the window layer).
void lf_showRegistryControls() {
    for (auto* p : g_checkBoxParams)
        p->showCheck();
    for (auto* p : g_choiceIntParams)
        gf_showIntParameter(*p);
    for (auto* p : g_controlStringParams)
        gf_showStringParameter(*p);
}

// The store of one value: every entry of the key gets the value text.
void lf_storeEntry(std::string_view key, const std::string& valueText, const std::function<void()>& logValue) noexcept {
    try {
        std::lock_guard lock(gf_settingsFileMutex());
        if (lf_heldLocked()) {
            logValue();
            lf_noteHeldSaveLocked();
            return;
        }
        pugi::xml_document document;
        const pugi::xml_parse_result loaded = gf_loadXml(document, g_parametersPath);
        if (!loaded) {
            // Writing only this entry would reset every other setting at the next start: write them all.
            logValue();
            gf_log(fmt::format("{} could not be read ({}); writing every setting", lf_pathText(g_parametersPath),
                               loaded.description()));
            lf_saveParametersLocked(false);
            return;
        }
        const bool hadRoot = static_cast<bool>(document.child(kRoot));
        pugi::xml_node base = hadRoot ? document.child(kRoot) : static_cast<pugi::xml_node>(document);
        pugi::xml_node parameters = base.child(kParameters);
        if (!parameters)
            parameters = base.append_child(kParameters);
        bool matched = false;
        for (pugi::xml_node entry : parameters.children(kParameter)) {
            if (std::string_view(entry.attribute(kName).as_string()) == key) {
                lf_setOrAppendAttribute(entry, kValue, valueText);
                matched = true;
            }
        }
        if (!matched)
            lf_appendEntry(parameters, key, valueText);
        logValue();
        if (!hadRoot) {
            lf_wrapParametersInRootLocked();
            return;
        }
        lf_saveSettingsDocument(document);
    } catch (const std::exception& e) {
        gf_logError(fmt::format("Exception in store of {}: {}", key, e.what()));
    } catch (...) {
        gf_logError(fmt::format("Exception in store of {}: unknown", key));
    }
}

} // namespace

std::mutex& gf_settingsFileMutex() {
    static std::mutex mutex;
    return mutex;
}

void gf_logUnlessStopping(std::string_view text) {
    if (!lf_stopping())
        gf_log(text);
}

// ---- Value texts

std::string gf_boolText(bool value) {
    return value ? "true" : "false";
}

bool gf_parseBoolText(std::string_view text) {
    if (text.empty())
        return false;
    const char c = text.front();
    return c == '1' || c == 't' || c == 'T' || c == 'y' || c == 'Y';
}

std::int32_t gf_parseIntText(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    std::int64_t v = 0;
    bool any = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        any = true;
        if (v < (std::int64_t{1} << 40))
            v = v * 10 + (text[i] - '0'); // beyond 32 bits saturates below
    }
    if (!any)
        return 0;
    if (negative)
        v = -v;
    if (v > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (v < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

// ---- Readers and appenders

pugi::xml_node gf_parametersNode(const pugi::xml_node& documentOrNode) {
    const pugi::xml_node root = documentOrNode.child(kRoot);
    return root ? root.child(kParameters) : documentOrNode.child(kParameters);
}

std::optional<bool> gf_readBoolParameter(const pugi::xml_node& documentOrNode, std::string_view key) {
    const pugi::xml_node entry = lf_findEntry(documentOrNode, key);
    if (!entry)
        return std::nullopt;
    return gf_parseBoolText(entry.attribute(kValue).as_string());
}

std::optional<std::int32_t> gf_readIntParameter(const pugi::xml_node& documentOrNode, std::string_view key) {
    const pugi::xml_node entry = lf_findEntry(documentOrNode, key);
    if (!entry)
        return std::nullopt;
    return gf_parseIntText(entry.attribute(kValue).as_string());
}

std::optional<std::string> gf_readStringParameter(const pugi::xml_node& documentOrNode, std::string_view key) {
    const pugi::xml_node entry = lf_findEntry(documentOrNode, key);
    if (!entry)
        return std::nullopt;
    return std::string(entry.attribute(kValue).as_string());
}

bool gf_appendAttribute(pugi::xml_node node, std::string_view name, std::string_view value) {
    pugi::xml_attribute attr = node.append_attribute(std::string(name).c_str());
    if (!attr)
        return false;
    return attr.set_value(std::string(value).c_str());
}

bool gf_appendBoolParameter(pugi::xml_node node, std::string_view key, bool value) {
    return lf_appendEntry(node, key, gf_boolText(value));
}

bool gf_appendIntParameter(pugi::xml_node node, std::string_view key, std::int32_t value) {
    return lf_appendEntry(node, key, fmt::format("{}", value));
}

bool gf_appendStringParameter(pugi::xml_node node, std::string_view key, std::string_view value) {
    return lf_appendEntry(node, key, value);
}

// ---- Record operations

bool BoolParameter::read(const pugi::xml_node& document) {
    const auto v = gf_readBoolParameter(document, key);
    set(v.value_or(defaultVal()));
    logValue();
    return v.has_value();
}

bool BoolParameter::write(pugi::xml_node& parameters, bool writeDefaults) const {
    return lf_writeEntry(*this, parameters, gf_boolText(writeDefaults ? defaultVal() : value()), gf_boolText(value()));
}

void BoolParameter::store() const {
    lf_storeEntry(key, gf_boolText(value()), [this] { logValue(); });
}

void BoolParameter::logValue() const {
    gf_logUnlessStopping(fmt::format("{}={}", key, gf_boolText(value())));
}

bool IntParameter::write(pugi::xml_node& parameters, bool writeDefaults) const {
    return lf_writeEntry(*this, parameters, fmt::format("{}", writeDefaults ? defaultVal() : value()),
                         fmt::format("{}", value()));
}

void IntParameter::store() const {
    lf_storeEntry(key, fmt::format("{}", value()), [this] { logValue(); });
}

void IntParameter::logValue() const {
    gf_logUnlessStopping(fmt::format("{}={}", key, value()));
}

bool StringParameter::read(const pugi::xml_node& document) {
    const auto v = gf_readStringParameter(document, key);
    set(v ? *v : defaultVal());
    logValue();
    return v.has_value();
}

bool StringParameter::write(pugi::xml_node& parameters, bool writeDefaults) const {
    return lf_writeEntry(*this, parameters, writeDefaults ? defaultVal() : value(), value());
}

void StringParameter::store() const {
    lf_storeEntry(key, value(), [this] { logValue(); });
}

void StringParameter::logValue() const {
    gf_logUnlessStopping(fmt::format("{}=\"{}\"", key, value()));
}

void StringParameter::setValue(std::string text) {
    set(std::move(text));
    store();
}

// ---- Full load and save

void gf_prepareParametersFile() {
    try {
        std::lock_guard lock(gf_settingsFileMutex());
        lf_removeLeftoversLocked();
        lf_recoverDamagedLocked();
    } catch (const std::exception& e) {
        gf_logError(fmt::format("Exception in gf_prepareParametersFile: {}", e.what()));
    }
}

bool gf_loadParameters() {
    gf_log(gf_bannerLine(80, 0, false, false, "parameters"));
    gf_prepareParametersFile();
    bool wroteDefaults = false;
    {
        std::lock_guard lock(gf_settingsFileMutex());
        const std::string pathText = lf_pathText(g_parametersPath);
        // A held run reads the last good copy (when there is one) in place of the damaged file.
        const fs::path source = lf_heldLocked() && !s_held.source.empty() ? s_held.source : g_parametersPath;
        pugi::xml_document document;
        const pugi::xml_parse_result loaded = gf_loadXml(document, source);
        pugi::xml_node parameters;
        if (loaded) {
            gf_log(fmt::format("from '{}'", lf_pathText(source)));
            parameters = gf_parametersNode(document);
        }
        if (lf_heldLocked() && (!loaded || !parameters)) {
            gf_log(fmt::format("{} is damaged, default values:", pathText));
            lf_saveParametersLocked(true);
            wroteDefaults = true;
        } else if (!loaded || !parameters) {
            gf_log(fmt::format("{} not found, creating new with default values:", pathText));
            lf_saveParametersLocked(true);
            wroteDefaults = true;
        } else {
            for (auto* p : g_boolParams)
                if (!p->read(document))
                    gf_appendBoolParameter(parameters, p->key, p->value());
            for (auto* p : g_checkBoxParams)
                if (!p->read(document))
                    gf_appendBoolParameter(parameters, p->key, p->value());
            auto readInt = [&](IntParameter& p) {
                if (const auto v = gf_readIntParameter(document, p.key)) {
                    p.set(p.clamp(*v));
                    p.logValue();
                } else {
                    p.set(p.defaultVal());
                    p.logValue();
                    gf_appendIntParameter(parameters, p.key, p.value());
                }
            };
            for (auto* p : g_intParams)
                readInt(*p);
            for (auto* p : g_choiceIntParams)
                readInt(*p);
            for (auto* p : g_stringParams)
                if (!p->read(document))
                    gf_appendStringParameter(parameters, p->key, p->value());
            for (auto* p : g_controlStringParams)
                if (!p->read(document))
                    gf_appendStringParameter(parameters, p->key, p->value());
            lf_saveSettingsDocument(document);
            lf_logStars();
        }
    }
    lf_showRegistryControls();
    return wroteDefaults;
}

void gf_saveParameters(bool writeDefaults) {
    try {
        std::lock_guard lock(gf_settingsFileMutex());
        lf_saveParametersLocked(writeDefaults);
    } catch (const std::exception& e) {
        gf_logError(fmt::format("Exception in gf_saveParameters: {}", e.what()));
    }
    lf_showRegistryControls();
}

void gf_wrapParametersInRoot() {
    try {
        std::lock_guard lock(gf_settingsFileMutex());
        lf_wrapParametersInRootLocked();
    } catch (const std::exception& e) {
        gf_logError(fmt::format("Exception in gf_wrapParametersInRoot: {}", e.what()));
    }
    lf_showRegistryControls();
}

// ---- Data-file header

bool gf_writeMetaInfo(pugi::xml_document& document, const MetaInfo& meta) {
    pugi::xml_node root = document.child(kRoot);
    if (!root)
        root = document.append_child(kRoot);
    if (!root)
        return false;
    pugi::xml_node metaNode = root.append_child("meta");
    if (!metaNode)
        return false;
    auto entry = [&](std::string_view name, std::string_view value) {
        pugi::xml_node info = metaNode.append_child("info");
        if (!info)
            return false;
        const bool a = gf_appendAttribute(info, kName, name);
        const bool b = gf_appendAttribute(info, kValue, value);
        return a && b;
    };
    bool ok = entry("author", "Skyfill");
    ok = entry("version", meta.version) && ok;
    ok = entry("date", gf_dateText()) && ok;
    ok = entry("copyright", g_copyrightText) && ok;
    if (!entry("sim", fmt::format("{}", meta.sim)))
        return false;
    return ok;
}

std::optional<MetaInfo> gf_readMetaInfo(const pugi::xml_node& documentOrNode, bool simNotRequired) {
    const pugi::xml_node root = documentOrNode.child(kRoot);
    const pugi::xml_node metaNode = (root ? root : documentOrNode).child("meta");
    if (!metaNode)
        return std::nullopt;
    MetaInfo meta;
    bool copyrightSeen = false, copyrightFound = false;
    bool authorSeen = false, dateSeen = false, versionSeen = false, p3dSeen = false, msfsSeen = false, simSeen = false;
    auto takeFirst = [](bool& seen, std::string& field, const char* value) {
        if (seen)
            return;
        seen = true;
        field = value;
    };
    for (pugi::xml_node info : metaNode.children("info")) {
        const std::string_view name = info.attribute(kName).as_string();
        const char* value = info.attribute(kValue).as_string();
        if (name == "copyright") {
            if (copyrightSeen)
                continue;
            copyrightSeen = true;
            if (*value == '\0') {
                gf_logError("no copyright info in the file?");
                return std::nullopt;
            }
            copyrightFound = true;
        } else if (name == "author") {
            takeFirst(authorSeen, meta.author, value);
        } else if (name == "date") {
            takeFirst(dateSeen, meta.date, value);
        } else if (name == "version") {
            takeFirst(versionSeen, meta.version, value);
        } else if (name == "P3D") {
            takeFirst(p3dSeen, meta.P3D, value);
        } else if (name == "MSFS") {
            takeFirst(msfsSeen, meta.MSFS, value);
        } else if (name == "sim") {
            if (!simSeen) {
                simSeen = true;
                meta.sim = gf_parseIntText(value);
            }
        }
    }
    if (!copyrightFound)
        return std::nullopt;
    if (!simNotRequired && !simSeen && !p3dSeen && !msfsSeen)
        return std::nullopt;
    return meta;
}

} // namespace skf
