#include "liveries/FolderWalk.h"

#include "core/Files.h"
#include "core/Log.h"
#include "core/ShellState.h"
#include "core/Text.h"
#include "core/WorkerPool.h"
#include "liveries/FltsimLines.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <sys/stat.h>
#include <deque>
#include <fmt/format.h>
#include <future>

namespace fs = std::filesystem;

namespace skf {

namespace {

// Words of a path below which no aircraft.cfg is looked for (scenery and aircraft of other vendors).
constexpr std::string_view kStopWords[] = {"airport",   "lvfr",     "mkstudios", "simwings", "fsdreamteam",
                                           "navigraph", "flytampa", "inibuilds", "_CVT_"};
// Folders whose path is this long (bytes of UTF-8) or longer are not descended into.
constexpr std::size_t kMaxDescentPathBytes = 250;
constexpr std::size_t kReservedSectionLines = 48;

using WorkerResult = std::vector<SectionLivery>;

bool lf_isIvaoPath(std::string_view path) {
    return gf_contains(path, "ivao_x-csl") || gf_contains(path, "IVAO_MTL");
}

bool lf_mayDescend(std::string_view path) {
    for (const std::string_view word : kStopWords)
        if (gf_contains(path, word))
            return false;
    return path.size() < kMaxDescentPathBytes;
}

// Stem "aircraft" and extension ".cfg", both in any letter case.
bool lf_isAircraftCfg(std::string_view fileName) {
    return gf_equalsNoCase(fileName, "aircraft.cfg");
}

// An entry of a listed folder: its name and what it is (a symbolic link counts as what it points to).
struct FolderItem {
    std::string name;
    bool file = false;
    bool folder = false;
};

// The path text of an entry of the folder, joined as std::filesystem::path joins it.
std::string lf_childText(const std::string& folder, std::string_view name) {
    std::string text;
    text.reserve(folder.size() + 1 + name.size());
    text = folder;
    if (!text.empty() && text.back() != '/')
        text += '/';
    text += name;
    return text;
}

// The entries of a folder sorted by name (bytewise), with their kinds from the listing itself, so that a
// folder costs one listing and no look-up per entry: the walk lists every folder below a package, one per
// aircraft. Errors as lf_sortedDirectoryEntries (not strict).
std::vector<FolderItem> lf_listFolder(const std::string& folder) {
    std::vector<FolderItem> items;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == EACCES || errno == ENOENT)
            return items;
        throw fs::filesystem_error("directory_iterator", folder, std::error_code(errno, std::generic_category()));
    }
    struct FdCloser {
        int fd;
        ~FdCloser() { ::close(fd); }
    } closer{fd};
    // The kernel's listing straight into a buffer of our own: opendir would add a look-up of the folder and
    // a 32 KiB allocation per folder.
    alignas(alignof(dirent64)) char buffer[16384];
    for (;;) {
        const ssize_t filled = ::getdents64(fd, buffer, sizeof buffer);
        if (filled < 0) {
            if (errno == EINTR)
                continue;
            throw fs::filesystem_error("directory_iterator::increment", folder,
                                       std::error_code(errno, std::generic_category()));
        }
        if (filled == 0)
            break;
        for (ssize_t at = 0; at < filled;) {
            const auto* d = reinterpret_cast<const dirent64*>(buffer + at);
            at += d->d_reclen;
            const std::string_view name = d->d_name;
            if (name == "." || name == "..")
                continue;
            FolderItem& item = items.emplace_back();
            item.name = name;
            if (d->d_type == DT_REG) {
                item.file = true;
            } else if (d->d_type == DT_DIR) {
                item.folder = true;
            } else if (d->d_type == DT_LNK || d->d_type == DT_UNKNOWN) {
                struct stat st {};
                if (::fstatat(fd, d->d_name, &st, 0) == 0) {
                    item.file = S_ISREG(st.st_mode);
                    item.folder = S_ISDIR(st.st_mode);
                }
            }
        }
    }
    std::sort(items.begin(), items.end(), [](const FolderItem& a, const FolderItem& b) { return a.name < b.name; });
    return items;
}

// Counts the worker as running while it reads its file.
struct ActiveWorker {
    ActiveWorker() { ++g_activeWorkers; }
    ActiveWorker(const ActiveWorker&) = delete;
    ActiveWorker& operator=(const ActiveWorker&) = delete;
    ~ActiveWorker() { --g_activeWorkers; }
};

