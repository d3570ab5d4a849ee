#include "app/ControlStates.h"

#include "app/ControlCommands.h"
#include "core/ControlFields.h"
#include "core/settings/Catalogue.h"
#include "platform/ui/Window.h"

#include <string>
#include <vector>

namespace skf {

namespace {

// Constructed before any thread of the program runs, so no change is missed.
ControlFieldWatch g_controlFieldWatch;

// The controls a static-parking calculation reads ("Now" only while its update is not once only).
void lf_enableParkingControls(bool on) {
    parking_percentage.enable(on);
    MAX_FIT_FL.enable(on);
    MAX_PARK_SEL.enable(on);
    MAX_LIVE_SEL.enable(on);
    WEEK.enable(on);
    PARK_SOFT.enable(on);
    g_flushStaticButton.enable(on);
    g_reReadButton.enable(on);
    if (!INITIAL_LOAD_ONLY.value())
        g_nowButton.enable(on);
}

void lf_apply(ControlField field) {
    const bool on = gf_controlField(field);
    switch (field) {
    case ControlField::ParkingBusy:
        lf_enableParkingControls(!on);
        g_nowAllowed = true;
        break;
    case ControlField::ParkStands:
        // Released: nothing left to flush or to update now.
        if (!on && !INITIAL_LOAD_ONLY.value())
            g_nowButton.disable();
        g_flushStaticButton.enable(on);
        break;
    case ControlField::Destination:
        DESTINATION.enable(on);
        break;
    case ControlField::LiveCallsigns:
        CALLSIGN_2_OBJECTID.enable(on);
        g_blockButton.enable(on);
        if (on)
            g_unblockButton.disable();
        break;
    case ControlField::AirportRange:
        RANGE.enable(on);
        break;
    case ControlField::AirportRangeMode:
        // a learned file's range mode keeps the status line: it may hold the read's own warning
        gf_applyRangeMode(false);
        break;
    case ControlField::AirportLoadOnly:
        g_nowButton.enable(!on && g_nowAllowed.load());
        break;
    case ControlField::AirportPercentage:
        parking_percentage.enable(on);
        break;
    case ControlField::LightLiveries:
        LIGHT_AIRCRAFT.enable(on);
        break;
    case ControlField::HighPerfLiveries:
        HIGH_PERF_AIRCRAFT.enable(on);
        break;
    case ControlField::RotorLiveries:
        HELICOPTERS.enable(on);
        break;
    case ControlField::TbloArchive:
        g_tbloZipButton.enable(on);
        break;
    }
}

} // namespace

void gf_applyControlStates() {
    for (const ControlField field : g_controlFieldWatch.takeChanged())
        lf_apply(field);
    gf_showWarningBoxes();
}

void gf_showWarningBoxes() {
    const std::vector<std::string> boxes = gf_takeWarningBoxes();
    if (boxes.empty())
        return;
    // Told also when a box failed: a caller that waits for its box must not wait for ever.
    struct ClosedGuard {
        ~ClosedGuard() { gf_warningBoxesClosed(); }
    } closed;
    for (const std::string& text : boxes)
        gf_messageBox(text, "SKFL", MessageBoxIcon::Exclamation);
}

} // namespace skf
