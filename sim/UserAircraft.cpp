#include "sim/UserAircraft.h"
#include "sim/UserAircraftInternal.h"

#include <cmath>
#include <cstring>
#include <string_view>
#include <stdexcept>

#include <fmt/format.h>

#include "core/StatusLine.h"
#include "core/WindowFields.h"
#include "platform/simconnect/SimConnect.h"
#include "sim/AircraftRecords.h"
#include "core/Codes.h"
#include "core/Geometry.h"
#include "core/Log.h"
#include "core/ProgramState.h"
#include "core/SizeCategory.h"
#include "data/Dbase.h"
#include "data/DbaseLookups.h"
#include "data/StringPool.h"
#include "sim/SimLink.h"
#include "sim/SimLinkState.h"
#include "sim/SimQueues.h"
#include "sim/UserStand.h"

namespace skf {

namespace {

constexpr std::size_t kTitleCharacters = 48;
constexpr double kTeleportNm = 10.0;

// The user aircraft's part of the simulator link's owner; the header names the thread of each field.
UserAircraftShared& s_user = gf_simLinkState().user;

void lf_logRefusedParts(unsigned parts, const UserAircraftBlock& raw) {
    const auto refused = [](std::string_view what, const std::string& values) {
        gf_logError(
            fmt::format("User aircraft {} from the simulator refused ({}): the last good value is kept", what, values));
    };
    if ((parts & kUserPosition) != 0)
        refused("position", fmt::format("latitude {}, longitude {}", raw.latitude, raw.longitude));
    if ((parts & kUserAltitude) != 0)
        refused("altitude", fmt::format("{} ft", raw.altitude));
    if ((parts & kUserHeightAboveGround) != 0)
        refused("height above ground", fmt::format("{} ft", raw.altAboveGround));
    if ((parts & kUserHeading) != 0)
        refused("heading", fmt::format("{} rad", raw.heading));
    if ((parts & kUserAttitude) != 0)
        refused("attitude", fmt::format("pitch {} rad, bank {} rad", raw.pitch, raw.bank));
    if ((parts & kUserGroundSpeed) != 0)
        refused("ground speed", fmt::format("{} kn", raw.groundSpeed));
}

// The first n characters (UTF-8 code points) of the text.
std::string lf_firstCharacters(const std::string& text, std::size_t n) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte & 0xC0U) != 0x80U) { // a character begins here
            if (count == n) {
                return text.substr(0, i);
            }
            ++count;
        }
    }
    return text;
}

std::string lf_blockText(const SIMCONNECT_RECV_SIMOBJECT_DATA& message, std::size_t maxSize) {
    const std::size_t size = std::min(gf_simDataBlockSize(&message), maxSize);
    const auto* data = reinterpret_cast<const char*>(gf_simDataBlock(&message));
    std::size_t length = 0;
    while (length < size && data[length] != '\0') {
        ++length;
    }
    return std::string(data, length);
}

void lf_repaintWindow() {
    gf_markChanged(BAND_ALL);
}

} // namespace

bool gf_plausibleHeightFt(double feet) {
    return std::isfinite(feet) && feet >= kLowestAltitudeFt && feet <= kHighestAltitudeFt;
}

bool gf_plausibleAngleRad(double radians) {
    return std::isfinite(radians) && std::fabs(radians) <= g_fullTurn;
}

unsigned gf_keepPlausibleUserBlock(UserAircraftBlock& received, const UserAircraftBlock& lastGood) {
    unsigned refused = 0;
    if (!(std::isfinite(received.latitude) && std::isfinite(received.longitude) &&
          std::fabs(received.latitude) <= 90.0 && std::fabs(received.longitude) <= 180.0)) {
        received.latitude = lastGood.latitude;
        received.longitude = lastGood.longitude;
        refused |= kUserPosition;
    }
    if (!gf_plausibleHeightFt(received.altitude)) {
        received.altitude = lastGood.altitude;
        refused |= kUserAltitude;
    }
    if (!gf_plausibleHeightFt(received.altAboveGround)) {
        received.altAboveGround = lastGood.altAboveGround;
        refused |= kUserHeightAboveGround;
    }
    if (!gf_plausibleAngleRad(received.heading)) {
        received.heading = lastGood.heading;
        refused |= kUserHeading;
    }
    if (!gf_plausibleAngleRad(received.pitch) || !gf_plausibleAngleRad(received.bank)) {
        received.pitch = lastGood.pitch;
        received.bank = lastGood.bank;
        refused |= kUserAttitude;
    }
    if (!(std::isfinite(received.groundSpeed) && std::fabs(received.groundSpeed) <= kHighestGroundSpeedKn)) {
        received.groundSpeed = lastGood.groundSpeed;
        refused |= kUserGroundSpeed;
    }
    return refused;
}

