#pragma once
// The park airport's state, in one owner (ParkApfState, reached through gf_parkApfState()): the park airport,
// the stand table read from its airport file with the learned data merged in, the file's header texts,
// quality factor and handmade flag, the learned file's path, and the values read beside them. The global
// names (g_parkAirport, g_stands, g_parkApfInfo, g_learnedApfPath, g_qualityFactor, g_handmadeApf,
// g_rtTrafficWeek, g_parkStandsLoaded, g_trafficReferenceElevation(Valid), g_learnedUpdates) are
// references into it.
//
// Owner thread: the traffic engine's thread (the start-up thread). It opens and closes the park airport,
// reads its file (gf_readApf), searches, occupies and frees stands in its step and its once-a-second work,
// carries out the window's requests that the main cycle takes, and saves the learned stands; the simulator
// link frees a stand (gf_setStandOccupied) only inside removeAircraftFromSim, on the engine's thread too.
// parkAirport and file take no lock: no other thread reads or changes them, and gf_checkParkApfThread stops
// a debug build when an entry point runs elsewhere (bound with the engine's thread, gf_bindParkApfThread).
// shared holds atomics, written on the engine's thread: the traffic reader's thread reads the reference
// elevation (feed/TrafficLine.cpp); the window shows copies in its own fields, so today only the engine's
// thread reads the other three.
//
// The reset is one assignment of a new state (gf_parkApfState() = ParkApfState{}); a new park airport's
// file starts from gf_parkApfState().file = ParkApfFile{}.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "data/Airports.h"
#include "data/apf/ParkApf.h"
#include "data/apf/QualityFactor.h"
#include "data/apf/Stand.h"

namespace skf {

// What the park airport's file gave (gf_readApf), with the learned data merged in.
struct ParkApfFile {
    std::vector<Stand> stands;            // g_stands: ordered by sid
    ParkApfInfo info;                     // g_parkApfInfo: the file header's texts
    std::filesystem::path learnedApfPath; // g_learnedApfPath: empty when none
    QualityFactor qualityFactor;          // g_qualityFactor
    bool handmade = false;                // g_handmadeApf
};

// The values written on the engine's thread that other threads may read.
struct ParkApfShared {
    std::atomic<std::int32_t> rtTrafficWeek{0};              // g_rtTrafficWeek
    std::atomic<bool> parkStandsLoaded{false};               // g_parkStandsLoaded
    std::atomic<double> trafficReferenceElevation{0.0};      // g_trafficReferenceElevation: feet
    std::atomic<bool> trafficReferenceElevationValid{false}; // g_trafficReferenceElevationValid
    std::atomic<std::uint32_t> learnedUpdates{0};            // g_learnedUpdates: options learned in this run

    ParkApfShared() = default;
    ParkApfShared(const ParkApfShared&) = delete;
    // Value by value, each stored whole: the assignment of a new state resets these too.
    ParkApfShared& operator=(const ParkApfShared& other) noexcept;
};

struct ParkApfState {
    Airport parkAirport; // g_parkAirport: empty ICAO, none
    ParkApfFile file;
    ParkApfShared shared;
};

// The park airport's one state (engine thread).
ParkApfState& gf_parkApfState();

// Makes the calling thread the owner (the engine binds its own thread with it).
void gf_bindParkApfThread();
// In a debug build: stops the program when an entry point of the stand table runs off the owning thread.
void gf_checkParkApfThread(const char* where);

} // namespace skf
