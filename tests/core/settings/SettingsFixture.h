#pragma once
// Shared set-up of the settings tests: a fresh temporary working folder with a data folder, the log open
// in it, every record back at its built value and an empty control model.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <pugixml.hpp>

#include "core/Log.h"
#include "core/ProgramState.h"
#include "core/settings/Catalogue.h"
#include "core/settings/ProgramPaths.h"
#include "platform/ui/ControlModel.h"

namespace skf::test {

inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

inline void writeFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

inline std::string testData(const std::string& name) {
  return readFile(std::filesystem::path(SKYFILL_TEST_DATA_DIR) / "settings" / name);
}

// Every record of the catalogue back at its default.
inline void resetAllSettings() {
  PROGRAM_VERSION.defaultValue.store("");
  for (auto* p : g_boolParams) p->set(p->defaultVal());
  for (auto* p : g_checkBoxParams) p->set(p->defaultVal());
  for (auto* p : g_intParams) p->set(p->defaultVal());
  for (auto* p : g_choiceIntParams) p->set(p->defaultVal());
  for (auto* p : g_stringParams) p->set(p->defaultVal());
  for (auto* p : g_controlStringParams) p->set(p->defaultVal());
  ALL_INSTALL_PATH.set("");
  parking_percentage.set(30);
  MAX_FIT_FL.set(24.0f);
  CALLSIGN_2_OBJECTID.set("");
}

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_oldCwd = std::filesystem::current_path();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    m_dir = std::filesystem::temp_directory_path() /
            (std::string("skyfill_settings_") + info->test_suite_name() + "_" + info->name() + "_" +
             std::to_string(::getpid()));
    std::filesystem::remove_all(m_dir);
    std::filesystem::create_directories(m_dir / "config");
    std::filesystem::current_path(m_dir);
    gf_buildProgramPathsIn(m_dir / "config");
    std::filesystem::create_directories(g_dataFolder);
    gf_openLogIn(m_dir);
    g_stopRun = false;
    g_shutDown = false;
    resetAllSettings();
    gf_controls().clear();
  }

  void TearDown() override {
    gf_closeLog();
    gf_controls().clear();
    resetAllSettings();
    std::filesystem::current_path(m_oldCwd);
    std::filesystem::remove_all(m_dir);
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

  std::filesystem::path m_dir;
  std::filesystem::path m_oldCwd;
};

}  // namespace skf::test
