// dlserver FOLDER [PORT]: serves FOLDER below http://127.0.0.1:PORT/downloads/ until interrupted,
// printing each request's path and user agent.
#include "tools/dlserver/DownloadServer.h"

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <thread>

namespace {
volatile std::sig_atomic_t g_interrupted = 0;
void lf_onSignal(int) {
    g_interrupted = 1;
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::cerr << "usage: dlserver FOLDER [PORT]\n";
        return 2;
    }
    int port = 0;
    if (argc == 3) {
        char* end = nullptr;
        const long value = std::strtol(argv[2], &end, 10);
        if (end == argv[2] || *end != '\0' || value < 0 || value > 65535) {
            std::cerr << "dlserver: not a port number: " << argv[2] << "\n";
            return 2;
        }
        port = static_cast<int>(value);
    }
    skf::DownloadServer server(argv[1]);
    if (!server.start(port)) {
        std::cerr << "dlserver: cannot bind 127.0.0.1:" << port << "\n";
        return 1;
    }
    std::signal(SIGINT, lf_onSignal);
    std::signal(SIGTERM, lf_onSignal);
    std::cout << server.baseUrl() << std::endl;
    std::size_t shown = 0;
    while (!g_interrupted) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const auto requests = server.requests();
        for (; shown < requests.size(); ++shown)
            std::cout << requests[shown].path << " \"" << requests[shown].userAgent << "\"" << std::endl;
    }
    server.stop();
    return 0;
}
