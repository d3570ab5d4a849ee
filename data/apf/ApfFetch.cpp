#include "data/apf/ApfFetch.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "core/WorkerPool.h"
#include "data/Downloader.h"
#include "data/apf/ApfLocate.h"

namespace skf {

namespace fs = std::filesystem;

namespace {

struct Fetch {
    std::string archivePath;
    fs::path target;
    fs::path file; // where the worker puts the body, beside the target
    std::atomic<bool> abort{false};
    std::atomic<bool> done{false};
    bool ok = false;                                // written by the worker before done
    std::chrono::steady_clock::time_point finished; // likewise
    std::future<void> worker; // ready once the worker is done with this fetch; the Fetch lives until then
};

// Finished fetches nobody took (the user moved on) are dropped, oldest first, beyond this many; one older
// than kFreshFor is fetched again rather than taken when it is asked for.
constexpr std::size_t kMostFetches = 8;
constexpr std::chrono::minutes kFreshFor{5};
// Downloads at once: as many as the list keeps; a fetch beyond them waits in the pool's queue (Pending).
constexpr int kFetchWorkers = static_cast<int>(kMostFetches);

std::atomic<bool> g_fetchFinished{false};

class FetchList {
public:
    ~FetchList() { cancelAll(); }

    ApfFetchState fetch(std::string_view archivePath, const fs::path& target) {
        std::vector<std::unique_ptr<Fetch>> dropped;
        ApfFetchState state = ApfFetchState::Pending;
        {
            std::lock_guard lock(m_mutex);
            const auto it = find(archivePath, target);
            if (it != m_fetches.end()) {
                if (!(*it)->done.load())
                    return ApfFetchState::Pending;
                if (std::chrono::steady_clock::now() - (*it)->finished < kFreshFor)
                    return ApfFetchState::Done;
                dropped.push_back(std::move(*it));
                m_fetches.erase(it);
            }
            dropOldFinished(dropped);
            auto f = std::make_unique<Fetch>();
            f->archivePath = std::string(archivePath);
            f->target = target;
            f->file = target.parent_path() / fmt::format(".{}.{}.fetch", target.filename().string(), ++m_serial);
            Fetch* raw = f.get();
            raw->worker = m_pool.submit([raw, url = gf_apfDownloadUrl(archivePath)] {
                const CurlHandle handle = gf_makeCurlHandle();
                DownloadChecks checks;
                checks.abort = &raw->abort;
                raw->ok = gf_download(handle, url, raw->file, false, DownloadKind::AirportFile, checks);
                raw->finished = std::chrono::steady_clock::now();
                raw->done.store(true);
                g_fetchFinished.store(true);
            });
            m_fetches.push_back(std::move(f));
        }
        lf_endAll(dropped);
        return state;
    }

    std::optional<bool> take(std::string_view archivePath, const fs::path& target) {
        std::unique_ptr<Fetch> f;
        {
            std::lock_guard lock(m_mutex);
            const auto it = find(archivePath, target);
            if (it == m_fetches.end() || !(*it)->done.load())
                return std::nullopt;
            f = std::move(*it);
            m_fetches.erase(it);
        }
        f->worker.wait();
        if (!f->ok)
            return false;
        std::error_code ec;
        fs::rename(f->file, f->target, ec);
        if (ec) {
            fs::remove(f->file, ec);
            return false;
        }
        return true;
    }

    void cancelAll() {
        std::vector<std::unique_ptr<Fetch>> all;
        {
            std::lock_guard lock(m_mutex);
            all.swap(m_fetches);
        }
        lf_endAll(all);
    }

    std::size_t count() const {
        std::lock_guard lock(m_mutex);
        return m_fetches.size();
    }

private:
    using List = std::vector<std::unique_ptr<Fetch>>;

    List::iterator find(std::string_view archivePath, const fs::path& target) {
        return std::find_if(m_fetches.begin(), m_fetches.end(), [&](const std::unique_ptr<Fetch>& f) {
            return f->archivePath == archivePath && f->target == target;
        });
    }

    void dropOldFinished(List& dropped) {
        for (auto it = m_fetches.begin(); m_fetches.size() >= kMostFetches && it != m_fetches.end();) {
            if ((*it)->done.load()) {
                dropped.push_back(std::move(*it));
                it = m_fetches.erase(it);
            } else {
                ++it;
            }
        }
    }

    static void lf_endAll(List& fetches) {
        for (auto& f : fetches)
            f->abort.store(true);
        for (auto& f : fetches) {
            f->worker.wait(); // each ends within about a second of its abort (a queued one at once)
            std::error_code ec;
            fs::remove(f->file, ec);
        }
        fetches.clear();
    }

    mutable std::mutex m_mutex;
    List m_fetches;
    std::uint64_t m_serial = 0;
    WorkerPool m_pool{kFetchWorkers}; // its threads are joined first when the list goes
};

FetchList& lf_fetches() {
    static FetchList list;
    return list;
}

} // namespace

ApfFetchState gf_fetchApf(std::string_view archivePath, const fs::path& target) {
    return lf_fetches().fetch(archivePath, target);
}

std::optional<bool> gf_takeFetchedApf(std::string_view archivePath, const fs::path& target) {
    return lf_fetches().take(archivePath, target);
}

bool gf_takeApfFetchFinished() {
    return g_fetchFinished.exchange(false);
}

void gf_cancelApfFetches() {
    lf_fetches().cancelAll();
    g_fetchFinished.store(false);
}

std::size_t gf_apfFetchCount() {
    return lf_fetches().count();
}

} // namespace skf
