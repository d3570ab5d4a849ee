#include "tools/apfgen/StandFileHead.h"

#include <utility>

namespace skf::tools {

void gf_appendStandFileMeta(pugi::xml_node root, int sim) {
    pugi::xml_node meta = root.append_child("meta");
    const std::pair<const char*, std::string> infos[] = {
        {"author", "Skyfill"},
        {"version", "11.11.3"},
        {"date", "Dec 01, 2026"},
        {"copyright", "Copyright (c) the makers of Skyfill. All rights reserved."},
        {"sim", std::to_string(sim)}};
    for (const auto& [name, value] : infos) {
        pugi::xml_node info = meta.append_child("info");
        info.append_attribute("name") = name;
        info.append_attribute("value") = value.c_str();
    }
}

void gf_appendStandFileParameter(pugi::xml_node parameters, const char* name, const std::string& value) {
    pugi::xml_node p = parameters.append_child("parameter");
    p.append_attribute("name") = name;
    p.append_attribute("value") = value.c_str();
}

} // namespace skf::tools
