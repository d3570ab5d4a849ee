#include "airportscan/ScanOwnFiles.h"

#include <sodium.h>

#include <array>
#include <fstream>
#include <mutex>
#include <set>
#include <system_error>

#include <fmt/format.h>

#include "airportscan/AirportScan.h"
#include "airportscan/ScanLog.h"
#include "core/Files.h"
#include "core/Log.h"
#include "core/Text.h"
#include "core/settings/ProgramPaths.h"

namespace skf {

namespace fs = std::filesystem;

const fs::path g_myThirdpartyRecordPath = fs::path("airports") / "my_thirdparty_scanned.txt";

namespace {

constexpr std::size_t kDigestBytes = crypto_generichash_BYTES; // 32
constexpr std::uintmax_t kMaxRecordBytes = 16U << 20;          // far beyond any real folder

std::mutex g_notedMutex;
std::set<std::string> g_noted; // file names in airports/my_thirdparty, written by this scan

bool lf_isDigest(std::string_view text) {
    if (text.size() != 2 * kDigestBytes)
        return false;
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

bool lf_isPlainFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

std::map<std::string, std::string> lf_readRecord() {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(g_myThirdpartyRecordPath, ec);
    if (ec || size > kMaxRecordBytes)
        return {};
    std::ifstream in(g_myThirdpartyRecordPath, std::ios::binary);
    std::string text(static_cast<std::size_t>(size), '\0');
    if (!in.read(text.data(), static_cast<std::streamsize>(text.size())))
        return {};
    return gf_parseScanRecord(text);
}

// The backup's name for a file: its own name, unless an older backup of other content holds it.
fs::path lf_backupTarget(const fs::path& file, const std::string& digest) {
    const fs::path name = file.filename();
    fs::path target = g_myThirdpartyBackupFolder / name;
    std::error_code ec;
    for (int n = 1; fs::exists(fs::symlink_status(target, ec)); ++n) {
        if (fs::is_regular_file(fs::symlink_status(target, ec)) && !digest.empty() && gf_fileDigest(target) == digest)
            return target; // the same file again
        if (n > 999)
            return {};
        target =
            g_myThirdpartyBackupFolder / (name.stem().string() + "." + std::to_string(n) + name.extension().string());
    }
    return target;
}

void lf_moveToBackup(const fs::path& file, const std::string& digest) {
    std::error_code ec;
    fs::create_directories(g_myThirdpartyBackupFolder, ec);
    const fs::path target = lf_backupTarget(file, digest);
    if (!target.empty())
        fs::rename(file, target, ec);
    if (target.empty() || ec) {
        gf_logError(fmt::format("Failed to move {} to {} ({}); it stays where it is", gf_pathToUtf8(file),
                                gf_pathToUtf8(target.empty() ? g_myThirdpartyBackupFolder : target),
                                target.empty() ? "too many backups of that name" : ec.message()));
        return;
    }
    lf_scanLog(fmt::format("{} moved to {}", gf_pathToUtf8(file), gf_pathToUtf8(target)));
}

} // namespace

void gf_noteScanFile(const fs::path& file) {
    if (file.parent_path() != g_myThirdpartyFolder)
        return;
    std::lock_guard lock(g_notedMutex);
    g_noted.insert(file.filename().string());
}

std::string gf_fileDigest(const fs::path& file) {
    if (sodium_init() < 0)
        return {};
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return {};
    crypto_generichash_state state;
    crypto_generichash_init(&state, nullptr, 0, kDigestBytes);
    std::array<char, 65536> buffer{};
    while (in) {
        in.read(buffer.data(), buffer.size());
        const std::streamsize got = in.gcount();
        if (got > 0)
            crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(buffer.data()),
                                      static_cast<unsigned long long>(got));
    }
    if (in.bad())
        return {};
    std::array<unsigned char, kDigestBytes> digest{};
    crypto_generichash_final(&state, digest.data(), digest.size());
    std::array<char, 2 * kDigestBytes + 1> hex{};
    sodium_bin2hex(hex.data(), hex.size(), digest.data(), digest.size());
    return std::string(hex.data(), 2 * kDigestBytes);
}

std::map<std::string, std::string> gf_parseScanRecord(std::string_view text) {
    std::map<std::string, std::string> files;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.size() < 2 * kDigestBytes + 2 || line[2 * kDigestBytes] != ' ')
            continue;
        const std::string_view digest = line.substr(0, 2 * kDigestBytes);
        const std::string_view name = line.substr(2 * kDigestBytes + 1);
        if (lf_isDigest(digest) && lf_isPlainFileName(name))
            files[std::string(name)] = std::string(digest);
    }
    return files;
}

void lf_emptyThirdpartyFolder() {
    {
        std::lock_guard lock(g_notedMutex);
        g_noted.clear();
    }
    if (!gf_pathExists(g_myThirdpartyFolder))
        return;
    const std::map<std::string, std::string> own = lf_readRecord();
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(g_myThirdpartyFolder)) {
        if (!entry.is_regular_file(ec))
            continue;
        const std::string digest = gf_fileDigest(entry.path());
        const auto it = own.find(entry.path().filename().string());
        if (it != own.end() && !digest.empty() && it->second == digest) {
            // Written by the last scan and unchanged since: this scan writes it again when it still applies.
            if (!fs::remove(entry.path(), ec) && ec)
                gf_logError(fmt::format("remove({}) failed: {}", gf_pathToUtf8(entry.path()), ec.message()));
            continue;
        }
        lf_moveToBackup(entry.path(), digest);
    }
    // What this scan writes is recorded anew at its end; until then no file counts as the scan's own.
    fs::remove(g_myThirdpartyRecordPath, ec);
}

bool gf_writeScanRecord() {
    std::set<std::string> noted;
    {
        std::lock_guard lock(g_notedMutex);
        noted.swap(g_noted);
    }
    std::vector<std::string> lines;
    lines.reserve(noted.size());
    for (const std::string& name : noted) {
        const fs::path file = g_myThirdpartyFolder / name;
        std::error_code ec;
        if (!fs::is_regular_file(fs::symlink_status(file, ec)))
            continue; // removed again by the check of the thirdparty airports
        const std::string digest = gf_fileDigest(file);
        if (!digest.empty())
            lines.push_back(digest + " " + name);
    }
    return gf_writeLines(lines, g_myThirdpartyRecordPath);
}

} // namespace skf
