// The park airport's state and its owning thread.
#include "data/apf/ParkApfState.h"

#include "core/ThreadOwner.h"

namespace skf {

namespace {
ParkApfState s_parkApf;
ThreadOwner s_parkApfThread;
} // namespace

// Bound to members of a state of static storage: constant initialisation, valid before any constructor runs.
Airport& g_parkAirport = s_parkApf.parkAirport;
std::vector<Stand>& g_stands = s_parkApf.file.stands;
ParkApfInfo& g_parkApfInfo = s_parkApf.file.info;
std::filesystem::path& g_learnedApfPath = s_parkApf.file.learnedApfPath;
QualityFactor& g_qualityFactor = s_parkApf.file.qualityFactor;
bool& g_handmadeApf = s_parkApf.file.handmade;
std::atomic<int32_t>& g_rtTrafficWeek = s_parkApf.shared.rtTrafficWeek;
std::atomic<bool>& g_parkStandsLoaded = s_parkApf.shared.parkStandsLoaded;
std::atomic<double>& g_trafficReferenceElevation = s_parkApf.shared.trafficReferenceElevation;
std::atomic<bool>& g_trafficReferenceElevationValid = s_parkApf.shared.trafficReferenceElevationValid;
std::atomic<uint32_t>& g_learnedUpdates = s_parkApf.shared.learnedUpdates;

ParkApfShared& ParkApfShared::operator=(const ParkApfShared& other) noexcept {
    rtTrafficWeek = other.rtTrafficWeek.load();
    parkStandsLoaded = other.parkStandsLoaded.load();
    trafficReferenceElevation = other.trafficReferenceElevation.load();
    trafficReferenceElevationValid = other.trafficReferenceElevationValid.load();
    learnedUpdates = other.learnedUpdates.load();
    return *this;
}

ParkApfState& gf_parkApfState() {
    return s_parkApf;
}

void gf_bindParkApfThread() {
    s_parkApfThread.bind();
}

void gf_checkParkApfThread(const char* where) {
    s_parkApfThread.check(where);
}

} // namespace skf
