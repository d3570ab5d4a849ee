#pragma once
// Test fixture: the main window on the headless backend, with its log, data folder and working folder
// in a fresh temporary folder, and every setting back at its default.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>

#include "app/ControlStates.h"
#include "app/MainWindow.h"
#include "app/WindowRequests.h"
#include "app/RunRequests.h"
#include "core/Log.h"
#include "core/ProgramState.h"
#include "core/ShellState.h"
#include "core/StatusLine.h"
#include "core/WindowFields.h"
#include "core/settings/Catalogue.h"
#include "core/settings/ProgramPaths.h"
#include "core/settings/SettingsFile.h"
#include "platform/ui/HeadlessWindow.h"
#include "support/WorkFolder.h"

namespace skf::test {

inline void resetAllSettings() {
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
    ALL_INSTALL_PATH.set(ALL_INSTALL_PATH.defaultVal());
    parking_percentage.set(parking_percentage.defaultVal());
    CALLSIGN_2_OBJECTID.set(std::string());
}

class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        gf_applyControlStates(); // what an earlier test decided about the controls is not this test's
        m_work.emplace();
        m_dir = m_work->path();
        std::filesystem::create_directories(m_dir / "cfg" / "Skyfill");
        gf_buildProgramPathsIn(m_dir / "cfg");
        resetAllSettings();
        gf_saveParameters(false);
        gf_resetStopState();
        gf_clearError();
        gf_setStatusSecondCounter(0);
        gf_resetShellSharedState();
        g_mainWindow.resetForRestart();
        g_mainWindow.standsLoaded = false;
        g_mainWindow.liveryCount = 0;
        g_mainWindow.addonAirportCount = 0;
        g_mainWindow.otherPublisherAirportCount = 0;
        g_mainWindow.unrecognisedAirportCount = 0;
        g_mainWindow.parkAirportText.clear();
        g_mainWindow.objectIdText.clear();
        g_mainWindow.reservedStandName.clear();
        g_mainWindow.pendingStaticCount = 0;
        g_mainWindow.minutesToNextUpdate = 0;
        gf_windowQueue().clear();
        gf_controls().clear();
        m_window = std::make_unique<HeadlessWindow>(gf_controls());
    }

    void TearDown() override {
        gf_setMainWindowBackend(nullptr);
        if (m_window)
            m_window->setHandler(nullptr);
        m_window.reset();
        gf_controls().clear();
        gf_windowQueue().clear();
        m_work.reset();
    }

    // Opens the main window with its controls.
    void open() {
        ASSERT_TRUE(initInstance(*m_window, "Skyfill"));
        m_window->pump();
    }

    std::string log() {
        gf_flushLog();
        return readFile(m_dir / "Log.txt");
    }
    std::string parameters() { return readFile(g_parametersPath); }
    // The value of key in parameters.xml ("<none>" when it has no such entry).
    std::string stored(const std::string& key) {
        pugi::xml_document document;
        document.load_file(g_parametersPath.c_str());
        return gf_readStringParameter(document, key).value_or("<none>");
    }
    std::string status() { return gf_statusSnapshot().statusText; }

    std::optional<WorkFolder> m_work; // the working folder with Log.txt, removed afterwards
    std::filesystem::path m_dir;
    std::unique_ptr<HeadlessWindow> m_window;
};

} // namespace skf::test
