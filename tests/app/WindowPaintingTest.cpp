#include "WindowFixture.h"

#include "app/WindowPainting.h"
#include "core/Codes.h"

#include <array>
#include <vector>

using namespace skf;
using namespace skf::test;

namespace {

class WindowPaintingTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        open();
    }
    bool hasRect(int x0, int y0, int x1, int y1, Colour colour) {
        for (const auto& item : m_window->displayList())
            if (item.kind == DisplayItem::Kind::Rect && item.x0 == x0 && item.y0 == y0 && item.x1 == x1 &&
                item.y1 == y1 && item.colour == colour)
                return true;
        return false;
    }
    // The one text at (x, y), or an empty item.
    DisplayItem at(int x, int y) {
        auto texts = m_window->textsAt(x, y);
        EXPECT_EQ(texts.size(), 1U) << "at " << x << "," << y;
        return texts.empty() ? DisplayItem{} : texts.front();
    }
};

} // namespace

TEST_F(WindowPaintingTest, BandsHeaderAndLabels) {
    m_window->paint();
    EXPECT_TRUE(hasRect(0, 0, 880, 28, kBlack));
    EXPECT_TRUE(hasRect(0, 28, 880, 112, kBlack));
    EXPECT_TRUE(hasRect(0, 112, 880, 392, kLightBlue));
    EXPECT_TRUE(hasRect(0, 392, 880, 448, kBlack));
    EXPECT_TRUE(hasRect(0, 448, 881, 477, kLime));
    // The white lines between the bands, the black ones between the rows of controls.
    std::vector<std::array<int, 4>> white, black;
    for (const auto& item : m_window->displayList())
        if (item.kind == DisplayItem::Kind::Line)
            (item.colour == kWhite ? white : black).push_back({item.x0, item.y0, item.x1, item.y1});
    EXPECT_EQ(white, (std::vector<std::array<int, 4>>{
                         {0, 28, 880, 28}, {0, 113, 880, 113}, {0, 449, 880, 449}, {0, 392, 880, 392}}));
    EXPECT_EQ(black, (std::vector<std::array<int, 4>>{{0, 140, 880, 140},
                                                      {0, 168, 642, 168},
                                                      {0, 196, 642, 196},
                                                      {0, 224, 642, 224},
                                                      {0, 252, 642, 252},
                                                      {0, 280, 642, 280},
                                                      {0, 308, 880, 308},
                                                      {642, 140, 642, 308},
                                                      {425, 29, 425, 112}}));
    EXPECT_EQ(at(3, 7).text, "Version " + gf_versionText(g_programVersion));
    EXPECT_EQ(at(390, 7).text, "Skyfill");
    EXPECT_EQ(at(3, 7).colour, kLime);

    EXPECT_EQ(at(652, 147).text, "Meta:");
    EXPECT_EQ(at(768, 147).text, "Stay on top");
    EXPECT_EQ(at(652, 147).colour, kBlack);
    EXPECT_EQ(at(25, 147).text, "Scan for liveries");
    EXPECT_EQ(at(25, 147).colour, kYellow); // SCAN_LIVERIES is on
    EXPECT_EQ(at(430, 231).text, "Ah:");
    EXPECT_EQ(at(430, 231).colour, kBlack); // AUTO_RANGE on
    EXPECT_EQ(at(672, 315).text, "Straight push backs only");
    EXPECT_EQ(at(672, 315).colour, kGrey);
    EXPECT_EQ(at(264, 371).text, "Target: ");
    EXPECT_EQ(at(632, 371).text, "hrs");
    EXPECT_FALSE(at(5, 35).text.empty());
    EXPECT_EQ(at(5, 35).text, "MSFS");

    // The labels of disabled check boxes are grey.
    LIGHT_AIRCRAFT.disable();
    MAX_PARK_SEL.set(0);
    m_window->paint();
    EXPECT_EQ(at(343, 203).colour, kGrey);
    EXPECT_EQ(at(171, 315).colour, kYellow);
    MAX_LIVE_SEL.set(0);
    m_window->paint();
    EXPECT_EQ(at(171, 315).colour, kRed);
    EXPECT_EQ(at(401, 315).colour, kRed);
}

