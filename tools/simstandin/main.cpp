// simstandin: runs the simulator stand-in in real time beside Skyfill.
//
//   simstandin [--socket PATH] [--scenario FILE] [--sim 2020|2024] [--titles FILE] [--capacity N]
//              [--trace FILE] [--no-frame-trace] [--no-move-trace] [--no-range-trace] [--trace-poses]
//              [--snapshot-every SECONDS] [--not-started SECONDS] [--map FILE] [--map-picture FILE.ppm]
//              [--map-every SECONDS] [--map-airport FILE]
//
// Commands on standard input, one per line: quit, load [FILE], pause, resume, teleport LAT LON, exception CODE,
// fail CALL [COUNT] (the clients' next COUNT calls of that name fail, default 1; Any: any call), drop, start,
// snapshot. SIGINT and SIGTERM quit the simulator (clients get QUIT) and end the program. With
// --map or --map-picture, the map of what is in the simulator (SceneMap.h) is written on SIGUSR1, every
// --map-every seconds and at the end.

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <map>
#include <string>

#include "tools/simstandin/SceneMap.h"
#include "tools/simstandin/SimStandIn.h"

namespace {

std::atomic<bool> g_signalled{false};

void onSignal(int) {
    g_signalled = true;
}

void usage() {
    std::cerr << "usage: simstandin [--socket PATH] [--scenario FILE] [--sim 2020|2024] [--titles FILE]\n"
                 "                  [--capacity N] [--trace FILE] [--no-frame-trace] [--no-move-trace]\n"
                 "                  [--no-range-trace] [--trace-poses] [--snapshot-every SECONDS]\n"
                 "                  [--not-started SECONDS] [--map FILE] [--map-picture FILE.ppm]\n"
                 "                  [--map-every SECONDS] [--map-airport FILE]\n";
}

std::vector<std::string> readTitles(const std::string& file) {
    std::ifstream in(file);
    if (!in)
        throw std::runtime_error("cannot open the titles file " + file);
    std::vector<std::string> titles;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            titles.push_back(line);
    }
    return titles;
}

