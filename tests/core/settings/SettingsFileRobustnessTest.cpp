// Damaged parameters.xml files: every load ends normally, with each number inside its range and a
// parameters.xml that loads again afterwards.
#include "core/settings/SettingsFile.h"
#include "SettingsFixture.h"
#include "support/Mutations.h"

#include <filesystem>

namespace skf::test {
namespace {

namespace fs = std::filesystem;

class SettingsFileRobustness : public SettingsTest {};

TEST_F(SettingsFileRobustness, DamagedFilesLoadWithValuesInRangeAndLeaveAReadableFile) {
    const std::string sample = R"(<?xml version="1.0"?>
<root><parameters>
  <parameter name="RANGE" value="30"/>
  <parameter name="PORT_NUMBER" value="10747"/>
  <parameter name="ALWAYS_ON_TOP" value="true"/>
  <parameter name="AI_PACKAGE_SELECTOR" value="AIG, FSLTL"/>
  <parameter name="LAST_EPOCH_TIME" value="1700000000"/>
</parameters></root>
)";
    int count = 0;
    for (const std::string& damaged : mutationsOf(sample, 11, 80)) {
        if (++count % 3 != 0 && damaged.size() > 1000)
            continue; // the long and deeply nested copies: a third of them is enough here
        resetAllSettings();
        writeFile(g_parametersPath, damaged);
        EXPECT_NO_THROW(gf_loadParameters());
        for (auto* p : g_intParams)
            EXPECT_EQ(p->value(), p->clamp(p->value())) << p->key;
        pugi::xml_document doc;
        EXPECT_TRUE(doc.load_file(g_parametersPath.c_str())) << damaged.substr(0, 200);
        EXPECT_TRUE(gf_parametersNode(doc));
    }
}

TEST_F(SettingsFileRobustness, AFolderInPlaceOfTheFileIsLeftAloneWithoutTemporaryFiles) {
    fs::create_directories(g_parametersPath);
    EXPECT_NO_THROW(gf_loadParameters());
    EXPECT_TRUE(fs::is_directory(g_parametersPath));
    for (const auto& e : fs::directory_iterator(g_parametersPath.parent_path()))
        EXPECT_EQ(e.path().filename(), g_parametersPath.filename()) << e.path();
    EXPECT_EQ(RANGE.value(), RANGE.defaultVal());
}

} // namespace
} // namespace skf::test
