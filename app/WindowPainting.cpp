#include "app/WindowPainting.h"

#include <fmt/format.h>

#include <cmath>
#include <vector>

#include "app/MainWindow.h"
#include "app/TextCells.h"
#include "core/Codes.h"
#include "core/Log.h"
#include "core/ProgramState.h"
#include "core/ShellState.h"
#include "core/StatusLine.h"
#include "core/WindowFields.h"
#include "core/settings/Catalogue.h"
#include "platform/system/Encoding.h"
#include "platform/ui/ControlModel.h"

namespace skf {

namespace {

constexpr const char* kHeaderText = "Live and static AI traffic";
constexpr const char* kTbloRequestText = "Please send tblo.zip to the Skyfill support, so these airports can be placed";
// The first line of the park block, below the parking controls' row.
constexpr int kParkBlockTop = 399;

bool lf_controlEnabled(const ParameterControl& record) {
    return gf_controls().isEnabled(record.controlId);
}

} // namespace

std::string gf_averageHoursText(float hours) {
    if (std::floor(hours) != hours)
        return fmt::format("{:.1f}", hours);
    return fmt::format("{:.0f}", hours);
}

void lf_paintText(Painter& painter, int x, int y, const std::string& text, Colour colour) {
    if (!gf_isValidUtf8(text)) {
        if (!g_stopRun.load() && !g_shutDown.load())
            gf_log(fmt::format("TextOut utf8  to wide failed for '{}': {}", text, "invalid UTF-8"));
        return;
    }
    painter.text(x, y, text, colour);
}

namespace {

// The controls, which the texts keep out of.
std::vector<CellBlock> lf_controlBlocks() {
    std::vector<CellBlock> blocks;
    for (const std::uint16_t id : gf_controls().ids()) {
        const auto c = gf_controls().get(id);
        if (c && c->kind != ControlKind::Label)
            blocks.push_back(CellBlock{c->x, c->y, c->x + c->width, c->y + c->height});
    }
    return blocks;
}

} // namespace

void lf_paintWindow(Painter& target) {
    CellLayoutPainter p(target, lf_controlBlocks(), kClientWidth, kClientHeight);
    lf_paintBands(p);
    p.finish();
}

void lf_paintBands(Painter& p) {
    p.fillRect(0, 0, 880, 28, kBlack);
    p.fillRect(0, 28, 880, 112, kBlack);
    p.fillRect(0, 112, 880, 392, kLightBlue);
    p.fillRect(0, 392, 880, 448, kBlack);
    p.fillRect(0, 448, 880, 476, kLime);
    p.line(0, 28, 880, 28, kWhite);
    p.line(0, 113, 880, 113, kWhite);
    p.line(0, 449, 880, 449, kWhite);
    p.line(0, 392, 880, 392, kWhite);

    lf_paintText(p, 3, 7, fmt::format("Version {}", gf_versionText(g_programVersion)), kLime);
    lf_paintText(p, 390, 7, kProgramName, kLime);
    lf_paintText(p, 632, 7, kHeaderText, kLime);

    static constexpr int kSeparators[7][4] = {{0, 140, 880, 140}, {0, 168, 642, 168}, {0, 196, 642, 196},
                                              {0, 224, 642, 224}, {0, 252, 642, 252}, {0, 280, 642, 280},
                                              {0, 308, 880, 308}};
    for (const auto& s : kSeparators)
        p.line(s[0], s[1], s[2], s[3], kBlack);
    p.line(642, 140, 642, 308, kBlack);

    lf_paintIndicators(p);
    if (g_mainWindow.realTrafficLinkUp.load()) {
        const std::int32_t weather = g_mainWindow.weatherReaderState.load();
        if ((weather == 1 || weather == 2) && g_mainWindow.qnh.load() >= 1)
            lf_paintText(p, 642, 63, fmt::format("qnh: {:4}", g_mainWindow.qnh.load()), kLime);
        const std::int32_t traffic = g_mainWindow.trafficReaderState.load();
        if (traffic == 1 || traffic == 2)
            lf_paintText(p, 642, 91, fmt::format("live: {:3}", g_mainWindow.liveCount.load()), kLime);
    }
    lf_paintLabels(p);
    lf_paintParkBlock(p);
    lf_paintStatusBand(p);
}

void lf_paintIndicators(Painter& p) {
    const bool connected = g_mainWindow.simConnected.load();
    const std::string title = g_mainWindow.userAircraftTitle.get();
    Colour sim = kRed;
    if (connected)
        sim = (g_mainWindow.simRunning.load() && !title.empty()) ? kLime : kYellow;
    p.fillRect(397, 30, 426, 113, sim);
    lf_paintText(p, 398, 63, "Sim", kLime);

    if (!connected) {
        lf_paintText(p, 5, 35, "MSFS", kLime);
    } else {
        std::string line = g_mainWindow.simulatorText.get();
        const std::string stand = g_mainWindow.userStandText.get();
        if (!stand.empty())
            line += ", user stand " + stand;
        lf_paintText(p, 5, 35, line, sim);
        lf_paintText(p, 5, 63, title, g_mainWindow.userModelRecognised.load() ? sim : kYellow);
    }

    const std::uint64_t liveries = g_mainWindow.liveryCount.load();
    if (liveries > 0)
        lf_paintText(p, 5, 91, fmt::format("# liveries: {}", liveries), kLime);
    else
        lf_paintText(p, 5, 91, "# liveries: ...", kRed);

    const std::uint64_t addons = g_mainWindow.addonAirportCount.load();
    lf_paintText(p, 141, 91, addons > 0 ? fmt::format("# simaddon: {}", addons) : "# simaddon: ...",
                 addons > 0 ? kLime : kYellow);
    const std::uint64_t others = g_mainWindow.otherPublisherAirportCount.load();
    lf_paintText(p, 278, 91, others > 0 ? fmt::format("# thirdp: {}", others) : "# thirdp: ...",
                 others > 0 ? kLime : kYellow);

    const bool linkUp = g_mainWindow.realTrafficLinkUp.load();
    const std::int32_t traffic = g_mainWindow.trafficReaderState.load();
    const std::int32_t weather = g_mainWindow.weatherReaderState.load();
    Colour rt = kRed;
    if (g_mainWindow.startUp.load())
        rt = kBlack;
    else if (linkUp)
        rt = traffic == 1 ? kLime : kYellow;
    p.fillRect(425, 30, 454, 113, rt);
    lf_paintText(p, 430, 63, "RT", kLime);

    if (linkUp) {
        lf_paintText(p, 458, 35, g_mainWindow.realTrafficEditionText.get(), traffic == 1 ? kLime : kYellow);
        if (weather != 3)
            lf_paintText(p, 458, 63, "Weather", weather == 1 ? kLime : kYellow);
        if (traffic != 3)
            lf_paintText(p, 458, 91, "Traffic", traffic == 1 ? kLime : kYellow);
    }
    p.line(425, 29, 425, 112, kBlack);
}

void lf_paintLabels(Painter& p) {
    auto label = [&](const char* text, int x, const ParameterControl& record, Colour colour = kBlack) {
        lf_paintText(p, x, record.row, text, colour);
    };
    label("Meta:", 652, ALWAYS_ON_TOP);
    label("Stay on top", 768, ALWAYS_ON_TOP);
    label("Oid list", 672, OBJECTID_LIST);
    label("Nav lights", 768, NAV_LIGHTS_WHILE_PARKED);
    label("GUID changes", 768, GUID_CHANGES, GUID_CHANGES.value() ? kBlack : kYellow);
    label("Aerowinx", 672, AEROWINX, AEROWINX.value() ? kYellow : kBlack);
    label("Scan for liveries", 25, SCAN_LIVERIES, SCAN_LIVERIES.value() ? kYellow : kBlack);
    label("Automatic:", 237, LIG_AUTOMATIC);
    label("Prioritize", 556, LIG_PRIORITIZE);
    label("Scan for addon airports", 25, SCAN_AIRPORTS, SCAN_AIRPORTS.value() ? kYellow : kBlack);
    if (g_mainWindow.unrecognisedAirportCount.load() != 0)
        label(kTbloRequestText, 303, SCAN_AIRPORTS, kRed);
    label("Max aircraft matching depth", 5, MATCHING_DEPTH);
    label("Optional:", 258, LIGHT_AIRCRAFT);
    label("Light aircraft", 343, LIGHT_AIRCRAFT, lf_controlEnabled(LIGHT_AIRCRAFT) ? kBlack : kGrey);
    label("Helicopters", 450, HELICOPTERS, lf_controlEnabled(HELICOPTERS) ? kBlack : kGrey);
    label("FighterJets", 556, HIGH_PERF_AIRCRAFT, lf_controlEnabled(HIGH_PERF_AIRCRAFT) ? kBlack : kGrey);
    label("Traffic injection", 5, RANGE);
    label("Radius:", 163, RANGE);
    label("nm, or", 270, RANGE);
    label("Auto range", 343, AUTO_RANGE);
    label("Ah:", 430, AR_ABOVE_HEIGHT, AUTO_RANGE.value() ? kBlack : kGrey);
    label("ft", 536, AR_ABOVE_HEIGHT, AUTO_RANGE.value() ? kBlack : kGrey);
    label("AirOnly", 592, AIRBORNE_ONLY, AIRBORNE_ONLY.value() ? kYellow : kBlack);
    label("Block callsign:", 5, BLOCK_CALLSIGN);
    const std::string objectId = g_mainWindow.objectIdText.get();
    if (!CALLSIGN_2_OBJECTID.value().empty() && !objectId.empty())
        lf_paintText(p, 476, CALLSIGN_2_OBJECTID.row, objectId, kBlack);
    label("Collision avoidance", 5, COLLISION_USER_GND);
    label("User ground", 237, COLLISION_USER_GND);
    label("User air", 343, COLLISION_USER_AIR);
    label("Live X parked", 450, COLLISION_LIVE_PARKED_GND);
    const bool busy = g_parkingBusy.load();
    label("Airport parking", 5, MAX_PARK_SEL, busy ? kYellow : kBlack);
    const bool parkZero = MAX_PARK_SEL.value() == 0;
    const bool liveZero = MAX_LIVE_SEL.value() == 0;
    label("Max park (static+live):", 171, MAX_PARK_SEL, parkZero && liveZero ? kRed : (parkZero ? kYellow : kBlack));
    label("Max live (park incl):", 401, MAX_LIVE_SEL, parkZero && liveZero ? kRed : (liveZero ? kYellow : kBlack));
    label("Straight push backs only", 672, STRAIGHT_PBS_ONLY, STRAIGHT_PBS_ONLY.value() ? kBlack : kGrey);
    label("Destination:", 137, DESTINATION);
    label("Range:", 303, AIRP_RANGE);
    label("nm", 403, AIRP_RANGE);
    label("Height above gnd:", 440, AIRP_HEIGHT);
    label("ft", 646, AIRP_HEIGHT);
    if (g_mainWindow.standsLoaded.load() && !busy) {
        if (!INITIAL_LOAD_ONLY.value()) {
            const std::int32_t minutes = g_mainWindow.minutesToNextUpdate.load();
            if (minutes >= 1 && minutes < 20)
                lf_paintText(p, 5, AIRP_RANGE.row, fmt::format("(next in {} min)", minutes), kBlack);
        } else {
            lf_paintText(p, 5, AIRP_RANGE.row, "(no next ... )", kBlack);
        }
    }
    label("ILO", 25, INITIAL_LOAD_ONLY, INITIAL_LOAD_ONLY.value() ? kYellow : kBlack);
    label("Week", 91, WEEK);
    label("Soft", 171, PARK_SOFT);
    label("Target: ", 264, parking_percentage);
    label("%", 378, parking_percentage);
    label("Max fit:", 506, MAX_FIT_FL);
    label("hrs", 632, MAX_FIT_FL);
}

void lf_paintParkBlock(Painter& p) {
    const std::string parkText = g_mainWindow.parkAirportText.get();
    if (parkText.empty())
        return;
    const int y1 = kParkBlockTop;
    const int y2 = y1 + 28;
    const bool active = g_mainWindow.parkAirportActive.load();
    lf_paintText(p, 5, y1, parkText, active ? kLime : kYellow);
    if (!active)
        return;

    lf_paintText(p, 85, y1,
                 fmt::format(" {}, {}{}, wk={}", g_mainWindow.parkAirportName.get(), g_mainWindow.publisherText.get(),
                             g_mainWindow.handmade.load() ? " (h)" : "", g_mainWindow.trafficWeek.load()),
                 kLime);
    const bool soft = g_mainWindow.softFlag.load();
    const bool week = g_mainWindow.weekFlag.load();
    if (soft && week)
        lf_paintText(p, 370, y1, "*WS*", kLime);
    else if (soft)
        lf_paintText(p, 370, y1, "*S*", kLime);
    else if (week)
        lf_paintText(p, 370, y1, "*W*", kLime);
    lf_paintText(p, 430, y1, fmt::format("qf: {}", g_mainWindow.qualityFactorText.get()), kLime);
    const std::string reserved = g_mainWindow.reservedStandName.get();
    if (!reserved.empty())
        lf_paintText(p, 571, y1, fmt::format("reserved stand: {}", reserved),
                     g_mainWindow.reservedStandValid.load() ? kLime : kRed);
    lf_paintText(p, 748, y1, fmt::format("# updates: {:4}", g_mainWindow.learnedUpdates.load()), kLime);

    lf_paintText(p, 5, y2, fmt::format("# stands: {:3}", g_mainWindow.standCount.load()), kLime);
    lf_paintText(p, 111, y2, fmt::format("parked live: {:3}", g_mainWindow.parkedLiveCount.load()), kLime);
    const float liveHours = g_mainWindow.liveAverageHours.load();
    if (liveHours > 0)
        lf_paintText(p, 249, y2, fmt::format("average fit: {}", gf_averageHoursText(liveHours)), kLime);
    const std::int32_t wanted = g_mainWindow.wantedStaticCount.load();
    if (wanted > 0) {
        lf_paintText(p, 430, y2, fmt::format("static: {:3}", g_mainWindow.staticCount.load()), kLime);
        const std::uint64_t pending = g_mainWindow.pendingStaticCount.load();
        if (pending != 0)
            lf_paintText(p, 500, y2, fmt::format(" ({})", pending), kYellow);
        const float staticHours = g_mainWindow.staticAverageHours.load();
        if (!week && staticHours > 0)
            lf_paintText(p, 571, y2, fmt::format("average fit: {}", gf_averageHoursText(staticHours)), kLime);
    }
    if (wanted != 0)
        lf_paintText(p, 708, y2, fmt::format("max park: {:3} (={} %)", wanted, g_mainWindow.percentage.load()), kLime);
    else
        lf_paintText(p, 708, y2, "no max park live", kLime);
}

void lf_paintStatusBand(Painter& p) {
    const StatusSnapshot status = gf_statusSnapshot();
    if (!status.errorText.empty()) {
        p.fillRect(0, 448, 881, 477, kRed);
        lf_paintText(p, 3, 455, status.errorText, kYellow);
    } else {
        p.fillRect(0, 448, 881, 477, kLime);
        if (!status.statusText.empty())
            lf_paintText(p, 3, 455, status.statusText, kYellow);
    }
}

} // namespace skf
