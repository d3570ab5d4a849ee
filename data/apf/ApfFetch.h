// Downloads of archived airport files on the workers of a pool (core/WorkerPool, at most 8 at once), for the
// traffic engine, which must never wait on the network: the engine asks for a file, goes on with its steps,
// and reads the file once it arrived.
//
// gf_fetchApf, gf_takeApfFetchFinished and gf_cancelApfFetches are called on the engine's thread;
// gf_takeFetchedApf by lf_downloadApf on the thread that reads the file. The workers only download (with the
// limits of an airport file); a raised stop flag or gf_cancelApfFetches ends them at once.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string_view>

namespace skf {

enum class ApfFetchState { Pending, Done };

// Starts the download of an archive path into target on a worker unless a fetch of that pair is already
// running or finished; never waits. Pending while it runs; Done once it ended, well or not: the next
// lf_downloadApf of the same pair then takes its outcome without touching the network. A finished fetch
// that nobody took for a few minutes is fetched anew.
ApfFetchState gf_fetchApf(std::string_view archivePath, const std::filesystem::path& target);

// Takes a finished fetch of the pair out of the list: true when its file is now the target, false when the
// download failed; none when no fetch of the pair has finished (the caller then downloads itself).
std::optional<bool> gf_takeFetchedApf(std::string_view archivePath, const std::filesystem::path& target);

// True once after a fetch finished (then false until the next one), so that the engine looks again at once
// instead of at its next regular call.
bool gf_takeApfFetchFinished();

// Ends every fetch and waits for its worker (each ends within about a second); removes their files. The
// engine's reset at the end of a run.
void gf_cancelApfFetches();

// Fetches running or finished and not yet taken.
std::size_t gf_apfFetchCount();

} // namespace skf
