// The bytes-in part of the manifest reader, apart from the file search so that it builds alone (fuzzing).
#include <nlohmann/json.hpp>

#include "airportscan/PublisherLookup.h"

namespace skf {

std::string lf_jsonStringOrEmpty(const nlohmann::json& object, const char* name) {
    const auto it = object.find(name);
    if (it == object.end() || it->is_null() || ((it->is_object() || it->is_array()) && it->empty()))
        return {};
    return it->get<std::string>();
}

std::optional<ManifestInfo> gf_parseManifest(std::string_view text) {
    const nlohmann::json json = nlohmann::json::parse(text);
    if (!json.is_object())
        return std::nullopt;
    return ManifestInfo{lf_jsonStringOrEmpty(json, "manufacturer"), lf_jsonStringOrEmpty(json, "creator"),
                        lf_jsonStringOrEmpty(json, "title")};
}

} // namespace skf
