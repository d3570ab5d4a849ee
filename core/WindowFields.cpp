#include "core/WindowFields.h"

#include "core/ControlFields.h"
#include "core/settings/Catalogue.h"

#include <iterator>

namespace skf {

constinit MainWindow g_mainWindow;
constinit CallsignList g_callsignList;

namespace {

constexpr Band kBands[] = {BAND_INDICATORS, BAND_MIDDLE, BAND_PARK, BAND_STATUS};
static_assert(std::size(kBands) == BandChangeWatch::kBandCount);
constinit std::atomic<std::uint64_t> g_bandChanges[std::size(kBands)] = {};

} // namespace

void gf_markChanged(std::uint32_t bands) {
    for (std::size_t i = 0; i < std::size(kBands); ++i) {
        if ((bands & kBands[i]) != 0)
            g_bandChanges[i].fetch_add(1);
    }
}

std::uint64_t gf_bandChangeCount(Band band) {
    for (std::size_t i = 0; i < std::size(kBands); ++i) {
        if (band == kBands[i])
            return g_bandChanges[i].load();
    }
    return 0;
}

BandChangeWatch::BandChangeWatch() {
    for (std::size_t i = 0; i < std::size(kBands); ++i)
        m_seen[i] = g_bandChanges[i].load();
}

std::uint32_t BandChangeWatch::takeChanged() {
    std::uint32_t changed = 0;
    for (std::size_t i = 0; i < std::size(kBands); ++i) {
        const std::uint64_t now = g_bandChanges[i].load();
        if (now != m_seen[i]) {
            m_seen[i] = now;
            changed |= kBands[i];
        }
    }
    return changed;
}

void MainWindow::resetForRestart() {
    userAircraftTitle.clear();
    parkAirportName.clear();
    publisherText.clear();
    qualityFactorText.clear();
    simulatorText.clear();
    realTrafficEditionText.clear();
    userStandText.clear();
    startUp = true;
    userModelRecognised = true;
    realTrafficLinkUp = false;
    parkAirportActive = false;
    simConnected = false;
    simRunning = false;
    handmade = false;
    softFlag = false;
    weekFlag = false;
    qnh = 0;
    wantedStaticCount = 0;
    learnedUpdates = 0;
    liveCount = 0;
    parkedLiveCount = 0;
    staticCount = 0;
    standCount = 0;
    staticAverageHours = -1.0F;
    liveAverageHours = -1.0F;
    trafficReaderState = READER_STOPPED;
    weatherReaderState = READER_STOPPED;
}

std::vector<std::string> CallsignList::entries() const {
    std::lock_guard lock(m_mutex);
    if (m_entries.empty())
        return {std::string()};
    return m_entries;
}

void CallsignList::set(std::vector<std::string> entries) {
    std::lock_guard lock(m_mutex);
    m_entries = std::move(entries);
}

void CallsignList::add(const std::string& entry) {
    std::lock_guard lock(m_mutex);
    if (m_entries.empty())
        m_entries.emplace_back();
    m_entries.push_back(entry);
}

void CallsignList::reset() {
    std::lock_guard lock(m_mutex);
    m_entries.clear();
}

std::size_t CallsignList::size() const {
    std::lock_guard lock(m_mutex);
    return m_entries.empty() ? 1 : m_entries.size();
}

void gf_resetWindowCallsignList() {
    g_mainWindow.objectIdText.clear();
    g_callsignList.reset();
    CALLSIGN_2_OBJECTID.set(std::string());
    gf_fillCallsignCombo();
    gf_setControlField(ControlField::LiveCallsigns, false);
    gf_markChanged(BAND_MIDDLE);
}

} // namespace skf
