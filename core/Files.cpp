#include "core/Files.h"
#include "core/FilesInternal.h"

#include "core/Log.h"
#include "core/StatusLine.h"
#include "core/Text.h"
#include "core/TextInternal.h"
#include "platform/system/Shell.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <fmt/format.h>
#include <fstream>
#include <mutex>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace skf {

// ---- Charset ----------------------------------------------------------------------

std::string_view gf_charsetName(Charset charset) noexcept {
    static constexpr std::array<std::string_view, 6> names = {
        "ANSI", "Unicode", "Unicode_big_endian", "UTF8_with_BOM", "UTF8_without_BOM", "none_found",
    };
    const auto i = static_cast<std::int32_t>(charset);
    return (i >= 0 && i < 6) ? names[static_cast<std::size_t>(i)] : std::string_view("???");
}

namespace {

// Opens a file for binary reading; a folder counts as a file that cannot be opened
// (reading one gives no bytes but a nonsensical size).
bool lf_openForReading(const fs::path& path, std::ifstream& in) {
    std::error_code ec;
    if (fs::is_directory(path, ec))
        return false;
    in.open(path, std::ios::in | std::ios::binary);
    return in.is_open();
}

constexpr std::size_t kDetectWindow = 4096;

// The UTF-8 test of the detection. Sequences that start inside the window are
// examined in full, also when they straddle its end: bytes holds up to three bytes
// past the window whenever the file has them, so only a sequence cut by the real
// end of the file is refused.
bool lf_looksLikeUtf8(std::string_view bytes) noexcept {
    const std::size_t window = std::min(bytes.size(), kDetectWindow);
    std::size_t i = 0;
    while (i < window) {
        const auto b0 = static_cast<unsigned char>(bytes[i]);
        std::size_t len;
        if (b0 <= 0x7F)
            len = 1;
        else if ((b0 & 0xE0) == 0xC0 && b0 >= 0xC2)
            len = 2;
        else if ((b0 & 0xF0) == 0xE0)
            len = 3;
        else if ((b0 & 0xF8) == 0xF0 && b0 <= 0xF4)
            len = 4;
        else
            return false;
        if (i + len > bytes.size())
            return false;
        for (std::size_t k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80)
                return false;
        if (len > 1) {
            const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
            if ((b0 == 0xE0 && b1 < 0xA0) || (b0 == 0xF0 && b1 < 0x90) || (b0 == 0xF4 && b1 > 0x8F))
                return false;
        }
        i += len;
    }
    return true;
}

} // namespace

namespace {

// The detection on the first bytes of a file (the window and up to three bytes after it).
Charset lf_charsetOfBytes(std::string_view bytes) noexcept {
    const std::size_t n = std::min<std::size_t>(bytes.size(), 4);
    auto b = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (n >= 3 && b(0) == 0xEF && b(1) == 0xBB && b(2) == 0xBF)
        return Charset::UTF8_with_BOM;
    if (n >= 2) {
        if (b(0) == 0xFF && b(1) == 0xFE)
            return Charset::Unicode;
        if (b(0) == 0xFE && b(1) == 0xFF)
            return Charset::Unicode_big_endian;
        if (b(1) == 0 && (n < 4 || b(3) == 0))
            return Charset::Unicode;
        if (b(0) == 0 && (n < 4 || b(2) == 0))
            return Charset::Unicode_big_endian;
    }
    return lf_looksLikeUtf8(bytes.substr(0, kDetectWindow + 3)) ? Charset::UTF8_without_BOM : Charset::ANSI;
}

} // namespace