// Appends a finished file's liveries to g_liveries, each title claimed in file order.
void lf_appendFileLiveries(WorkerResult&& result) {
    for (SectionLivery& section : result)
        if (lf_claimScannedTitle(section))
            g_liveries.push_back(std::move(section.livery));
}

// Files queued before the workers are woken, and the futures held per worker before the walk awaits the
// oldest. A file costs the workers some 20 microseconds; waking a sleeping thread for each one cost about
// as much again.
constexpr std::size_t kFilesPerWake = 8;
constexpr std::size_t kFuturesPerWorker = 2 * kFilesPerWake;

// Awaits a worker for at most 10 seconds and appends its liveries; throws on a timeout or the worker's
// exception.
void lf_awaitWorker(WorkerPool& pool, std::future<WorkerResult>& future) {
    lf_appendFileLiveries(pool.await(future, kWorkerWait));
}

class FolderWalk {
public:
    explicit FolderWalk(std::int16_t priority) : m_priority(priority), m_pool(m_workers, kFilesPerWake) {}

    void walk(const std::string& folder) {
        for (const FolderItem& item : lf_listFolder(folder)) {
            const std::string text = lf_childText(folder, item.name);
            try {
                if (item.file && lf_isAircraftCfg(item.name))
                    handle(text);
            } catch (const std::exception& e) {
                gf_logError(fmt::format("liveries search in {} aborted, cause: {}", text, e.what()));
            }
            // A listing error below ends the walk of the whole package folder (caught by the caller).
            if (item.folder && lf_mayDescend(text))
                walk(text);
        }
    }

    // Awaits every worker still running, in the order they were started.
    void finish() {
        while (!m_futures.empty()) {
            try {
                lf_awaitWorker(m_pool, m_futures.front());
            } catch (const std::exception& e) {
                gf_logError(fmt::format("liveries search aborted, futs outer, {}", e.what()));
            }
            m_futures.pop_front();
        }
    }

private:
    void handle(const std::string& text) {
        const fs::path file = text;
        const bool ivao = lf_isIvaoPath(text);
        // The task owns its arguments: a task whose wait expired runs on after the walk has let go of it.
        m_futures.push_back(m_pool.submit([priority = m_priority, file, ivao] {
            const ActiveWorker slot;
            return ivao ? lf_searchLiveriesinIVAOFile(priority, file) : lf_searchLiveriesinFile(priority, file);
        }));
        if (m_futures.size() <= static_cast<std::size_t>(m_workers) * kFuturesPerWorker)
            return;
        // The oldest, and then every one after it that is done already.
        do {
            try {
                lf_awaitWorker(m_pool, m_futures.front());
            } catch (const std::exception& e) {
                gf_logError(fmt::format("liveries inner search aborted: {}", e.what()));
            }
            m_futures.pop_front();
        } while (!m_futures.empty() &&
                 m_futures.front().wait_for(std::chrono::seconds(0)) == std::future_status::ready);
    }

    std::int16_t m_priority;
    int m_workers = std::max(1, g_workerLimit.load());
    std::deque<std::future<WorkerResult>> m_futures;
    WorkerPool m_pool; // joined first when the walk ends
};

// Reads the lines of a file in its detected encoding (one read of the file); false when that fails,
// logged unless the file does not exist and that is no finding (missingIsSilent).
bool lf_readCfgLines(const fs::path& file, std::vector<std::string>& lines, bool encodingIsError,
                     bool missingIsSilent) {
    const DetectedTextFile read = gf_readDetectedTextFile(file, lines);
    if (read.missing && missingIsSilent)
        return false;
    if (read.charset == Charset::none_found) {
        const std::string line = fmt::format("! No text encoding detected for {}", lf_pathText(file));
        encodingIsError ? gf_logError(line) : gf_log(line);
        return false;
    }
    if (!read.read) {
        gf_log(fmt::format("! Failed reading {}", lf_pathText(file)));
        return false;
    }
    return true;
}

// Cuts the lines into sections; closesSection tells whether a line that is no header ends an open section.
template <class ClosesSection, class Process>
void lf_cutSections(std::vector<std::string>& lines, ClosesSection closesSection, Process process) {
    std::vector<std::string> section;
    section.reserve(kReservedSectionLines);
    bool inside = false;
    const auto flush = [&] {
        if (!section.empty())
            process(section);
        section.clear();
    };
    // The lines move into their sections: each is looked at once.
    for (std::string& line : lines) {
        if (!lf_fltsimNumber(line).empty()) {
            flush();
            section.push_back(std::move(line));
            inside = true;
        } else if (closesSection(line)) {
            flush();
            inside = false;
        } else if (inside) {
            section.push_back(std::move(line));
        }
    }
    flush();
}

} // namespace

