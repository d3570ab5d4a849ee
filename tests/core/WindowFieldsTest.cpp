#include <gtest/gtest.h>

#include <thread>

#include "core/WindowFields.h"

using namespace skf;

TEST(WindowFieldsTest, ResetForRestartPutsStartValuesBack) {
    g_mainWindow.simulatorText.set("MSFS (1.2.3.4)");
    g_mainWindow.liveCount = 12;
    g_mainWindow.staticAverageHours = 3.5F;
    g_mainWindow.startUp = false;
    g_mainWindow.trafficReaderState = READER_RECEIVING;
    g_mainWindow.liveryCount = 900;
    g_mainWindow.resetForRestart();
    EXPECT_EQ(g_mainWindow.simulatorText.get(), "");
    EXPECT_EQ(g_mainWindow.liveCount.load(), 0U);
    EXPECT_EQ(g_mainWindow.staticAverageHours.load(), -1.0F);
    EXPECT_TRUE(g_mainWindow.startUp.load());
    EXPECT_EQ(g_mainWindow.trafficReaderState.load(), READER_STOPPED);
    EXPECT_EQ(g_mainWindow.liveryCount.load(), 900U);
}

TEST(CallsignListConcurrent, NeverEmptyAndAlwaysWhole) {
    g_callsignList.reset();
    EXPECT_EQ(g_callsignList.entries(), std::vector<std::string>{""});
    std::thread w([] {
        for (int i = 0; i < 500; ++i) {
            g_callsignList.set({"", "DLH123", "BAW9"});
            g_callsignList.reset();
        }
    });
    std::thread r([] {
        for (int i = 0; i < 500; ++i) {
            auto e = g_callsignList.entries();
            EXPECT_TRUE(e.size() == 1 || e.size() == 3);
            EXPECT_EQ(e[0], "");
        }
    });
    w.join();
    r.join();
    g_callsignList.add("KLM1");
    EXPECT_EQ(g_callsignList.entries(), (std::vector<std::string>{"", "KLM1"}));
    g_callsignList.reset();
}