bool command(skf::standin::SimStandIn& s, const std::string& line) {
    std::istringstream in(line);
    std::string cmd;
    in >> cmd;
    if (cmd.empty())
        return true;
    if (cmd == "quit")
        return false;
    if (cmd == "load") {
        std::string file;
        std::getline(in >> std::ws, file);
        s.loadFlight(file);
    } else if (cmd == "pause")
        s.setFlightRunning(false);
    else if (cmd == "resume")
        s.setFlightRunning(true);
    else if (cmd == "start")
        s.setStarted(true);
    else if (cmd == "drop")
        s.dropClients();
    else if (cmd == "snapshot")
        s.traceSnapshot();
    else if (cmd == "teleport") {
        double lat = 0, lon = 0;
        if (in >> lat >> lon)
            s.teleportUser(lat, lon);
        else
            std::cerr << "teleport LAT LON\n";
    } else if (cmd == "fail") {
        std::string name;
        std::uint32_t count = 1;
        in >> name;
        if (!(in >> count))
            count = 1;
        const auto call = skf::gf_simCallFromName(name);
        if (!call || count == 0)
            std::cerr << "fail CALL [COUNT] (CALL as the trace names it, e.g. RequestDataOnSimObject, or Any)\n";
        else if (!s.failNextCalls(*call, count))
            std::cerr << "fail: a client did not confirm in time\n";
    } else if (cmd == "exception") {
        std::uint32_t code = 0;
        if (in >> code)
            s.raiseException(code);
        else
            std::cerr << "exception CODE\n";
    } else if (cmd == "flood") {
        std::string kind;
        std::uint64_t count = 0;
        const std::map<std::string, skf::standin::FloodKind> kinds = {
            {"unknown", skf::standin::FloodKind::UnknownMessages},
            {"frames", skf::standin::FloodKind::Frames},
            {"added", skf::standin::FloodKind::ObjectsAdded},
            {"short", skf::standin::FloodKind::ShortRangeData}};
        if (in >> kind >> count && kinds.contains(kind))
            s.flood(kinds.at(kind), count);
        else
            std::cerr << "flood unknown|frames|added|short COUNT\n";
    } else {
        std::cerr << "unknown command: " << cmd << "\n";
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    skf::standin::StandInConfig cfg;
    cfg.realTime = true;
    int notStartedSeconds = 0;
    skf::standin::SceneMapper map;
    try {
        std::optional<int> sim;
        std::string titles;
        std::optional<std::uint32_t> capacity;
        for (int i = 1; i < argc; ++i) {
            std::string a = argv[i];
            auto next = [&]() -> std::string {
                if (i + 1 >= argc)
                    throw std::runtime_error("missing value after " + a);
                return argv[++i];
            };
            if (a == "--socket")
                cfg.socketPath = next();
            else if (a == "--scenario")
                cfg.scenario = skf::standin::gf_loadScenario(next());
            else if (a == "--sim")
                sim = std::stoi(next());
            else if (a == "--titles")
                titles = next();
            else if (a == "--capacity")
                capacity = static_cast<std::uint32_t>(std::stoul(next()));
            else if (a == "--trace")
                cfg.tracePath = next();
            else if (a == "--no-frame-trace")
                cfg.traceFrames = false;
            else if (a == "--no-move-trace")
                cfg.traceMoves = false;
            else if (a == "--no-range-trace")
                cfg.traceRangeData = false;
            else if (a == "--trace-poses")
                cfg.tracePoses = true;
            else if (a == "--snapshot-every")
                cfg.snapshotEverySeconds = std::stod(next());
            else if (map.option(a, next))
                continue;
            else if (a == "--not-started")
                notStartedSeconds = std::stoi(next());
            else if (a == "--help" || a == "-h") {
                usage();
                return 0;
            } else {
                throw std::runtime_error("unknown option " + a);
            }
        }
        if (sim) {
            if (*sim != 2020 && *sim != 2024)
                throw std::runtime_error("--sim must be 2020 or 2024");
            if (*sim != cfg.scenario.simulator && *sim == 2024)
                cfg.scenario.version = {12, 1, 282174, 999};
            cfg.scenario.simulator = *sim;
        }
        if (!titles.empty())
            cfg.scenario.installedTitles = readTitles(titles);
        if (capacity)
            cfg.scenario.capacity = *capacity;
    } catch (const std::exception& e) {
        std::cerr << "simstandin: " << e.what() << "\n";
        usage();
        return 2;
    }
    cfg.started = notStartedSeconds <= 0;

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGPIPE, SIG_IGN);
    map.catchSignal();
    skf::standin::SimStandIn standIn(cfg);
    try {
        standIn.start();
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
    std::cerr << "simstandin: MSFS " << cfg.scenario.simulator << " stand-in on " << standIn.socketPath() << "\n";

    auto startAt = std::chrono::steady_clock::now() + std::chrono::seconds(notStartedSeconds);
    bool started = cfg.started;
    bool stdinOpen = true;
    std::string pending;
    while (!g_signalled) {
        if (!started && std::chrono::steady_clock::now() >= startAt) {
            standIn.setStarted(true);
            started = true;
        }
        pollfd p{0, POLLIN, 0};
        int r = ::poll(&p, stdinOpen ? 1 : 0, 100);
        map.poll(standIn, cfg.scenario);
        if (r > 0 && (p.revents & (POLLIN | POLLHUP))) {
            char buf[512];
            ssize_t n = ::read(0, buf, sizeof buf);
            if (n <= 0) {
                stdinOpen = false;
                continue;
            }
            pending.append(buf, static_cast<std::size_t>(n));
            std::size_t nl;
            bool goOn = true;
            while (goOn && (nl = pending.find('\n')) != std::string::npos) {
                goOn = command(standIn, pending.substr(0, nl));
                pending.erase(0, nl + 1);
            }
            if (!goOn)
                break;
        }
    }
    map.write(standIn, cfg.scenario); // what was there at the end, before the clients are told to go
    standIn.quit();
    standIn.waitUntil([&] { return standIn.connectionCount() == 0; }, std::chrono::milliseconds(2000));
    standIn.stop();
    return 0;
}
