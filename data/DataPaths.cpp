#include "data/DataPaths.h"

namespace skf {

namespace {
std::filesystem::path lf_input(const char* name) { return std::filesystem::path("input") / name; }
} // namespace

const std::filesystem::path& gf_inputFolderPath()
{
    static const std::filesystem::path p("input");
    return p;
}
const std::filesystem::path& gf_airportsEncPath()
{
    static const std::filesystem::path p = lf_input("airports.enc");
    return p;
}
const std::filesystem::path& gf_airportsXmlPath()
{
    static const std::filesystem::path p = lf_input("airports.xml");
    return p;
}
const std::filesystem::path& gf_dbaseEncPath()
{
    static const std::filesystem::path p = lf_input("dbase.enc");
    return p;
}
const std::filesystem::path& gf_dbaseXmlPath()
{
    static const std::filesystem::path p = lf_input("dbase.xml");
    return p;
}
const std::filesystem::path& gf_aigRegcodesEncPath()
{
    static const std::filesystem::path p = lf_input("AIG-regcodes.enc");
    return p;
}
const std::filesystem::path& gf_aigRegcodesXmlPath()
{
    static const std::filesystem::path p = lf_input("AIG-regcodes.xml");
    return p;
}

} // namespace skf
