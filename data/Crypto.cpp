#include "data/Crypto.h"
#include "data/CryptoInternal.h"

#include "core/Files.h"
#include "core/Log.h"

#include <fmt/format.h>
#include <sodium.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

namespace skf {

static_assert(kStreamHeaderBytes == crypto_secretstream_xchacha20poly1305_HEADERBYTES);
static_assert(kChunkOverheadBytes == crypto_secretstream_xchacha20poly1305_ABYTES);
static_assert(kDataKeyBytes == crypto_secretstream_xchacha20poly1305_KEYBYTES);

const DataKey g_dataKey = {
    0x34, 0x82, 0x17, 0x6c, 0x00, 0x61, 0x56, 0x5a, 0x6d, 0x11, 0xbf, 0xab, 0x55, 0x14, 0x9b, 0xa3,
    0x6f, 0x21, 0x24, 0x1d, 0x20, 0x76, 0x84, 0xe4, 0x78, 0xe5, 0x74, 0x78, 0x8b, 0x48, 0x69, 0x42,
};

namespace {

// The failures that say the file itself is not a stream of ours (cut, changed, lengthened, another key),
// as opposed to a file that cannot be opened, read or written.
class DamagedStream : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct FileCloser {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

void lf_sodiumInit() {
    static const int rc = sodium_init();
    if (rc < 0)
        throw std::runtime_error("libsodium could not be initialised");
}

// A failed write of the output, with the system's reason (a full disk says so, rather than passing for a
// file that does not decrypt).
[[noreturn]] void lf_throwWriteFailed(const std::string& path, int error) {
    const std::string reason =
        error != 0 ? std::generic_category().message(error) : std::make_error_code(std::errc::io_error).message();
    throw std::runtime_error(fmt::format("Could not write output file: {} ({})", path, reason));
}

// Closes the file and reports a failed flush as an error of the given path.
void lf_closeChecked(FilePtr& f, const std::string& path) {
    std::FILE* raw = f.release();
    errno = 0;
    if (std::fclose(raw) != 0)
        lf_throwWriteFailed(path, errno);
}

// Writes the growing plain text of one buffer to the output file on a thread of its own, so that
// decrypting and writing overlap. publish() hands over the bytes decrypted so far; finish() waits
// until they are all written. Destroying it before finish() stops the writing and waits for it.
class BackgroundWriter {
public:
    BackgroundWriter(std::FILE* out, const unsigned char* data)
        : m_out(out), m_data(data), m_thread([this] { run(); }) {}
    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;
    ~BackgroundWriter() {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
            m_abort = true;
        }
        m_wake.notify_one();
        if (m_thread.joinable())
            m_thread.join();
    }

    void publish(std::size_t end) {
        {
            std::lock_guard lock(m_mutex);
            m_end = end;
        }
        m_wake.notify_one();
    }
    bool failed() const { return m_failed.load(); }
    // The system's error of the failed write (0 when it gave none).
    int error() const { return m_error.load(); }
    // True when every published byte was written.
    bool finish() {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_wake.notify_one();
        m_thread.join();
        return !m_failed.load();
    }

private:
    void run() {
        std::size_t written = 0;
        for (;;) {
            std::size_t end = 0;
            bool done = false;
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [&] { return m_end > written || m_done; });
                if (m_abort)
                    return;
                end = m_end;
                done = m_done;
            }
            if (end > written) {
                errno = 0;
                if (std::fwrite(m_data + written, 1, end - written, m_out) != end - written) {
                    m_error.store(errno);
                    m_failed.store(true);
                    return;
                }
                written = end;
            } else if (done) {
                return;
            }
        }
    }

    std::FILE* m_out;
    const unsigned char* m_data;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::size_t m_end = 0;
    bool m_done = false;
    bool m_abort = false;
    std::atomic<bool> m_failed{false};
    std::atomic<int> m_error{0};
    std::thread m_thread; // last: it starts with every other member in place
};

} // namespace