bool gf_holdsPosition(double latitude, double longitude) {
    return std::fabs(latitude) > 0.0001 || std::fabs(longitude) > 0.0001;
}

UserAircraftState SharedUserAircraft::get() const {
    std::lock_guard lock(m_mutex);
    return m_state;
}

void SharedUserAircraft::setBlock(const UserAircraftBlock& block) {
    std::lock_guard lock(m_mutex);
    m_state.block = block;
}

void SharedUserAircraft::setGround(bool onGround) {
    std::lock_guard lock(m_mutex);
    m_state.onGround = onGround ? 1 : 0;
    m_state.known = 1;
}

void SharedUserAircraft::reset() {
    std::lock_guard lock(m_mutex);
    m_state = UserAircraftState{};
}

std::optional<double> SharedHalfWingspan::get() const {
    std::lock_guard lock(m_mutex);
    return m_value;
}

void SharedHalfWingspan::set(double halfWingspanNm) {
    std::lock_guard lock(m_mutex);
    m_value = halfWingspanNm;
}

void SharedHalfWingspan::reset() {
    std::lock_guard lock(m_mutex);
    m_value.reset();
}

UserAircraftBlock gf_receivedUserBlock() {
    std::lock_guard lock(s_user.receivedMutex);
    return s_user.received;
}

std::string gf_userTitle() {
    std::lock_guard lock(s_user.titleMutex);
    return s_user.title;
}

void gf_resetUserAircraft() {
    s_user.aircraft.reset();
    s_user.halfWingspan.reset();
    s_user.dataArrived = false;
    {
        std::lock_guard lock(s_user.receivedMutex);
        s_user.received = UserAircraftBlock{};
        s_user.previousLat = 0.0;
        s_user.previousLon = 0.0;
    }
    {
        std::lock_guard lock(s_user.titleMutex);
        s_user.title.clear(); // shown again in the next run's window
    }
    s_user.shownStandName.clear();
    {
        std::lock_guard lock(s_user.standRefreshMutex);
        s_user.standRefreshes.clear();
    }
    s_user.badTimeLogged = false;
    s_user.refusedPartsLogged = 0;
}

std::optional<std::uint64_t> gf_simEpochOf(const UserAircraftBlock& block) {
    // Only a broken simulator sends more; such values would overflow the day count below.
    if (block.year < 1 || block.year > 9999 || block.dayOfYear < 1 || block.dayOfYear > 366 || block.zuluTime < 0 ||
        block.zuluTime > 86400)
        return std::nullopt;
    const std::int64_t y = block.year - 1;
    const auto floorDiv = [](std::int64_t a, std::int64_t b) {
        return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
    };
    const std::int64_t days = block.dayOfYear - 719163 + 365 * y + floorDiv(y, 4) - floorDiv(y, 100) + floorDiv(y, 400);
    const std::int64_t seconds = days * 86400 + block.zuluTime;
    return seconds > 0 ? static_cast<std::uint64_t>(seconds) : 0U;
}

void gf_requestUserAircraftInfo() {
    bool titleFailed = false;
    bool modelFailed = false;
    {
        std::lock_guard lock(g_simCommandMutex);
        const SimHandle handle = g_simConnect.load();
        titleFailed = gf_simFailed(SimConnect_RequestDataOnSimObject(
            handle, SIM_REQ_USER_TITLE, SIM_DEF_USER_TITLE, SIMCONNECT_OBJECT_ID_USER, SIMCONNECT_PERIOD_ONCE));
        modelFailed = gf_simFailed(SimConnect_RequestDataOnSimObject(
            handle, SIM_REQ_USER_MODEL, SIM_DEF_USER_MODEL, SIMCONNECT_OBJECT_ID_USER, SIMCONNECT_PERIOD_ONCE));
    }
    if (titleFailed) {
        gf_logError("SimConnect request user ac title fails");
        gf_simRequestError();
    }
    if (modelFailed) {
        gf_logError("SimConnect reques user ac model fails");
        gf_simRequestError();
    }
}

void gf_requestUserPosition(UserAircraftState& destination) {
    if (!g_simHalted.load()) {
        bool failed = false;
        {
            std::lock_guard lock(g_simCommandMutex);
            failed = gf_simFailed(SimConnect_RequestDataOnSimObject(g_simConnect.load(), SIM_REQ_USER_POSITION,
                                                                    SIM_DEF_USER_POSITION, SIMCONNECT_OBJECT_ID_USER,
                                                                    SIMCONNECT_PERIOD_ONCE));
        }
        if (failed) {
            gf_logError("SimConnect request user ac position fails");
            gf_simRequestError();
        }
    }
    g_userAircraft.setBlock(gf_receivedUserBlock());
    destination = g_userAircraft.get();

    // The stand under the user aircraft, worked out here on the engine's thread (the stand table is its own).
    const std::string standName = gf_standNameAt(destination);
    if (standName != s_user.shownStandName) {
        g_mainWindow.userStandText.set(standName);
        lf_repaintWindow();
        s_user.shownStandName = standName;
    }
}