std::string lf_pathText(const fs::path& path) {
    return gf_pathToUtf8(path);
}

std::vector<fs::directory_entry> lf_sortedDirectoryEntries(const fs::path& folder, bool strict) {
    std::vector<fs::directory_entry> entries;
    std::error_code ec;
    fs::directory_iterator it(folder,
                              strict ? fs::directory_options::none : fs::directory_options::skip_permission_denied, ec);
    if (ec) {
        if (!strict && (ec == std::errc::permission_denied || ec == std::errc::no_such_file_or_directory))
            return entries;
        throw fs::filesystem_error("directory_iterator", folder, ec);
    }
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        entries.push_back(*it);
        if (ec)
            break;
    }
    if (ec)
        throw fs::filesystem_error("directory_iterator::increment", folder, ec);
    std::sort(entries.begin(), entries.end(), [](const fs::directory_entry& a, const fs::directory_entry& b) {
        return a.path().filename().native() < b.path().filename().native();
    });
    return entries;
}

void lf_searchLiveryFolder(std::int16_t priority, const fs::path& folder) {
    FolderWalk walk(priority);
    try {
        walk.walk(folder.string());
    } catch (const std::exception& e) {
        // The package folder cannot be listed, or a listing below it failed: what was found so far is kept.
        gf_logError(fmt::format("liveries search in {} aborted, cause: {}", lf_pathText(folder), e.what()));
    }
    walk.finish();
}

std::vector<SectionLivery> lf_searchLiveriesinFile(std::int16_t priority, const fs::path& file) {
    try {
        // A file that does not exist (any more) gives nothing.
        std::vector<std::string> lines;
        if (!lf_readCfgLines(file, lines, false, true) || !lf_splitFltsimSections(lines, file))
            return {};
        const std::string model = lf_modelOfFile(file, lines);
        if (model.empty())
            return {};
        return lf_searchFltsimSections(priority, std::move(lines), model, file, file.parent_path());
    } catch (const std::exception& e) {
        gf_log(fmt::format("! Exception in lf_searchLiveriesinFile {}: {}", lf_pathText(file), e.what()));
        throw;
    }
}

std::vector<SectionLivery> lf_searchLiveriesinIVAOFile(std::int16_t priority, const fs::path& file) {
    try {
        const std::string model = lf_ivaoModelOfFile(file);
        if (model.empty())
            return {};
        std::vector<std::string> lines;
        if (!lf_readCfgLines(file, lines, true, false) || !lf_splitFltsimSections(lines, file))
            return {};
        return lf_searchIvaoFltsimSections(priority, std::move(lines), model, file, file.parent_path());
    } catch (const std::exception& e) {
        gf_log(fmt::format("! Exception in lf_searchLiveriesinIVAOFile {}: {}", lf_pathText(file), e.what()));
        throw;
    } catch (...) {
        gf_log(fmt::format("! Unknown exception in lf_searchLiveriesinIVAOFile {}", lf_pathText(file)));
        throw;
    }
}

std::vector<SectionLivery> lf_searchFltsimSections(std::int16_t priority, std::vector<std::string> lines,
                                                   const std::string& model, const fs::path& file,
                                                   const fs::path& aircraftFolder) {
    std::vector<SectionLivery> result;
    lf_cutSections(
        lines,
        [](const std::string& line) {
            const auto bracket = line.find('[');
            return bracket != std::string::npos && bracket < 6;
        },
        [&](std::vector<std::string>& section) {
            if (auto livery = lf_procesFltSimSection(priority, section, model, file, aircraftFolder))
                result.push_back(std::move(*livery));
        });
    return result;
}

std::vector<SectionLivery> lf_searchIvaoFltsimSections(std::int16_t priority, std::vector<std::string> lines,
                                                       const std::string& model, const fs::path& file,
                                                       const fs::path& aircraftFolder) {
    std::vector<SectionLivery> result;
    lf_cutSections(
        lines, [](const std::string& line) { return line.find('[') != std::string::npos; },
        [&](std::vector<std::string>& section) {
            auto livery = lf_procesIvaoFltSimSection(priority, section, model, file, aircraftFolder);
            if (livery && livery->livery.airline != 0)
                result.push_back(std::move(*livery));
        });
    return result;
}

} // namespace skf