Charset gf_detectCharset(const fs::path& path) {
    std::ifstream in;
    if (!lf_openForReading(path, in))
        return Charset::none_found;

    // The window and up to three bytes after it, to finish a straddling sequence.
    std::string bytes(kDetectWindow + 3, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return lf_charsetOfBytes(bytes);
}

// ---- Reading lines ----------------------------------------------------------------

void lf_splitBufferLines(std::string_view bytes, std::vector<std::string>& lines) {
    if (bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
        static_cast<unsigned char>(bytes[1]) == 0xBB && static_cast<unsigned char>(bytes[2]) == 0xBF)
        bytes.remove_prefix(3);
    // One allocation for the line vector: the lines are counted first.
    lines.reserve(lines.size() + static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1);
    std::size_t start = 0;
    while (start < bytes.size()) {
        auto pos = bytes.find('\n', start);
        const bool last = pos == std::string_view::npos;
        if (last)
            pos = bytes.size();
        std::string_view line = bytes.substr(start, pos - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.emplace_back(line);
        if (last)
            break;
        start = pos + 1;
    }
}

namespace {

// Reads the whole stream from its start into one buffer; nothing when it is
// empty. False when the size cannot be had or the read came up short.
bool lf_readAll(std::istream& stream, std::string& buffer) {
    buffer.clear();
    if (!stream.good())
        return false;
    stream.seekg(0, std::ios::end);
    const std::streamoff size = stream.tellg();
    if (size < 0)
        return false;
    stream.seekg(0, std::ios::beg);
    if (size == 0) {
        stream.clear();
        return true;
    }
    buffer.resize(static_cast<std::size_t>(size));
    stream.read(buffer.data(), size);
    if (stream.gcount() != size) {
        buffer.clear();
        return false;
    }
    return true;
}

} // namespace

bool gf_readWholeFileLines(std::istream& stream, std::vector<std::string>& lines) {
    std::string buffer;
    if (!lf_readAll(stream, buffer))
        return false;
    lf_splitBufferLines(buffer, lines);
    return true;
}

namespace {

// The lines of the bytes of a UTF-16 file (see lf_readUtf16Lines).
void lf_utf16BufferLines(std::string_view buffer, std::vector<std::string>& lines, bool bigEndian) {
    if (buffer.size() < 2)
        return;
    std::size_t start = 0;
    const auto b0 = static_cast<unsigned char>(buffer[0]);
    const auto b1 = static_cast<unsigned char>(buffer[1]);
    if (b0 == 0xFF && b1 == 0xFE) {
        bigEndian = false;
        start = 2;
    } else if (b0 == 0xFE && b1 == 0xFF) {
        bigEndian = true;
        start = 2;
    }
    const std::size_t units = (buffer.size() - start) / 2; // an odd last byte is ignored
    std::u16string text;
    text.resize(units);
    for (std::size_t i = 0; i < units; ++i) {
        const auto lo = static_cast<unsigned char>(buffer[start + 2 * i]);
        const auto hi = static_cast<unsigned char>(buffer[start + 2 * i + 1]);
        text[i] = bigEndian ? static_cast<char16_t>((lo << 8) | hi) : static_cast<char16_t>((hi << 8) | lo);
    }
    lf_splitBufferLines(wide_to_utf8(text), lines);
}

// The lines of a file's bytes in the given encoding, as gf_readTextFileLines gives them.
void lf_decodeLines(Charset charset, std::string_view buffer, std::vector<std::string>& lines, const fs::path& path) {
    switch (charset) {
    case Charset::Unicode:
    case Charset::Unicode_big_endian:
        lf_utf16BufferLines(buffer, lines, charset == Charset::Unicode_big_endian);
        return;
    case Charset::UTF8_with_BOM:
    case Charset::UTF8_without_BOM:
        lf_splitBufferLines(buffer, lines);
        if (charset == Charset::UTF8_with_BOM && !lines.empty() && lines.front().starts_with("\xEF\xBB\xBF"))
            lines.front().erase(0, 3);
        return;
    case Charset::ANSI: {
        std::vector<std::string> raw;
        raw.reserve(2048);
        lf_splitBufferLines(buffer, raw);
        lines.reserve(raw.size());
        for (const auto& line : raw)
            lines.push_back(lf_toUtf8(line));
        return;
    }
    default:
        throw std::runtime_error(
            fmt::format("file {} has unknown charset: {}", gf_pathToUtf8(path), gf_charsetName(charset)));
    }
}

enum class FileBytes { Read, Missing, Unopenable, Failed };

// The whole file in one buffer, with one open and no look-up of the path besides it.
FileBytes lf_readFileBytes(const fs::path& path, std::string& buffer) {
    buffer.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? FileBytes::Missing : FileBytes::Unopenable;
    struct FdCloser {
        int fd;
        ~FdCloser() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode))
        return FileBytes::Unopenable; // a folder counts as a file that cannot be opened
    // One byte more than the size, so that the end shows in the same read.
    buffer.resize(static_cast<std::size_t>(std::max<off_t>(st.st_size, 0)) + 1);
    std::size_t filled = 0;
    for (;;) {
        if (filled == buffer.size())
            buffer.resize(buffer.size() * 2); // the file grew
        const ssize_t got = ::read(fd, buffer.data() + filled, buffer.size() - filled);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            buffer.clear();
            return FileBytes::Failed;
        }
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    buffer.resize(filled);
    return FileBytes::Read;
}

} // namespace

void lf_readUtf16Lines(std::istream& stream, std::vector<std::string>& lines, bool bigEndian) {
    std::string buffer;
    if (!lf_readAll(stream, buffer))
        throw std::runtime_error("read error");
    lf_utf16BufferLines(buffer, lines, bigEndian);
}

DetectedTextFile gf_readDetectedTextFile(const fs::path& path, std::vector<std::string>& lines) {
    lines.clear();
    DetectedTextFile result;
    std::string buffer;
    switch (lf_readFileBytes(path, buffer)) {
    case FileBytes::Missing:
        result.missing = true;
        return result;
    case FileBytes::Unopenable:
        return result;
    case FileBytes::Failed:
        result.charset = Charset::UTF8_without_BOM; // opened: the detection would have found something
        gf_setStatus(fmt::format("Read failed for '{}': {}", gf_pathToUtf8(path), "read error"), true);
        return result;
    case FileBytes::Read:
        break;
    }
    result.charset = lf_charsetOfBytes(buffer);
    try {
        lf_decodeLines(result.charset, buffer, lines, path);
        result.read = true;
    } catch (const std::exception& e) {
        lines.clear();
        gf_setStatus(fmt::format("Read failed for '{}': {}", gf_pathToUtf8(path), e.what()), true);
    }
    return result;
}

bool gf_readTextFileLines(Charset charset, const fs::path& path, std::vector<std::string>& lines) {
    lines.clear();
    std::string buffer;
    switch (lf_readFileBytes(path, buffer)) {
    case FileBytes::Missing:
    case FileBytes::Unopenable:
        return false;
    case FileBytes::Failed:
        gf_setStatus(fmt::format("Read failed for '{}': {}", gf_pathToUtf8(path), "read error"), true);
        return false;
    case FileBytes::Read:
        break;
    }
    try {
        lf_decodeLines(charset, buffer, lines, path);
        return true;
    } catch (const std::exception& e) {
        gf_setStatus(fmt::format("Read failed for '{}': {}", gf_pathToUtf8(path), e.what()), true);
        return false;
    }
}

FileLinesView gf_readFileLines(LineFile& file, std::size_t expectedLines) {
    file.lines.clear();
    std::ifstream in;
    if (!lf_openForReading(file.path, in))
        return FileLinesView{{}, "open_failed"};
    if (expectedLines > file.lines.capacity())
        file.lines.reserve(expectedLines);
    if (!gf_readWholeFileLines(in, file.lines)) {
        file.lines.clear();
        return FileLinesView{{}, "open_failed"};
    }
    return FileLinesView{file.lines, {}};
}

bool gf_readFileLines(const fs::path& path, std::vector<std::string>& lines, std::size_t reserveLines) {
    lines.clear();
    std::ifstream in;
    if (!lf_openForReading(path, in))
        return false;
    if (reserveLines > lines.capacity())
        lines.reserve(reserveLines);
    if (!gf_readWholeFileLines(in, lines)) {
        lines.clear();
        return false;
    }
    return true;
}

std::string gf_attributeString(const pugi::xml_node& node, const char* name) {
    const auto a = node.attribute(name);
    return a ? std::string(a.value()) : std::string();
}

// ---- Replacing files --------------------------------------------------------------

namespace {
std::atomic<std::uint64_t> g_tempCounter{0};

// The path of lf_simulateFullDisk: set by a test, read by every commit (the flag spares the others the lock).
std::atomic<bool> g_fullDiskSet{false};
std::mutex g_fullDiskMutex;
fs::path g_fullDisk; // under g_fullDiskMutex

bool lf_onFullDisk(const fs::path& target) {
    if (!g_fullDiskSet.load())
        return false;
    const fs::path file = fs::absolute(target).lexically_normal();
    std::lock_guard lock(g_fullDiskMutex);
    return !g_fullDisk.empty() && (file == g_fullDisk || file.parent_path() == g_fullDisk);
}
} // namespace

void lf_simulateFullDisk(const fs::path& path) {
    std::lock_guard lock(g_fullDiskMutex);
    g_fullDisk = path.empty() ? fs::path() : fs::absolute(path).lexically_normal();
    if (!g_fullDisk.empty() && !g_fullDisk.has_filename())
        g_fullDisk = g_fullDisk.parent_path(); // a folder written with a trailing separator
    g_fullDiskSet.store(!g_fullDisk.empty());
}

ReplaceFile::ReplaceFile(fs::path target, FileSync sync) : m_target(std::move(target)), m_sync(sync) {
    const auto n = g_tempCounter.fetch_add(1);
    m_temp = m_target.parent_path() /
             fmt::format(".{}.{}-{}.tmp", m_target.filename().string(), static_cast<long>(getpid()), n);
}

ReplaceFile::~ReplaceFile() {
    if (!m_done) {
        std::error_code ec;
        fs::remove(m_temp, ec);
    }
}

bool ReplaceFile::commit() {
    if (m_done)
        return false;
    m_done = true;
    bool ok = true;
    if (lf_onFullDisk(m_target)) {
        m_error = std::make_error_code(std::errc::no_space_on_device);
        ok = false;
    } else if (m_sync == FileSync::Durable) {
        // Put the new contents on disk before the name points at them.
        const int fd = ::open(m_temp.c_str(), O_RDONLY | O_CLOEXEC);
        ok = fd >= 0 && ::fsync(fd) == 0;
        if (!ok)
            m_error = std::error_code(errno, std::generic_category());
        if (fd >= 0)
            ::close(fd);
    }
    if (ok) {
        fs::rename(m_temp, m_target, m_error);
        ok = !m_error;
    }
    std::error_code ec;
    if (!ok)
        fs::remove(m_temp, ec);
    return ok;
}

namespace {

// The system's reason of the stream failure that just happened (errno of the failed call).
std::error_code lf_lastError() {
    const int code = errno;
    return code != 0 ? std::error_code(code, std::generic_category()) : std::make_error_code(std::errc::io_error);
}

} // namespace

bool gf_replaceFile(const fs::path& target, const std::function<void(std::ostream&)>& write, std::error_code& error,
                    FileSync sync) {
    error.clear();
    ReplaceFile file(target, sync);
    errno = 0;
    std::ofstream out(file.tempPath(), std::ios::out | std::ios::trunc | std::ios::binary);
    if (!out.is_open()) {
        error = lf_lastError();
        return false;
    }
    write(out);
    out.flush();
    if (!out.good()) {
        error = lf_lastError();
        return false;
    }
    out.close();
    if (out.fail()) {
        error = lf_lastError();
        return false;
    }
    if (!file.commit()) {
        error = file.error();
        return false;
    }
    return true;
}

bool gf_replaceFile(const fs::path& target, const std::function<void(std::ostream&)>& write) {
    std::error_code error;
    return gf_replaceFile(target, write, error);
}

bool gf_writeTextFile(std::string_view text, const fs::path& path, bool addLineFeed) {
    return gf_replaceFile(path, [&](std::ostream& out) {
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        if (addLineFeed)
            out.put('\n');
    });
}

namespace {
template <class Lines>
bool lf_writeLines(const Lines& lines, const fs::path& path) {
    return gf_replaceFile(path, [&](std::ostream& out) {
        for (const auto& line : lines) {
            out.write(line.data(), static_cast<std::streamsize>(line.size()));
            out.put('\n');
        }
    });
}
} // namespace

bool gf_writeLines(const std::vector<std::string>& lines, const fs::path& path) {
    return lf_writeLines(lines, path);
}

bool gf_writeLines(const std::list<std::string>& lines, const fs::path& path) {
    return lf_writeLines(lines, path);
}

bool gf_saveXml(pugi::xml_document& document, const fs::path& path) {
    std::error_code error;
    return gf_saveXml(document, path, error);
}

bool gf_saveXml(pugi::xml_document& document, const fs::path& path, std::error_code& error, FileSync sync) {
    pugi::xml_node decl;
    for (auto child : document.children()) {
        if (child.type() == pugi::node_declaration) {
            decl = child;
            break;
        }
    }
    if (!decl)
        decl = document.prepend_child(pugi::node_declaration);
    for (const char* name : {"version", "encoding"})
        if (!decl.attribute(name))
            decl.append_attribute(name);
    decl.attribute("version").set_value("1.0");
    decl.attribute("encoding").set_value("UTF-8");

    // Through our stream writer: the library's own file save ignores a failure when the file is closed
    // (the last buffer never reaches the disk), which would put a cut file in place of the old one.
    return gf_replaceFile(
        path, [&](std::ostream& out) { document.save(out, "  ", pugi::format_default, pugi::encoding_utf8); }, error,
        sync);
}

pugi::xml_parse_result gf_loadXml(pugi::xml_document& document, const fs::path& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
        document.reset();
        pugi::xml_parse_result refused;
        refused.status = pugi::status_file_not_found;
        return refused;
    }
    return document.load_file(path.c_str());
}

