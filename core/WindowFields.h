#pragma once
// The main window's display fields: counters, states and texts that every part of the program sets and
// the window paints. They live here, below every subsystem that writes them; the window (app/) reads them.
//
// Writers: the simulator link (connection and running marks, simulator text, user aircraft title and
// model, user stand, install-path field), the traffic feed (reader states, QNH, RealTraffic edition,
// link-up mark), the livery scan (livery count), the traffic engine (live, parked and static counts,
// park-airport block, averages, object-id text, learned updates), the add-on airport scan (airport
// counts), the start-up thread (start-up flag, counters, reset before a restart). After a write the writer
// marks the band that shows the field (gf_markChanged below); the window (app/) watches the bands' change
// counters and repaints what changed. Nothing here talks to the window.
//
// Scalars are atomics; texts are guarded each by its own small mutex and handed out as copies, so a
// painting never reads a text while another thread replaces it.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/WindowBands.h"

namespace skf {

// A text shared between threads: whole texts in, whole copies out.
class SharedText {
public:
    constexpr SharedText() = default;
    SharedText(const SharedText&) = delete;
    SharedText& operator=(const SharedText&) = delete;

    void set(const std::string& text) {
        std::lock_guard lock(m_mutex);
        m_text = text;
    }
    std::string get() const {
        std::lock_guard lock(m_mutex);
        return m_text.value_or(std::string());
    }
    void clear() { set(std::string()); }

private:
    mutable std::mutex m_mutex;
    // Optional so that an empty text is constant-initialised by every compiler (clang cannot evaluate
    // std::string's constructor in a constant expression).
    std::optional<std::string> m_text;
};

// Reader states.
inline constexpr std::int32_t READER_RECEIVING = 1;
inline constexpr std::int32_t READER_STALE = 2;
inline constexpr std::int32_t READER_STOPPED = 3;

struct MainWindow {
    constexpr MainWindow() = default;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Texts.
    SharedText userAircraftTitle;      // title of the user's aircraft (simulator link)
    SharedText userModelText;          // model of the user's aircraft (simulator link)
    SharedText parkAirportText;        // the park airport as shown (traffic engine)
    SharedText parkAirportName;        // airport name of the park airport's stand file
    SharedText publisherText;          // publisher of the park airport's stand file
    SharedText qualityFactorText;      // quality factor of the park airport's stand file
    SharedText simulatorText;          // "{} ({}.{}.{}.{})" at connection (simulator link)
    SharedText realTrafficEditionText; // RealTraffic's edition and version (traffic feed)
    SharedText userStandText;          // stand under the user aircraft
    SharedText objectIdText;           // object id of the callsign chosen in CALLSIGN_2_OBJECTID

    // Averages in hours, -1 = none.
    std::atomic<float> staticAverageHours{-1.0F};
    std::atomic<float> liveAverageHours{-1.0F};

    // Counters.
    std::atomic<std::uint64_t> liveCount{0};                  // live aircraft not parked
    std::atomic<std::uint64_t> addonAirportCount{0};          // "# simaddon"
    std::atomic<std::uint64_t> otherPublisherAirportCount{0}; // "# thirdp"
    std::atomic<std::uint64_t> liveryCount{0};                // installed liveries found
    std::atomic<std::uint64_t> parkedLiveCount{0};            // live aircraft parked at a stand
    std::atomic<std::uint64_t> staticCount{0};                // static parked aircraft
    std::atomic<std::uint64_t> standCount{0};                 // stands of the park airport
    std::atomic<std::uint64_t> pendingStaticCount{0};         // static placements waiting for creation
    std::atomic<std::uint64_t> unrecognisedAirportCount{0};   // add-on airports of others not placed