UserAircraftState gf_requestUserPosition() {
    UserAircraftState state;
    gf_requestUserPosition(state);
    return state;
}

void gf_requestUserStandRefresh() {
    UserAircraftState state = g_userAircraft.get();
    state.block = gf_receivedUserBlock();
    // Only a user aircraft that is known and stands still can reserve a stand.
    if (state.known == 0 || state.block.groundSpeed > 2.0) {
        return;
    }
    std::lock_guard lock(s_user.standRefreshMutex);
    if (s_user.standRefreshes.size() >= kMaxStandRefreshes) {
        s_user.standRefreshes.erase(s_user.standRefreshes.begin());
    }
    s_user.standRefreshes.push_back(state);
}

std::vector<std::string> gf_takeUserStandRefresh() {
    std::vector<UserAircraftState> asked;
    {
        std::lock_guard lock(s_user.standRefreshMutex);
        asked.swap(s_user.standRefreshes);
    }
    std::vector<std::string> names;
    for (const UserAircraftState& state : asked) {
        std::string name = gf_standNameAt(state);
        if (!name.empty()) {
            names.push_back(std::move(name));
        }
    }
    return names;
}

void lf_onUserOnGround(const SIMCONNECT_RECV_SIMOBJECT_DATA& message) {
    const UserAircraftBlock received = gf_receivedUserBlock();
    if (gf_holdsPosition(received.latitude, received.longitude) && gf_simDataBlockSize(&message) >= 8) {
        std::int64_t onGround = 0;
        std::memcpy(&onGround, gf_simDataBlock(&message), sizeof onGround);
        g_userAircraft.setGround(onGround != 0);
    }
    g_userDataArrived = true;
}

void lf_onUserPosition(const SIMCONNECT_RECV_SIMOBJECT_DATA& message) {
    if (gf_simDataBlockSize(&message) < sizeof(UserAircraftBlock)) {
        gf_logError("SIMCONNECT_EXCEPTION_INVALID_DATA_SIZE");
        return;
    }
    UserAircraftBlock block;
    std::memcpy(&block, gf_simDataBlock(&message), sizeof block);
    const UserAircraftBlock raw = block;
    bool teleport = false;
    unsigned refused = 0;
    {
        std::lock_guard lock(s_user.receivedMutex);
        // Refused before anything uses them: a latitude of 95 is no teleport, a NaN never reaches the
        // engine or the position line to RealTraffic.
        refused = gf_keepPlausibleUserBlock(block, s_user.received);
        if (block.altAboveGround < 0.0) {
            block.altAboveGround = 0.0;
        }
        s_user.received = block;
        if (gf_holdsPosition(s_user.previousLat, s_user.previousLon) &&
            gf_holdsPosition(block.latitude, block.longitude) &&
            gf_distanceNm(s_user.previousLat, s_user.previousLon, block.latitude, block.longitude) > kTeleportNm) {
            teleport = true;
        }
        s_user.previousLat = block.latitude;
        s_user.previousLon = block.longitude;
    }
    if (const unsigned firstTime = refused & ~s_user.refusedPartsLogged.fetch_or(refused); firstTime != 0) {
        lf_logRefusedParts(firstTime, raw);
    }
    if (teleport) {
        gf_log("Teleport");
        gf_raiseStop(ExitReason::NewFlight, 45);
    }
    if (g_rtProfessional.load()) {
        // An implausible time keeps the last good one; it is logged once per run.
        if (const auto epoch = gf_simEpochOf(block)) {
            g_simEpochTime = *epoch;
            g_simEpochSeconds = static_cast<double>(*epoch);
        } else if (!s_user.badTimeLogged.exchange(true)) {
            gf_logError(fmt::format("Simulator time refused: year {}, day {}, time {}", block.year, block.dayOfYear,
                                    block.zuluTime));
        }
    }
    g_userObjectId = message.dwObjectID;
}

void lf_onUserTitle(const SIMCONNECT_RECV_SIMOBJECT_DATA& message) {
    const std::string title = lf_blockText(message, 4096);
    if (title.empty()) {
        gf_log("! Title of your aircraft is empty?");
        return;
    }
    const std::string shown = lf_firstCharacters(title, kTitleCharacters);
    {
        std::lock_guard lock(s_user.titleMutex);
        if (shown == s_user.title) {
            return;
        }
        s_user.title = shown;
    }
    g_mainWindow.userAircraftTitle.set(shown);
    lf_repaintWindow();
    gf_log("SimConnect: User aircraft title: ");
    gf_logIndented(shown);
}