namespace {

// The worker of lf_decryptStream: writes to writePath and names `output` in its errors (the two differ
// when the output is written through a temporary file).
void lf_decryptStreamTo(const DataKey& key, const std::string& input, const std::string& writePath,
                        const std::string& output, PlainText* memory) {
    lf_sodiumInit();
    FilePtr in(std::fopen(input.c_str(), "rb"));
    if (!in)
        throw std::runtime_error("Could not open input file: " + input);
    FilePtr out(std::fopen(writePath.c_str(), "wb"));
    if (!out)
        throw std::runtime_error("Could not open output file: " + output);
    // Both files are read and written in large blocks of our own: no stdio buffering on top.
    std::setvbuf(in.get(), nullptr, _IONBF, 0);
    std::setvbuf(out.get(), nullptr, _IONBF, 0);

    unsigned char header[kStreamHeaderBytes];
    // A file shorter than its header cannot be a stream of ours.
    if (std::fread(header, 1, sizeof header, in.get()) != sizeof header)
        throw DamagedStream("Invalid header or key");
    crypto_secretstream_xchacha20poly1305_state state;
    if (crypto_secretstream_xchacha20poly1305_init_pull(&state, header, key.data()) != 0)
        throw DamagedStream("Invalid header or key");

    // The cipher text is read kBlockChunks chunks at a time; chunk boundaries stay where they are,
    // since a block is a whole number of chunks.
    constexpr std::size_t kBlockChunks = 64;
    std::vector<unsigned char> cipher(kBlockChunks * kCipherChunkBytes);

    // Where the plain text goes: into one buffer of the whole text (kept for the caller), or into
    // a block buffer that is written out whenever it is full.
    std::unique_ptr<char[]> whole;
    std::vector<unsigned char> block;
    unsigned char* plain = nullptr;
    std::size_t capacity = 0;
    if (memory) {
        // The plain text is shorter than the file: room for the whole file's bytes after the
        // header is enough, whatever follows the FINAL chunk.
        std::error_code ec;
        const auto fileSize = std::filesystem::file_size(input, ec);
        capacity = !ec && fileSize > kStreamHeaderBytes ? static_cast<std::size_t>(fileSize) - kStreamHeaderBytes : 0;
        whole = std::make_unique_for_overwrite<char[]>(capacity + 1);
        plain = reinterpret_cast<unsigned char*>(whole.get());
    } else {
        block.resize(kBlockChunks * kPlainChunkBytes);
        plain = block.data();
        capacity = block.size();
    }

    std::size_t used = 0;    // plain bytes in the destination
    std::size_t written = 0; // of them, bytes already in the output file
    const auto writeOut = [&] {
        errno = 0;
        if (used > written && std::fwrite(plain + written, 1, used - written, out.get()) != used - written)
            lf_throwWriteFailed(output, errno);
        written = used;
        if (!memory)
            used = written = 0;
    };

    // The whole text in memory is written out by a thread of its own while the decryption goes on
    // (or, when no thread can be had, at the end).
    std::unique_ptr<BackgroundWriter> writer;
    if (memory) {
        try {
            writer = std::make_unique<BackgroundWriter>(out.get(), plain);
        } catch (const std::system_error&) {
        }
    }

    bool final = false;
    bool trailing = false; // bytes after the FINAL chunk
    while (!final) {
        const std::size_t got = std::fread(cipher.data(), 1, cipher.size(), in.get());
        std::size_t pos = 0;
        for (; pos < got && !final;) {
            const std::size_t n = std::min(kCipherChunkBytes, got - pos);
            if (n > kChunkOverheadBytes && capacity - used < n - kChunkOverheadBytes) {
                if (memory) // the file grew while it was read
                    throw std::runtime_error("Decryption failed");
                writeOut();
            }
            unsigned long long plainLen = 0;
            unsigned char tag = 0;
            if (crypto_secretstream_xchacha20poly1305_pull(&state, plain + used, &plainLen, &tag, cipher.data() + pos,
                                                           n, nullptr, 0) != 0)
                throw DamagedStream("Decryption failed");
            used += static_cast<std::size_t>(plainLen);
            pos += n;
            final = tag == crypto_secretstream_xchacha20poly1305_TAG_FINAL;
        }
        trailing = final && pos < got;
        if (!memory && used > 0 && !final)
            writeOut(); // a block at a time
        if (writer) {
            if (writer->failed())
                lf_throwWriteFailed(output, writer->error());
            writer->publish(used);
        }
        if (got < cipher.size())
            break; // the end of the file (or a read error, see below)
    }
    if (final && !trailing && std::fgetc(in.get()) != EOF)
        trailing = true;
    if (std::ferror(in.get()))
        throw std::runtime_error("Could not read input file: " + input);
    // The stream ended before its FINAL chunk: the file was cut, it is not complete data. Bytes after
    // the FINAL chunk make it a file that the server never made: just as damaged.
    if (!final || trailing)
        throw DamagedStream("Decryption failed");
    if (writer) {
        writer->publish(used);
        const bool complete = writer->finish();
        const int error = writer->error();
        writer.reset();
        if (!complete)
            lf_throwWriteFailed(output, error);
    } else {
        writeOut();
    }
    if (!block.empty())
        sodium_memzero(block.data(), block.size());
    lf_closeChecked(out, output);
    if (memory) {
        memory->data = std::move(whole);
        memory->size = used;
    }
}

// Whether both paths name one existing file (also through links).
bool lf_sameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec) && !ec;
}

