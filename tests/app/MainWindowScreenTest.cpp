#include "WindowFixture.h"

#include <FL/Fl_Double_Window.H>

#include <cstdlib>

#include "platform/ui/FltkWindow.h"

using namespace skf;
using namespace skf::test;

using MainWindowScreenTest = WindowFixture;

// Under a display (Xvfb in the test scripts): the real window, its screenshot and the status band's text.
TEST_F(MainWindowScreenTest, FltkWindowShowsTheStatusBandWithItsText) {
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "no display";
    auto backend = gf_makeFltkBackend(gf_controls());
    ASSERT_TRUE(backend) << "display cannot be opened";
    auto* fltk = static_cast<FltkWindow*>(backend.get());
    ASSERT_TRUE(initInstance(*fltk, "Skyfill"));
    SIM_CHOICE.fillCombo();
    RANGE.fillCombo();
    g_mainWindow.liveryCount = 5231;
    gf_setStatus("Reading airports WWWWWWWWWW", false);
    for (int i = 0; i < 20; ++i)
        fltk->step(0.02);

    ASSERT_TRUE(fltk->window());
    EXPECT_STREQ(fltk->window()->label(), "Skyfill");
    std::vector<std::uint8_t> rgb;
    int w = 0, h = 0;
    ASSERT_TRUE(fltk->captureRgb(rgb, w, h));
    ASSERT_EQ(w, 880);
    ASSERT_EQ(h, 516);
    auto pixel = [&](int x, int y) {
        const std::size_t i = (static_cast<std::size_t>(y) * 880 + static_cast<std::size_t>(x)) * 3;
        return Colour{rgb[i], rgb[i + 1], rgb[i + 2]};
    };
    EXPECT_EQ(pixel(860, 470), kLime);      // status band
    EXPECT_EQ(pixel(860, 300), kLightBlue); // middle band
    EXPECT_EQ(pixel(860, 20), kBlack);      // header
    EXPECT_EQ(pixel(860, 500), kBlack);     // below the status band: the window's black background
    int yellow = 0;
    for (int y = 450; y < 476; ++y)
        for (int x = 0; x < 400; ++x) {
            const Colour c = pixel(x, y);
            if (c.r > 150 && c.g > 150 && c.b < 100 && !(c == kLime))
                ++yellow;
        }
    EXPECT_GT(yellow, 80);

    // An error turns the band red.
    gf_setError("150: No install path detected");
    for (int i = 0; i < 5; ++i)
        fltk->step(0.02);
    ASSERT_TRUE(fltk->captureRgb(rgb, w, h));
    EXPECT_EQ(pixel(860, 470), kRed);
    gf_clearError();
    gf_setStatus("Reading airports WWWWWWWWWW", false);
    for (int i = 0; i < 5; ++i)
        fltk->step(0.02);
    ASSERT_TRUE(fltk->captureRgb(rgb, w, h));

    EXPECT_EQ(w, 880);
    EXPECT_EQ(h, 516);

    gf_postWindowMessage(WM_APP_CLOSED);
    for (int i = 0; i < 5 && fltk->step(0.02); ++i) {
    }
    EXPECT_FALSE(fltk->exists());
    gf_setMainWindowBackend(nullptr);
    fltk->setHandler(nullptr);
}
