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
    // Inside the empty install path field (still disabled, so drawn dimmed): the middle band's light blue.
    const Colour field = pixel(600, 127);
    EXPECT_GT(field.b, field.g);
    EXPECT_GT(field.g, field.r);
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

// Under a display: the longest texts of every band leave every control, the indicator boxes, the Meta box
// and the park band's counters as they are with short texts; the request about tblo.zip shows whole, in
// red, left of the Meta box.
TEST_F(MainWindowScreenTest, LongTextsStayInsideTheirBandsOnTheScreen) {
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "no display";
    auto backend = gf_makeFltkBackend(gf_controls());
    ASSERT_TRUE(backend) << "display cannot be opened";
    auto* fltk = static_cast<FltkWindow*>(backend.get());
    ASSERT_TRUE(initInstance(*fltk, "Skyfill"));
    for (auto* choice : {&SIM_CHOICE})
        choice->fillCombo();
    g_mainWindow.simConnected = true;
    g_mainWindow.simRunning = true;
    g_mainWindow.startUp = false;
    g_mainWindow.realTrafficLinkUp = true;
    g_mainWindow.trafficReaderState = 1;
    g_mainWindow.weatherReaderState = 1;
    g_mainWindow.parkAirportText.set("EHAM");
    g_mainWindow.parkAirportActive = true;
    g_mainWindow.wantedStaticCount = 75;
    g_mainWindow.reservedStandName.set("D7");
    CALLSIGN_2_OBJECTID.set("KLM1234");
    const std::string longWords = "Amsterdam Schiphol International Airport with a very long name indeed and more";
    auto capture = [&](bool longTexts, std::vector<std::uint8_t>& rgb) {
        const std::string text = longTexts ? longWords : "x";
        g_mainWindow.unrecognisedAirportCount = longTexts ? 3 : 0;
        g_mainWindow.simulatorText.set(text);
        g_mainWindow.userStandText.set(text);
        g_mainWindow.userAircraftTitle.set(text);
        g_mainWindow.realTrafficEditionText.set(text);
        g_mainWindow.objectIdText.set(text);
        g_mainWindow.parkAirportName.set(text);
        g_mainWindow.publisherText.set(text);
        g_mainWindow.qualityFactorText.set(longTexts ? "0.123456789012345678901234567890" : "1");
        gf_setStatus(longTexts ? longWords + " " + longWords : "x", false);
        gf_invalidateBands(BAND_ALL);
        for (int i = 0; i < 5; ++i)
            fltk->step(0.02);
        int w = 0, h = 0;
        ASSERT_TRUE(fltk->captureRgb(rgb, w, h));
        ASSERT_EQ(w, 880);
        ASSERT_EQ(h, 516);
    };
    std::vector<std::uint8_t> shortRgb, longRgb;
    capture(false, shortRgb);
    capture(true, longRgb);
    auto pixel = [](const std::vector<std::uint8_t>& rgb, int x, int y) {
        const std::size_t i = (static_cast<std::size_t>(y) * 880 + static_cast<std::size_t>(x)) * 3;
        return Colour{rgb[i], rgb[i + 1], rgb[i + 2]};
    };
    auto changedIn = [&](int x0, int y0, int x1, int y1) {
        int changed = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                changed += pixel(shortRgb, x, y) == pixel(longRgb, x, y) ? 0 : 1;
        return changed;
    };
    for (const std::uint16_t id : gf_controls().ids()) {
        const auto c = gf_controls().get(id);
        if (c->kind == ControlKind::Label)
            continue;
        EXPECT_EQ(changedIn(c->x, c->y, std::min(c->x + c->width, 880), c->y + c->height), 0)
            << "control " << std::hex << id;
    }
    EXPECT_EQ(changedIn(397, 30, 455, 113), 0);  // the simulator and RealTraffic boxes
    EXPECT_EQ(changedIn(642, 140, 880, 308), 0); // the Meta box
    EXPECT_EQ(changedIn(708, 395, 880, 448), 0); // "# updates" and "max park"
    EXPECT_EQ(changedIn(0, 477, 880, 516), 0);   // below the status band
    // The request: red pixels in both halves of its row, left of the Meta box only.
    auto redIn = [&](int x0, int y0, int x1, int y1) {
        int red = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                const Colour c = pixel(longRgb, x, y);
                red += c.r > 200 && c.g < 90 && c.b < 90 ? 1 : 0;
            }
        return red;
    };
    EXPECT_GT(redIn(303, 169, 642, 182), 20);
    EXPECT_GT(redIn(303, 182, 642, 196), 20);
    EXPECT_EQ(redIn(642, 168, 880, 196), 0);

    gf_postWindowMessage(WM_APP_CLOSED);
    for (int i = 0; i < 5 && fltk->step(0.02); ++i) {
    }
    CALLSIGN_2_OBJECTID.set(std::string());
    gf_clearStatus();
    gf_setMainWindowBackend(nullptr);
    fltk->setHandler(nullptr);
}