// ---- Generations ------------------------------------------------------------------

namespace {

void lf_copyGeneration(bool& ok, const fs::path& from, const fs::path& to) {
    std::error_code ec;
    const auto st = fs::status(from, ec);
    if (st.type() == fs::file_type::not_found)
        return;
    if (ec) {
        gf_logError(fmt::format("exists({}): {}", gf_pathToUtf8(from), ec.message()));
        ok = false;
        return;
    }
    // Copy beside the target first and rename it over, so a failed copy never
    // leaves a cut generation.
    ReplaceFile file(to);
    if (!fs::copy_file(from, file.tempPath(), fs::copy_options::overwrite_existing, ec) || !file.commit()) {
        if (!ec)
            ec = std::make_error_code(std::errc::io_error);
        gf_logError(fmt::format("copy {} -> {} failed: {}", gf_pathToUtf8(from), gf_pathToUtf8(to), ec.message()));
        ok = false;
    }
}

// The position of the last dot of the file name within the whole path text; only
// the name counts, so a dot in a folder name never moves a generation elsewhere.
std::size_t lf_nameDot(const std::string& text) {
    const auto dot = text.rfind('.');
    const auto slash = text.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::string::npos;
    return dot;
}

// The path with the suffix inserted before that dot.
fs::path lf_generationName(const std::string& text, std::size_t dot, std::string_view digits) {
    return fs::path(text.substr(0, dot) + std::string(digits) + text.substr(dot));
}

} // namespace

