// Downloads against a misbehaving download-server stand-in over loopback, with the program's own limits:
// how soon a stop ends a running download (the program must close within a few seconds), and how long the
// limits take to end an oversized body and a body that never ends. The tests check the same outcomes with
// short limits; these are the real ones.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "data/Downloader.h"
#include "BenchFolder.h"
#include "tools/dlserver/DownloadServer.h"

namespace {

namespace fs = std::filesystem;
using skf::DownloadServer;

struct Served {
    skf::bench::BenchFolder folder{"download"};
    DownloadServer server{folder.path()};
    fs::path target = folder.path() / "target.bin";

    explicit Served(DownloadServer::Fault fault) {
        std::error_code ec;
        fs::create_directories(folder.path() / "11", ec);
        FILE* f = std::fopen((folder.path() / "11" / "file.bin").c_str(), "wb");
        const std::string body(200000, 'x');
        std::fwrite(body.data(), 1, body.size(), f);
        std::fclose(f);
        server.start();
        server.setFault("/downloads/11/file.bin", fault);
    }
    std::string url() const { return server.baseUrl() + "11/file.bin"; }
};

// From the raised abort flag to the end of the download: a body that trickles, and one that stalls (libcurl
// then looks at the flag about once a second).
void BM_DownloadStopLatency(benchmark::State& state) {
    const auto fault = state.range(0) == 0 ? DownloadServer::Fault::EndlessBody : DownloadServer::Fault::StalledBody;
    Served served(fault);
    double totalMs = 0.0;
    for (auto _ : state) {
        std::atomic<bool> abort{false};
        served.server.clearRequests();
        std::thread downloading([&] {
            const skf::CurlHandle h = skf::gf_makeCurlHandle();
            skf::DownloadChecks checks;
            checks.abort = &abort;
            benchmark::DoNotOptimize(
                skf::gf_download(h, served.url(), served.target, true, skf::DownloadKind::DataFile, checks));
        });
        while (served.server.requests().empty())
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        std::this_thread::sleep_for(std::chrono::milliseconds(200)); // the transfer is under way
        const auto raised = std::chrono::steady_clock::now();
        abort = true;
        downloading.join();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - raised;
        state.SetIterationTime(took.count());
        totalMs += took.count() * 1000.0;
    }
    state.counters["stop_ms"] = totalMs / static_cast<double>(state.iterations());
    served.server.stop();
}
BENCHMARK(BM_DownloadStopLatency)->Arg(0)->Arg(1)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// A data file whose body has no length and never ends, as fast as loopback carries it: refused at its size
// limit.
void BM_DownloadOversizedBody(benchmark::State& state) {
    Served served(DownloadServer::Fault::HugeBody);
    for (auto _ : state) {
        const skf::CurlHandle h = skf::gf_makeCurlHandle();
        benchmark::DoNotOptimize(skf::gf_download(h, served.url(), served.target, true, skf::DownloadKind::DataFile));
    }
    state.SetBytesProcessed(
        static_cast<std::int64_t>(state.iterations()) *
        static_cast<std::int64_t>(skf::gf_downloadConfig().limitsOf(skf::DownloadKind::DataFile).maxBytes));
    served.server.stop();
}
BENCHMARK(BM_DownloadOversizedBody)->Iterations(1)->Unit(benchmark::kMillisecond);

// An airport file whose body trickles and never ends: ended by the low-speed limit.
void BM_DownloadNeverEndingBody(benchmark::State& state) {
    Served served(DownloadServer::Fault::EndlessBody);
    for (auto _ : state) {
        const skf::CurlHandle h = skf::gf_makeCurlHandle();
        benchmark::DoNotOptimize(
            skf::gf_download(h, served.url(), served.target, false, skf::DownloadKind::AirportFile));
    }
    served.server.stop();
}
BENCHMARK(BM_DownloadNeverEndingBody)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
