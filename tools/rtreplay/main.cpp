// rtreplay: stands in for RealTraffic beside Skyfill (see Replayer.h). Ends on SIGINT or SIGTERM.
#include "tools/rtreplay/LoadAirport.h"
#include "tools/rtreplay/LoadGenerator.h"
#include "tools/rtreplay/Replayer.h"

#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fmt/format.h>
#include <string_view>
#include <thread>

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

void lf_onSignal(int) {
    g_stopSignal = 1;
}

void lf_usage() {
    std::fputs("usage: rtreplay [--feed FILE] [--server-port P] [--traffic-port P] [--qnh-port P]\n"
               "                [--professional] [--version TEXT] [--speed X] [--once] [--recentre]\n"
               "                [--no-rebase] [--no-connect] [--qnh HPA] [--repeat N] [--malformed N]\n"
               "                [--burst N] [--drop-after SECONDS] [--reply-in-pieces]\n"
               "                [--load N [--load-seconds S] [--seed N] [--dbase FILE] [--print-feed]\n"
               "                          [--park-airport FILE [--stands N]]]\n",
               stderr);
}

template <typename T>
bool lf_parse(const char* text, T& value) {
    const std::string_view view(text);
    const auto [end, error] = std::from_chars(view.data(), view.data() + view.size(), value);
    return error == std::errc() && end == view.data() + view.size();
}

} // namespace

int main(int argc, char** argv) {
    skf::rtreplay::ReplayerConfig config;
    double dropAfter = 0.0;
    skf::rtreplay::LoadConfig load;
    load.aircraft = 0;
    std::string dbase = RTREPLAY_SAMPLE_DBASE;
    bool printFeed = false;
    std::string parkAirport;
    skf::rtreplay::LoadAirportConfig airport;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        bool ok = true;
        const auto next = [&](auto& target) {
            ok = value != nullptr && lf_parse(value, target);
            ++i;
        };
        try {
            if (arg == "--feed" && value != nullptr) {
                config.feed = skf::rtreplay::readFeedFile(value);
                ++i;
            } else if (arg == "--server-port") {
                next(config.serverPort);
            } else if (arg == "--traffic-port") {
                next(config.trafficPort);
            } else if (arg == "--qnh-port") {
                next(config.qnhPort);
            } else if (arg == "--professional") {
                config.professional = true;
            } else if (arg == "--version" && value != nullptr) {
                config.version = value;
                ++i;
            } else if (arg == "--speed") {
                next(config.speed);
            } else if (arg == "--once") {
                config.loop = false;
            } else if (arg == "--recentre") {
                config.recentre = true;
            } else if (arg == "--no-rebase") {
                config.rebaseTime = false;
            } else if (arg == "--no-connect") {
                config.connect = false;
            } else if (arg == "--qnh") {
                next(config.qnh);
            } else if (arg == "--repeat") {
                next(config.repeatEvery);
            } else if (arg == "--malformed") {
                next(config.malformedEvery);
            } else if (arg == "--burst") {
                next(config.burstSize);
            } else if (arg == "--drop-after") {
                next(dropAfter);
            } else if (arg == "--load") {
                next(load.aircraft);
            } else if (arg == "--load-seconds") {
                next(load.seconds);
            } else if (arg == "--seed") {
                next(load.seed);
            } else if (arg == "--dbase" && value != nullptr) {
                dbase = value;
                ++i;
            } else if (arg == "--park-airport" && value != nullptr) {
                parkAirport = value;
                ++i;
            } else if (arg == "--stands") {
                next(airport.stands);
            } else if (arg == "--print-feed") {
                printFeed = true;
            } else if (arg == "--reply-in-pieces") {
                config.replyInPieces = true;
            } else {
                ok = false;
            }
        } catch (const std::exception& e) {
            std::fprintf(stderr, "rtreplay: %s\n", e.what());
            return 2;
        }
        if (!ok) {
            lf_usage();
            return 2;
        }
    }

    if (!parkAirport.empty()) {
        // The load's park airport: written, then done.
        try {
            const auto airframes = skf::rtreplay::readAirframes(dbase);
            const auto stands = skf::rtreplay::loadAirportStands(load, airport, airframes);
            skf::rtreplay::writeLoadAirport(airport, stands, parkAirport);
            fmt::print("rtreplay: {} stands ({} for static aircraft) written to {}\n", stands.size(), airport.stands,
                       parkAirport);
            return 0;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "rtreplay: %s\n", e.what());
            return 2;
        }
    }
    if (load.aircraft > 0) {
        try {
            config.feed = skf::rtreplay::generateLoad(load, skf::rtreplay::readAirframes(dbase));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "rtreplay: %s\n", e.what());
            return 2;
        }
    }
    if (printFeed) {
        for (const auto& line : config.feed)
            fmt::print("{:.2f} {}\n", line.offset, line.line);
        return 0;
    }

    std::signal(SIGINT, lf_onSignal);
    std::signal(SIGTERM, lf_onSignal);
    fmt::print("rtreplay: {} lines, server port {}, traffic port {}, QNH port {}, {} edition\n", config.feed.size(),
               config.serverPort, config.trafficPort, config.qnhPort,
               config.professional ? "professional" : "standard");
    std::fflush(stdout);
    skf::rtreplay::Replayer replayer(config);
    replayer.start();
    const auto started = std::chrono::steady_clock::now();
    bool wasConnected = false;
    bool dropped = false;
    std::size_t shown = 0;
    std::size_t positions = 0;
    while (g_stopSignal == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (replayer.connected() != wasConnected) {
            wasConnected = replayer.connected();
            fmt::print("rtreplay: {}\n", wasConnected ? "connected to Skyfill" : "connection closed");
        }
        const auto lines = replayer.received();
        for (; shown < lines.size(); ++shown) {
            // The position line comes every second: only the first is shown.
            const bool position = lines[shown].rfind("Qs121=", 0) == 0;
            if (!position || positions++ == 0)
                fmt::print("rtreplay: received {}\n", lines[shown]);
            if (position && positions % 10 == 0)
                fmt::print("rtreplay: {} position lines received so far\n", positions);
        }
        if (dropAfter > 0.0 && !dropped &&
            std::chrono::steady_clock::now() - started > std::chrono::duration<double>(dropAfter)) {
            dropped = true;
            fmt::print("rtreplay: dropping the connection\n");
            replayer.dropConnection(true);
        }
        std::fflush(stdout);
    }
    replayer.stop();
    fmt::print("rtreplay: {} position lines received\n", positions);
    fmt::print("rtreplay: {} traffic datagrams sent\n", replayer.trafficSent());
    return 0;
}