TEST_F(WindowPaintingTest, IndicatorsAndCounters) {
    m_window->paint();
    EXPECT_TRUE(hasRect(397, 30, 426, 113, kRed));   // not connected
    EXPECT_TRUE(hasRect(425, 30, 454, 113, kBlack)); // start-up
    EXPECT_EQ(at(5, 91).text, "# liveries: ...");
    EXPECT_EQ(at(5, 91).colour, kRed);
    EXPECT_EQ(at(141, 91).text, "# simaddon: ...");
    EXPECT_EQ(at(141, 91).colour, kYellow);
    EXPECT_EQ(at(278, 91).text, "# thirdp: ...");

    g_mainWindow.liveryCount = 1234;
    g_mainWindow.addonAirportCount = 7;
    g_mainWindow.simConnected = true;
    g_mainWindow.simRunning = true;
    g_mainWindow.userAircraftTitle.set("Airbus A320neo");
    g_mainWindow.simulatorText.set("MSFS (1.36.2.0)");
    g_mainWindow.userStandText.set("A12");
    g_mainWindow.startUp = false;
    g_mainWindow.realTrafficLinkUp = true;
    g_mainWindow.trafficReaderState = 1;
    g_mainWindow.weatherReaderState = 3;
    g_mainWindow.qnh = 1013;
    g_mainWindow.liveCount = 42;
    g_mainWindow.realTrafficEditionText.set("RealTraffic 10.0");
    m_window->paint();
    EXPECT_EQ(at(5, 91).text, "# liveries: 1234");
    EXPECT_EQ(at(5, 91).colour, kLime);
    EXPECT_EQ(at(141, 91).text, "# simaddon: 7");
    EXPECT_TRUE(hasRect(397, 30, 426, 113, kLime));
    EXPECT_TRUE(hasRect(425, 30, 454, 113, kLime));
    EXPECT_EQ(at(5, 35).text, "MSFS (1.36.2.0), user stand A12");
    EXPECT_EQ(at(5, 63).text, "Airbus A320neo");
    EXPECT_EQ(at(458, 35).text, "RealTraffic 10.0");
    EXPECT_EQ(at(458, 91).text, "Traffic");
    EXPECT_EQ(at(642, 91).text, "live:  42");
    // Weather state 3: no "Weather" and no QNH.
    EXPECT_TRUE(m_window->textsAt(458, 63).empty());
    EXPECT_TRUE(m_window->textsAt(642, 63).empty());
    g_mainWindow.weatherReaderState = 1;
    m_window->paint();
    EXPECT_EQ(at(642, 63).text, "qnh: 1013");
    g_mainWindow.qnh = 0;
    m_window->paint();
    EXPECT_TRUE(m_window->textsAt(642, 63).empty());
}

TEST_F(WindowPaintingTest, ParkBlock) {
    m_window->paint();
    EXPECT_TRUE(m_window->textsAt(5, 399).empty());
    g_mainWindow.parkAirportText.set("EDDF");
    g_mainWindow.parkAirportActive = true;
    g_mainWindow.parkAirportName.set("Frankfurt");
    g_mainWindow.publisherText.set("stock");
    g_mainWindow.handmade = true;
    g_mainWindow.trafficWeek = 12;
    g_mainWindow.softFlag = true;
    g_mainWindow.standCount = 250;
    g_mainWindow.parkedLiveCount = 3;
    g_mainWindow.liveAverageHours = 2.5F;
    g_mainWindow.wantedStaticCount = 75;
    g_mainWindow.percentage = 30;
    g_mainWindow.staticCount = 70;
    g_mainWindow.pendingStaticCount = 5;
    g_mainWindow.staticAverageHours = 4.0F;
    g_mainWindow.reservedStandName.set("V155");
    g_mainWindow.reservedStandValid = false;
    m_window->paint();
    EXPECT_EQ(at(5, 399).text, "EDDF");
    EXPECT_EQ(at(85, 399).text, " Frankfurt, stock (h), wk=12");
    EXPECT_EQ(at(370, 399).text, "*S*");
    EXPECT_EQ(at(571, 399).text, "reserved stand: V155");
    EXPECT_EQ(at(571, 399).colour, kRed);
    EXPECT_EQ(at(748, 399).text, "# updates:    0");
    EXPECT_EQ(at(5, 427).text, "# stands: 250");
    EXPECT_EQ(at(111, 427).text, "parked live:   3");
    EXPECT_EQ(at(249, 427).text, "average fit: 2.5");
    EXPECT_EQ(at(430, 427).text, "static:  70");
    EXPECT_EQ(at(500, 427).text, " (5)");
    EXPECT_EQ(at(500, 427).colour, kYellow);
    EXPECT_EQ(at(571, 427).text, "average fit: 4");
    EXPECT_EQ(at(708, 427).text, "max park:  75 (=30 %)");
}

// The average parked times show from the first fraction of an hour on; none (0 or the reset -1) hides them.
TEST_F(WindowPaintingTest, AverageParkedTimesBelowOneHourAreShown) {
    g_mainWindow.parkAirportText.set("EHAM");
    g_mainWindow.parkAirportActive = true;
    g_mainWindow.wantedStaticCount = 10;
    const struct {
        float hours;
        const char* shown; // nullptr: no text
    } rows[] = {{0.1F, "average fit: 0.1"}, {1.0F, "average fit: 1"}, {0.0F, nullptr}, {-1.0F, nullptr}};
    for (const auto& row : rows) {
        g_mainWindow.liveAverageHours = row.hours;
        g_mainWindow.staticAverageHours = row.hours;
        m_window->paint();
        for (const int x : {249, 571}) {
            const auto texts = m_window->textsAt(x, 427);
            if (row.shown == nullptr) {
                EXPECT_TRUE(texts.empty()) << row.hours << " at " << x;
            } else {
                ASSERT_EQ(texts.size(), 1U) << row.hours << " at " << x;
                EXPECT_EQ(texts.front().text, row.shown);
            }
        }
    }
}

