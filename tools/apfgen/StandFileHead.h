#pragma once
// The head of a generated stand file, the same in every maker: the meta block of a stock file and its
// name/value parameters.
#include <string>

#include <pugixml.hpp>

namespace skf::tools {

// Appends the meta block (author, version, date, copyright, sim) to the file's root.
void gf_appendStandFileMeta(pugi::xml_node root, int sim);
// Appends <parameter name=".." value=".."/> to the parameters node.
void gf_appendStandFileParameter(pugi::xml_node parameters, const char* name, const std::string& value);

} // namespace skf::tools
