#pragma once
// Shared set-up of the settings tests: a fresh temporary working folder with a data folder, the log open
// in it, every record back at its built value and an empty control model.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include <pugixml.hpp>

#include "core/Log.h"
#include "core/ProgramState.h"
#include "core/settings/Catalogue.h"
#include "core/settings/ProgramPaths.h"
#include "platform/ui/ControlModel.h"
#include "support/TempFolder.h"
#include "support/WorkFolder.h"

namespace skf::test {

inline std::string testData(const std::string& name) {
    return readFile(std::filesystem::path(SKYFILL_TEST_DATA_DIR) / "settings" / name);
}

// Every record of the catalogue back at its default.
inline void resetAllSettings() {
    PROGRAM_VERSION.defaultValue.store("");
    for (auto* p : g_boolParams)
        p->set(p->defaultVal());
    for (auto* p : g_checkBoxParams)
        p->set(p->defaultVal());
    for (auto* p : g_intParams)
        p->set(p->defaultVal());
    for (auto* p : g_choiceIntParams)
        p->set(p->defaultVal());
    for (auto* p : g_stringParams)
        p->set(p->defaultVal());
    for (auto* p : g_controlStringParams)
        p->set(p->defaultVal());
    ALL_INSTALL_PATH.set("");
    parking_percentage.set(30);
    MAX_FIT_FL.set(24.0f);
    CALLSIGN_2_OBJECTID.set("");
}

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_work.emplace();
        m_dir = m_work->path();
        std::filesystem::create_directories(m_dir / "config");
        gf_buildProgramPathsIn(m_dir / "config");
        std::filesystem::create_directories(g_dataFolder);
        g_stopRun = false;
        g_shutDown = false;
        resetAllSettings();
        gf_controls().clear();
    }

    void TearDown() override {
        gf_closeLog();
        gf_controls().clear();
        resetAllSettings();
        m_work.reset();
    }

    // The log so far (closes and reopens nothing: flushes by closing the log; reopen with reopenLog()).
    std::string logText() {
        gf_closeLog();
        return readFile(m_dir / "Log.txt");
    }

    std::string parametersText() const { return readFile(g_parametersPath); }

    // parameters.xml as a document (kept alive by the fixture).
    const pugi::xml_document& loadParameters() {
        m_doc.reset();
        EXPECT_TRUE(m_doc.load_file(g_parametersPath.c_str()));
        return m_doc;
    }

    pugi::xml_document m_doc;

    std::optional<WorkFolder> m_work;
    std::filesystem::path m_dir;
};

} // namespace skf::test
