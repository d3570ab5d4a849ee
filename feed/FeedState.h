#pragma once
// The live traffic feed's state, in one owner (FeedState, reached through gf_feedState()); the global names
// (g_liveTrafficOpen, g_rtConnected, g_qnh, g_qnhReader, g_trafficReader, g_readerSeen) are references into
// it. Each part names the thread or the lock that owns it:
// - queue: the traffic queue and its gate, under g_addingStackMutex (the traffic reader pushes, the engine
//   takes, the main cycle, the run and closing down switch the gate);
// - server: the link to RealTraffic. The thread that opened the server (the start-up thread: run, main
//   cycle, engine step) owns both sockets and alone closes them; the window thread only sends "exit" and
//   shuts them down. sendMutex serialises their sends and guards the unsent tail and the stall time;
//   connected and port are atomics;
// - qnhReader, trafficReader: alive for the whole process; each reader's thread borrows its object (socket,
//   buffer, last datagram are that thread's alone), the other threads touch only its atomics and its small
//   locked values (feed/UdpReader.h);
// - qnh, readerSeen, liveTrafficRemovals: atomics. The QNH reader writes the QNH and the engine reads it;
//   the main cycle's watchdog and the resets write the seen flags; the position send raises the removal
//   requests and the engine takes them.
//
// The reset (gf_resetFeedState) puts every value the threads share back to a fresh start in one call; an
// assignment cannot, since the readers, the sockets and the mutex are no values. It leaves what belongs to
// a running thread or to an open server alone: the sockets, the server's owner and its unsent tail (opened
// by gf_openServer, ended by gf_closeServer), each reader's socket, buffer, last datagram, bound port and
// generation. The counts of dropped lines and connections since the process started stay in the files
// that log them; they are no state of a run.
#include "feed/TrafficQueue.h"
#include "feed/UdpReader.h"
#include "platform/net/Socket.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace skf {

// The traffic queue and its gate, under g_addingStackMutex.
struct TrafficQueueState {
    std::deque<QueuedTraffic> addingStack;
    bool liveTrafficOpen = false; // the traffic gate: closed, pushed reports are dropped
};

// The RealTraffic server's link.
struct RealTrafficLink {
    Socket listenSocket;                  // owner thread; the window thread only shuts it down
    Socket clientSocket;                  // owner thread; the window thread only sends "exit", shuts down
    std::atomic<std::thread::id> owner{}; // the thread that opened the server
    std::mutex sendMutex;                 // the sends, the client's close and the two fields below
    std::string unsentTail;               // the part of a line the socket took only in part
    std::optional<std::chrono::steady_clock::time_point> stalledSince; // since when the client took nothing
    std::atomic<std::uint16_t> port{0};                                // the listening port, 0 when no server is open
    std::atomic<bool> connected{false};                                // g_rtConnected
};

struct FeedState {
    TrafficQueueState queue; // under g_addingStackMutex
    RealTrafficLink server;
    std::atomic<int> qnh{1013}; // g_qnh: hectopascals, 900 to 1100
    QnhReader qnhReader;
    TrafficReader trafficReader;
    std::atomic<bool> readerSeen[2] = {true, true}; // QNH first, traffic second
    std::atomic<unsigned> liveTrafficRemovals{0};   // requests raised since the engine's last take
};

// The feed's one state. Take each part on its owning thread or under its lock.
FeedState& gf_feedState();

// Back to a fresh start: the traffic queue emptied and its gate closed (under g_addingStackMutex), the QNH
// 1013, both readers' shared values (stop flags lowered, counters 0, last QNH 1013, last traffic time 0,
// callsign set empty and not collecting, reference position 0/0 without a park airport), both seen flags
// set, no removal request. The restart reset calls it after both readers were told to stop (a reader still
// in its last receive sees its generation taken over by the next run, feed/UdpReader.h); the tests call it
// between their cases.
void gf_resetFeedState();

} // namespace skf
