#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

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

TEST(WindowFieldsTest, MarksShowAsTheBandsTheyNamed) {
    const struct {
        std::uint32_t marked;
        std::uint32_t changed;
    } rows[] = {
        {BAND_PARK, BAND_PARK},
        {BAND_MIDDLE | BAND_INDICATORS, BAND_MIDDLE | BAND_INDICATORS},
        {BAND_ALL, BAND_INDICATORS | BAND_MIDDLE | BAND_PARK | BAND_STATUS},
        {0, 0},
        {0x100, 0}, // no band of the window
    };
    BandChangeWatch window;
    for (const auto& row : rows) {
        gf_markChanged(row.marked);
        EXPECT_EQ(window.takeChanged(), row.changed) << row.marked;
    }
}

// Two readers see the same change each; a reader made after a mark does not see it.
TEST(WindowFieldsTest, EachReaderSeesEachChangeOnce) {
    BandChangeWatch first;
    BandChangeWatch second;
    gf_markChanged(BAND_STATUS);
    BandChangeWatch late;
    EXPECT_EQ(first.takeChanged(), BAND_STATUS);
    EXPECT_EQ(second.takeChanged(), BAND_STATUS);
    EXPECT_EQ(late.takeChanged(), 0U);
    EXPECT_EQ(first.takeChanged(), 0U);
}

// Marks from many threads while the window looks: after the writers ended, the last look holds every band
// that was marked after the one before, and no count is lost.
TEST(WindowFieldsConcurrent, MarksFromManyThreadsAreNeverLost) {
    const std::uint64_t before = gf_bandChangeCount(BAND_PARK);
    BandChangeWatch window;
    std::atomic<bool> done{false};
    std::uint32_t seen = 0;
    std::thread reader([&] {
        while (!done)
            seen |= window.takeChanged();
    });
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([] {
            for (int i = 0; i < 1000; ++i)
                gf_markChanged(BAND_PARK);
        });
    for (auto& w : writers)
        w.join();
    done = true;
    reader.join();
    seen |= window.takeChanged();
    EXPECT_EQ(seen, std::uint32_t{BAND_PARK});
    EXPECT_EQ(gf_bandChangeCount(BAND_PARK) - before, 4000U);
}