bool gf_saveUpto3GenerationsOf(const fs::path& path) {
    const std::string text = path.string();
    const auto dot = lf_nameDot(text);
    if (dot == std::string::npos) {
        gf_logError(fmt::format("gf_saveUpto3GenerationsOf: no dot in filename: {}", gf_pathToUtf8(path)));
        return false;
    }
    bool ok = true;
    const auto x0 = lf_generationName(text, dot, "0");
    const auto x00 = lf_generationName(text, dot, "00");
    const auto x000 = lf_generationName(text, dot, "000");
    lf_copyGeneration(ok, x00, x000);
    lf_copyGeneration(ok, x0, x00);
    lf_copyGeneration(ok, path, x0);
    return ok;
}

bool gf_save1GenerationOf(const fs::path& path) {
    const std::string text = path.string();
    const auto dot = lf_nameDot(text);
    if (dot == std::string::npos) {
        gf_logError(fmt::format("gf_save1GenerationOf: no dot in filename: {}", gf_pathToUtf8(path)));
        return false;
    }
    bool ok = true;
    lf_copyGeneration(ok, path, lf_generationName(text, dot, "0"));
    return ok;
}

// ---- Folders ----------------------------------------------------------------------

namespace {

bool lf_isXmlFile(const fs::directory_entry& entry) {
    std::error_code ec;
    return entry.is_regular_file(ec) && gf_hasExtensionNoCase(".XML", entry.path().extension().string());
}

template <class Filter>
void lf_removeFiles(const fs::path& folder, std::string_view name, Filter&& wanted) {
    try {
        std::error_code ec;
        const auto st = fs::status(folder, ec);
        if (st.type() == fs::file_type::not_found || st.type() == fs::file_type::unknown)
            return;
        if (ec)
            throw fs::filesystem_error("status", folder, ec);
        if (!fs::is_directory(st))
            return;
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (!wanted(entry))
                continue;
            std::error_code rec;
            if (!fs::remove(entry.path(), rec) && rec)
                gf_logError(fmt::format("Failed to remove {} ({})", gf_pathToUtf8(entry.path()), rec.message()));
        }
    } catch (const std::exception& e) {
        gf_logError(fmt::format("{} exception: {}", name, e.what()));
    }
}

} // namespace

