#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "core/StatusLine.h"
#include "core/WindowFields.h"
#include "platform/ui/WindowMessages.h"

using namespace skf;

namespace {

class StatusLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        gf_clearError();
        gf_setStatusSecondCounter(0);
        gf_windowQueue().clear();
    }
};

} // namespace

TEST_F(StatusLineTest, TextSetAtSecondZeroExpiresAtSecond26) {
    gf_setStatus("hello", false);
    auto s = gf_statusSnapshot();
    EXPECT_EQ(s.statusText, "hello");
    EXPECT_EQ(s.stamp, 1);
    for (int i = 0; i < 25; ++i)
        gf_statusSecondTick();
    EXPECT_EQ(gf_statusSecondCounter(), 25);
    EXPECT_EQ(gf_statusSnapshot().statusText, "hello");
    gf_statusSecondTick();
    EXPECT_EQ(gf_statusSnapshot().statusText, "");
    EXPECT_EQ(gf_statusSnapshot().stamp, 0);
}

TEST_F(StatusLineTest, NewTextRestartsTheCountAndEmptyTextNeverExpires) {
    gf_setStatusSecondCounter(100);
    gf_setStatus("first");
    for (int i = 0; i < 20; ++i)
        gf_statusSecondTick();
    gf_setStatus("second");
    EXPECT_EQ(gf_statusSnapshot().stamp, 120);
    for (int i = 0; i < 24; ++i)
        gf_statusSecondTick();
    EXPECT_EQ(gf_statusSnapshot().statusText, "second");
    gf_statusSecondTick();
    EXPECT_EQ(gf_statusSnapshot().statusText, "");

    gf_setStatus("", true);
    EXPECT_EQ(gf_statusSnapshot().stamp, 0);
}

TEST_F(StatusLineTest, ErrorBlocksStatusUntilCleared) {
    gf_setStatus("working");
    gf_setError("150: no path");
    auto s = gf_statusSnapshot();
    EXPECT_EQ(s.errorText, "150: no path");
    EXPECT_EQ(s.statusText, "");
    gf_setStatus("x", true);
    gf_clearStatus();
    EXPECT_EQ(gf_statusSnapshot().statusText, "");
    EXPECT_EQ(gf_statusSnapshot().errorText, "150: no path");
    // Ticks never clear an error.
    for (int i = 0; i < 100; ++i)
        gf_statusSecondTick();
    EXPECT_EQ(gf_statusSnapshot().errorText, "150: no path");
    gf_setError("second error");
    EXPECT_EQ(gf_statusSnapshot().errorText, "second error");
    gf_clearError();
    gf_setStatus("back");
    EXPECT_EQ(gf_statusSnapshot().statusText, "back");
    EXPECT_EQ(gf_statusSnapshot().errorText, "");
}

TEST_F(StatusLineTest, EveryChangeAsksForOneCoalescedRepaint) {
    BandChangeWatch window;
    gf_setStatus("a");
    gf_setStatus("b");
    gf_clearStatus();
    EXPECT_EQ(window.takeChanged(), BAND_STATUS);
    EXPECT_EQ(window.takeChanged(), 0U);
    gf_setError("e");
    EXPECT_EQ(window.takeChanged(), BAND_STATUS);
    gf_setStatus("refused");
    EXPECT_EQ(window.takeChanged(), 0U);
    EXPECT_EQ(gf_windowQueue().size(), 0U); // nothing goes through the window's messages
}

TEST(StatusLineConcurrent, TextsFromManyThreadsStayWholeAndFreshTextsAreNotErased) {
    gf_clearError();
    gf_setStatusSecondCounter(0);
    const std::string a(200, 'a');
    const std::string b(200, 'b');
    std::thread t1([&] {
        for (int i = 0; i < 2000; ++i)
            gf_setStatus(a);
    });
    std::thread t2([&] {
        for (int i = 0; i < 2000; ++i)
            gf_setStatus(b);
    });
    std::thread t3([&] {
        for (int i = 0; i < 2000; ++i)
            gf_statusSecondTick();
    });
    std::thread t4([&] {
        for (int i = 0; i < 2000; ++i) {
            const auto s = gf_statusSnapshot().statusText;
            EXPECT_TRUE(s.empty() || s == a || s == b);
        }
    });
    t1.join();
    t2.join();
    t3.join();
    t4.join();
    // A text set after the last tick is never cleared by it.
    gf_setStatus("fresh");
    gf_statusSecondTick();
    EXPECT_EQ(gf_statusSnapshot().statusText, "fresh");
    gf_windowQueue().clear();
}