    std::atomic<std::int32_t> percentage{0};          // parking percentage in force
    std::atomic<std::int32_t> qnh{0};                 // hPa, 0 = none
    std::atomic<std::int32_t> wantedStaticCount{0};   // "max park"
    std::atomic<std::int32_t> minutesToNextUpdate{0}; // countdown to the next static-parking update
    std::atomic<std::uint32_t> learnedUpdates{0};     // "# updates"
    std::atomic<std::int32_t> trafficWeek{0};         // "RT_traffic_week" of the park airport's stand file

    // States.
    std::atomic<bool> handmade{false};           // park airport's stand file is handmade (" (h)")
    std::atomic<bool> startUp{true};             // the start-up has not reached the run yet
    std::atomic<bool> realTrafficLinkUp{false};  // RealTraffic connected, or no connection needed
    std::atomic<bool> parkAirportActive{false};  // the park airport's stand file was read
    std::atomic<bool> standsLoaded{false};       // the park airport's stands are loaded ("Now" acts only then)
    std::atomic<bool> simConnected{false};       // SimConnect is open
    std::atomic<bool> simRunning{false};         // the simulator reports a running flight
    std::atomic<bool> userModelRecognised{true}; // the user aircraft's model was recognised
    std::atomic<bool> softFlag{false};           // last static placement needed soft options
    std::atomic<bool> weekFlag{false};           // last static placement needed the whole week
    std::atomic<bool> reservedStandValid{false}; // the park airport's reserved stand exists
    SharedText reservedStandName;                // name of that reserved stand
    std::atomic<bool> readerStatesShown{false};  // the two reader states are shown

    std::atomic<std::int32_t> trafficReaderState{READER_STOPPED};
    std::atomic<std::int32_t> weatherReaderState{READER_STOPPED};

    std::atomic<bool> ready{true}; // the object is built (it is constant-initialised)

    // The reset before a restart: texts, flags, counts and averages back to their start values (the
    // park-airport text, the object-id text, the add-on and livery counts are kept).
    void resetForRestart();
};

extern constinit MainWindow g_mainWindow;

// The change counters of the window's four bands. Any thread: after it wrote a display field, the writer
// marks the bands that show it (Band bits; BAND_ALL marks every band). Never blocks, never waits for the
// window, and costs one atomic increment per band.
void gf_markChanged(std::uint32_t bands);
// The change count of one band (BAND_INDICATORS, BAND_MIDDLE, BAND_PARK or BAND_STATUS); 0 for any other.
std::uint64_t gf_bandChangeCount(Band band);

// The reader's side: remembers the counts it saw and tells which bands moved since. Marks made between two
// looks come out as one change, so a burst of writes costs one repaint. One reader per object.
class BandChangeWatch {
public:
    static constexpr std::size_t kBandCount = 4;

    BandChangeWatch(); // starts from the present counts: nothing has changed yet
    // The bands (Band bits) whose counter moved since the last look; 0 when none did.
    std::uint32_t takeChanged();

private:
    std::uint64_t m_seen[kBandCount] = {};
};

// The list of live callsigns shown in the CALLSIGN_2_OBJECTID combo box; written by the traffic engine,
// read by the window. Never empty: it starts as, and is reset to, one empty entry.
class CallsignList {
public:
    constexpr CallsignList() = default;
    CallsignList(const CallsignList&) = delete;
    CallsignList& operator=(const CallsignList&) = delete;

    std::vector<std::string> entries() const; // a copy
    void set(std::vector<std::string> entries);
    void add(const std::string& entry);
    void reset(); // one empty entry
    std::size_t size() const;

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_entries; // empty here stands for the one empty entry
};

extern constinit CallsignList g_callsignList;

// The window's side of resetting the live callsign list (any thread): the object id text emptied and
// repainted, the list one empty entry, CALLSIGN_2_OBJECTID's current value that entry, its combo box
// refilled, and the combo box and "Block" disabled. The traffic engine's list reset does this, and so do
// the window's "Block" button and a blocked callsign equal to the chosen one.
void gf_resetWindowCallsignList();

} // namespace skf