// Every text stays in its cell: clipped before the control or text to its right, and the long request about
// tblo.zip wrapped into two lines of its row, left of the Meta box.
TEST_F(WindowPaintingTest, TextsStayInsideTheirCells) {
    g_mainWindow.unrecognisedAirportCount = 2;
    g_mainWindow.simConnected = true;
    g_mainWindow.simulatorText.set(std::string(120, 'S'));
    g_mainWindow.userAircraftTitle.set(std::string(120, 'T'));
    g_mainWindow.parkAirportText.set("EHAM");
    g_mainWindow.parkAirportActive = true;
    g_mainWindow.parkAirportName.set(std::string(120, 'N'));
    gf_setStatus(std::string(300, 'x'));
    m_window->paint();
    std::vector<DisplayItem> request;
    for (const auto& item : m_window->displayList()) {
        if (item.kind != DisplayItem::Kind::Text)
            continue;
        if (item.colour == kRed && item.x0 == 303)
            request.push_back(item);
        // Nothing to the right of a text starts inside its clip.
        for (const std::uint16_t id : gf_controls().ids()) {
            const auto c = gf_controls().get(id);
            if (c->kind != ControlKind::Label && c->x > item.x0 && c->y < item.y0 + 16 && item.y0 < c->y + c->height) {
                EXPECT_LE(item.x1, c->x) << item.text << " over control " << std::hex << id;
            }
        }
        EXPECT_LE(item.x1, 880) << item.text;
        EXPECT_LE(item.y1, 477) << item.text;
    }
    ASSERT_EQ(request.size(), 2U);
    std::string joined = request[0].text + " " + request[1].text;
    EXPECT_EQ(joined, "Please send tblo.zip to the Skyfill support, so these airports can be placed");
    for (const auto& line : request) {
        EXPECT_LE(line.x1, 642);
        EXPECT_GE(line.y0, 168);
        EXPECT_LE(line.y0 + 13, 196);
        EXPECT_LE(gf_headlessTextWidth(line.text), 642 - 303);
    }
    EXPECT_LT(request[0].y0, request[1].y0);
    for (const auto& item : m_window->displayList()) {
        if (item.kind == DisplayItem::Kind::Text && item.x0 == 5 && item.y0 < 60) {
            EXPECT_LE(item.x1, 397) << item.text; // before the simulator box
        }
        if (item.kind == DisplayItem::Kind::Text && item.x0 == 85) {
            EXPECT_LE(item.x1, 430) << item.text; // before the quality factor
        }
    }
}

TEST_F(WindowPaintingTest, StatusBandShowsTheErrorWhateverTheStatusHolds) {
    gf_setStatus("Loading airports");
    m_window->pump();
    EXPECT_NE(m_window->invalidatedBands() & BAND_STATUS, 0U);
    m_window->paint();
    EXPECT_EQ(at(3, 455).text, "Loading airports");
    EXPECT_EQ(at(3, 455).colour, kYellow);
    gf_setError("41: Skyfill must be run from the Skyfill folder!");
    gf_setStatus("ignored");
    m_window->paint();
    EXPECT_TRUE(hasRect(0, 448, 881, 477, kRed));
    EXPECT_EQ(at(3, 455).text, "41: Skyfill must be run from the Skyfill folder!");

    // The countdown of the next static update.
    gf_clearError();
    g_mainWindow.standsLoaded = true;
    g_mainWindow.minutesToNextUpdate = 7;
    m_window->paint();
    EXPECT_EQ(at(5, 343).text, "(next in 7 min)");
    INITIAL_LOAD_ONLY.set(true);
    m_window->paint();
    EXPECT_EQ(at(5, 343).text, "(no next ... )");
    INITIAL_LOAD_ONLY.set(false);
    EXPECT_EQ(gf_averageHoursText(3.0F), "3");
    EXPECT_EQ(gf_averageHoursText(0.5F), "0.5");
}

TEST_F(WindowPaintingTest, TextThatIsNoUtf8IsSkippedAndLogged) {
    CALLSIGN_2_OBJECTID.set("DLH4");
    g_mainWindow.objectIdText.set("bad \xff\xfe text");
    m_window->paint();
    EXPECT_TRUE(m_window->textsAt(476, CALLSIGN_2_OBJECTID.row).empty());
    EXPECT_NE(log().find("TextOut utf8  to wide failed for 'bad "), std::string::npos);
    EXPECT_TRUE(m_window->findText("Meta:")); // painting went on
    g_mainWindow.objectIdText.set("12345");
    m_window->paint();
    EXPECT_EQ(at(476, CALLSIGN_2_OBJECTID.row).text, "12345");
    CALLSIGN_2_OBJECTID.set(std::string()); // no callsign chosen: its object id is not shown
    m_window->paint();
    EXPECT_TRUE(m_window->textsAt(476, CALLSIGN_2_OBJECTID.row).empty());
}