void gf_removeFilesFromDirectory(const fs::path& folder) {
    lf_removeFiles(folder, "gf_removeFilesFromDirectory", [](const fs::directory_entry& entry) {
        std::error_code ec;
        return entry.is_regular_file(ec);
    });
}

void gf_removeXMLFilesFromDirectory(const fs::path& folder) {
    lf_removeFiles(folder, "gf_removeXMLFilesFromDirectory", lf_isXmlFile);
}

std::size_t gf_countDirectoryEntries(const fs::path& folder) {
    if (!fs::exists(folder))
        return 0;
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder))
        ++n;
    return n;
}

fs::path gf_roamingAppDataPath() {
    if (auto p = gf_knownFolderPath(KnownFolder::RoamingAppData))
        return *p;
    gf_logError("Could not find the AppData path");
    return {};
}

fs::path gf_localAppDataPath() {
    if (auto p = gf_knownFolderPath(KnownFolder::LocalAppData))
        return *p;
    gf_logError("Could not find the Local AppData path");
    return {};
}

bool gf_pathExists(const fs::path& path) {
    std::error_code ec;
    const bool found = fs::exists(path, ec);
    if (ec && ec != std::errc::no_such_file_or_directory)
        throw fs::filesystem_error("exists", path, ec);
    return found;
}

bool gf_openContainingFolder(const fs::path& path) {
    std::error_code ec;
    if (!fs::exists(path, ec))
        return false;
    const auto parent = fs::absolute(path, ec).parent_path();
    if (ec || parent.empty())
        return false;
    return gf_shellOpen(parent);
}

} // namespace skf