void lf_refuseOutputOverInput(const std::filesystem::path& input, const std::filesystem::path& output) {
    if (lf_sameFile(input, output))
        throw std::runtime_error("Output is the input file: " + output.string());
}

} // namespace

void lf_decryptStream(const DataKey& key, const std::string& input, const std::string& output) {
    lf_decryptStreamTo(key, input, output, output, nullptr);
}

void lf_decryptStream(const DataKey& key, const std::string& input, const std::string& output, PlainText* memory) {
    lf_decryptStreamTo(key, input, output, output, memory);
}

void gf_streamDecryptReplacing(const DataKey& key, const std::filesystem::path& input,
                               const std::filesystem::path& output) {
    lf_refuseOutputOverInput(input, output);
    ReplaceFile file(output);
    lf_decryptStreamTo(key, input.string(), file.tempPath().string(), output.string(), nullptr);
    if (!file.commit())
        throw std::runtime_error("Could not write output file: " + output.string());
}

namespace {

enum class DecryptOutcome { Decrypted, Damaged, Failed };

// failure: the worker's text of a failure, when given.
DecryptOutcome lf_streamDecrypt(const std::filesystem::path& input, const std::filesystem::path& output,
                                PlainText* plain, std::string* failure = nullptr) {
    DecryptOutcome outcome = DecryptOutcome::Failed;
    try {
        DataKey key = g_dataKey;
        struct Wipe {
            DataKey& k;
            ~Wipe() { sodium_memzero(k.data(), k.size()); }
        } wipe{key};
        lf_decryptStream(key, input.string(), output.string(), plain);
        return DecryptOutcome::Decrypted;
    } catch (const DamagedStream& e) {
        gf_log(fmt::format("{} exception: {}", "gf_streamDecrypt", e.what()));
        outcome = DecryptOutcome::Damaged;
        if (failure)
            *failure = e.what();
    } catch (const std::exception& e) {
        gf_log(fmt::format("{} exception: {}", "gf_streamDecrypt", e.what()));
        if (failure)
            *failure = e.what();
    }
    // The worker has closed the output (its file handle is gone with the exception). A folder in
    // the output's place was never ours to write: it stays.
    std::error_code ec;
    if (!std::filesystem::is_directory(output, ec))
        gf_removeIfExists(output);
    return outcome;
}

// Moves a damaged data file aside to "<name>.bad" (replacing an older one); the text for the user.
std::string lf_setAsideDamaged(const std::filesystem::path& input) {
    std::filesystem::path bad = input;
    bad += ".bad";
    std::error_code ec;
    std::filesystem::rename(input, bad, ec);
    if (!ec) {
        gf_logError(fmt::format("{} could not be decrypted: moved to {}", input.string(), bad.string()));
        return fmt::format("{} could not be decrypted (damaged): moved to {}, it is downloaded again at the next start",
                           input.string(), bad.string());
    }
    gf_logError(fmt::format("{} could not be decrypted, and not be moved to {}: {}", input.string(), bad.string(),
                            ec.message()));
    return fmt::format(
        "{} could not be decrypted (damaged): delete it, so that it is downloaded again at the next start",
        input.string());
}

} // namespace