void lf_onUserModel(const SIMCONNECT_RECV_SIMOBJECT_DATA& message) {
    lf_identifyUserModel(lf_blockText(message, 32));
}

namespace {

// The half wingspan of a model code (NM); 0 for the empty code or an unknown one.
double lf_halfWingspanOfCode(const std::string& modelCode) {
    return modelCode.empty() ? 0.0 : gf_halfWingspan(gf_internModel(modelCode));
}

void lf_identifyUserModelSteps(std::string model) {
    const double largest = g_maxHalfWingspan;
    if (model.empty()) {
        g_mainWindow.userModelText.set("Unknown (encrypted?) aircraft");
        lf_repaintWindow();
        gf_setStatus("171: No model info from your user aircraft received in SimConnect, CRJ7 is taken instead", true);
        const double crj7 = lf_halfWingspanOfCode("CRJ7");
        g_userHalfWingspan.set(crj7 != 0.0 ? crj7 : largest);
        return;
    }
    gf_logIndented(fmt::format("model raw: {}", model));
    const std::string title = gf_userTitle();
    if (model == "A350-900") {
        model = "A359";
    } else if (model == "N738B") {
        model = "B38M";
    } else if (model == "777") {
        model = "772";
    } else if (model == "A330-200 (RR)") {
        model = "A332";
    } else if (const auto at = model.find(".0.text"); at != std::string::npos) {
        for (std::size_t k = 4; k >= 2; --k) {
            if (at >= k) {
                const std::string candidate = model.substr(at - k, k);
                if (lf_halfWingspanOfCode(candidate) != 0.0) {
                    model = candidate;
                    break;
                }
            }
        }
    } else if (model.size() >= 5 && model.compare(0, 3, "$$:") == 0) {
        model = model.substr(3);
    } else if (model == "737") {
        if (title.find("DG 737-800") != std::string::npos) {
            model = "B738";
        } else if (title.find("DG 737-700") != std::string::npos) {
            model = "B737";
        } else if (title.find("DG 737-600") != std::string::npos) {
            model = "B736";
        } else if (title.find("DG 737-900") != std::string::npos) {
            model = "B739";
        }
    }

    std::string summary = "SimConnect: User aircraft model: " + model;
    g_mainWindow.userModelText.set(model);
    if (model.find("camerapod") != std::string::npos || model.find("Crew Vessel") != std::string::npos) {
        g_mainWindow.userModelRecognised = true;
        lf_repaintWindow();
        g_userHalfWingspan.set(lf_halfWingspanOfCode("E190"));
        gf_logIndented(summary);
        return;
    }
    // A model without a wingspan entry (0) counts as unknown, like a model that is no ICAO type.
    double halfWingspan = model.size() < 5 ? lf_halfWingspanOfCode(model) : largest;
    bool known = halfWingspan != 0.0 && halfWingspan != largest;
    if (!known) {
        halfWingspan = largest;
        static const char* const kAerosoft[] = {"Aerosoft A319", "Aerosoft A320", "Aerosoft A321"};
        for (const char* prefix : kAerosoft) {
            if (title.size() >= 13 && title.compare(0, 13, prefix) == 0) {
                model = std::string(prefix + 9, 4);
                summary = "SimConnect: User aircraft model deduced from title: " + model;
                g_mainWindow.userModelText.set(model);
                const double deduced = lf_halfWingspanOfCode(model);
                halfWingspan = deduced != 0.0 ? deduced : largest;
                known = halfWingspan != largest;
                break;
            }
        }
        if (!known) {
            g_mainWindow.userModelRecognised = false;
            lf_repaintWindow();
            gf_setStatus("User aircraft wing span unknown, max is taken instead, please report in my Forum!", true);
        }
    }
    if (known) {
        g_mainWindow.userModelRecognised = true;
        lf_repaintWindow();
        summary += fmt::format(", half wing span: {:.1F} meter", halfWingspan * g_nmToMetres);
    }
    g_userHalfWingspan.set(halfWingspan);
    summary += fmt::format(", category: {}", gf_sizeCategoryName(gf_modelCategoryByName(model)));
    gf_logIndented(summary);
}

} // namespace

void lf_identifyUserModel(const std::string& model) {
    try {
        lf_identifyUserModelSteps(model);
    } catch (const UserErrorException&) {
        throw;
    } catch (...) {
        throw UserErrorException(73, "It looks like you have not selected an aircraft as user vehicle");
    }
}

} // namespace skf