bool gf_streamDecrypt(const std::filesystem::path& input, const std::filesystem::path& output) {
    return lf_streamDecrypt(input, output, nullptr) == DecryptOutcome::Decrypted;
}

bool gf_streamDecrypt(const std::filesystem::path& input, const std::filesystem::path& output, PlainText& plain) {
    plain = {};
    return lf_streamDecrypt(input, output, &plain) == DecryptOutcome::Decrypted;
}

std::optional<DecryptFailure> gf_streamDecryptChecked(const std::filesystem::path& input,
                                                      const std::filesystem::path& output, PlainText& plain) {
    plain = {};
    DecryptFailure failure;
    const DecryptOutcome outcome = lf_streamDecrypt(input, output, &plain, &failure.text);
    if (outcome == DecryptOutcome::Decrypted)
        return std::nullopt;
    failure.damaged = outcome == DecryptOutcome::Damaged;
    return failure;
}

std::optional<std::string> gf_decryptDataFile(const std::filesystem::path& input, const std::filesystem::path& output,
                                              PlainText* plain) {
    if (plain)
        *plain = {};
    std::error_code ec;
    if (!std::filesystem::exists(input, ec))
        return fmt::format("{} not available", input.string());
    switch (lf_streamDecrypt(input, output, plain)) {
    case DecryptOutcome::Decrypted:
        return std::nullopt;
    case DecryptOutcome::Damaged:
        return lf_setAsideDamaged(input);
    case DecryptOutcome::Failed:
        break;
    }
    return fmt::format("{} stream decrypt failed", input.string());
}

void gf_streamEncrypt(const DataKey& key, const std::filesystem::path& input, const std::filesystem::path& output) {
    lf_sodiumInit();
    lf_refuseOutputOverInput(input, output);
    const std::string inText = input.string();
    const std::string outText = output.string();
    FilePtr in(std::fopen(inText.c_str(), "rb"));
    if (!in)
        throw std::runtime_error("Could not open input file: " + inText);
    ReplaceFile file(output);
    FilePtr out(std::fopen(file.tempPath().c_str(), "wb"));
    if (!out)
        throw std::runtime_error("Could not open output file: " + outText);
    crypto_secretstream_xchacha20poly1305_state state;
    unsigned char header[kStreamHeaderBytes];
    crypto_secretstream_xchacha20poly1305_init_push(&state, header, key.data());
    if (std::fwrite(header, 1, sizeof header, out.get()) != sizeof header)
        throw std::runtime_error("Could not write output file: " + outText);

    std::vector<unsigned char> plain(kPlainChunkBytes);
    std::vector<unsigned char> cipher(kCipherChunkBytes);
    // Read one chunk ahead so that the last chunk (possibly empty) gets the FINAL tag.
    std::size_t n = std::fread(plain.data(), 1, plain.size(), in.get());
    for (;;) {
        bool last = n < plain.size();
        if (!last) {
            const int c = std::fgetc(in.get());
            if (c == EOF)
                last = true;
            else
                std::ungetc(c, in.get());
        }
        if (std::ferror(in.get()))
            throw std::runtime_error("Could not read input file: " + inText);
        const unsigned char tag =
            last ? crypto_secretstream_xchacha20poly1305_TAG_FINAL : crypto_secretstream_xchacha20poly1305_TAG_MESSAGE;
        unsigned long long cipherLen = 0;
        crypto_secretstream_xchacha20poly1305_push(&state, cipher.data(), &cipherLen, plain.data(), n, nullptr, 0, tag);
        if (std::fwrite(cipher.data(), 1, cipherLen, out.get()) != cipherLen)
            throw std::runtime_error("Could not write output file: " + outText);
        if (last)
            break;
        n = std::fread(plain.data(), 1, plain.size(), in.get());
    }
    lf_closeChecked(out, outText);
    if (!file.commit())
        throw std::runtime_error("Could not write output file: " + outText);
}

void gf_removeIfExists(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        return;
    if (!std::filesystem::remove(path, ec) && ec)
        gf_logError(fmt::format("Warning: could not remove {}, errorcode: {}", path.string(), ec.message()));
}

} // namespace skf
