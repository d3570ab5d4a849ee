#include "data/Crypto.h"

#include "core/Log.h"

#include <fmt/format.h>
#include <sodium.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <system_error>
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

struct FileCloser {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

void lf_sodiumInit()
{
    static const int rc = sodium_init();
    if (rc < 0)
        throw std::runtime_error("libsodium could not be initialised");
}

std::string lf_partName(const std::string& path) { return path + ".part"; }

// Closes the file and reports a failed flush as an error of the given path.
void lf_closeChecked(FilePtr& f, const std::string& path)
{
    std::FILE* raw = f.release();
    if (std::fclose(raw) != 0)
        throw std::runtime_error("Could not write output file: " + path);
}

} // namespace

void lf_decryptStream(const DataKey& key, const std::string& input, const std::string& output)
{
    lf_sodiumInit();
    FilePtr in(std::fopen(input.c_str(), "rb"));
    if (!in)
        throw std::runtime_error("Could not open input file: " + input);
    FilePtr out(std::fopen(output.c_str(), "wb"));
    if (!out)
        throw std::runtime_error("Could not open output file: " + output);
    // Larger stdio buffers: fewer system calls for the many small chunks.
    std::setvbuf(in.get(), nullptr, _IOFBF, 1 << 18);
    std::setvbuf(out.get(), nullptr, _IOFBF, 1 << 18);

    unsigned char header[kStreamHeaderBytes];
    // A file shorter than its header cannot be a stream of ours.
    if (std::fread(header, 1, sizeof header, in.get()) != sizeof header)
        throw std::runtime_error("Invalid header or key");
    crypto_secretstream_xchacha20poly1305_state state;
    if (crypto_secretstream_xchacha20poly1305_init_pull(&state, header, key.data()) != 0)
        throw std::runtime_error("Invalid header or key");

    std::vector<unsigned char> cipher(kCipherChunkBytes, 0);
    std::vector<unsigned char> plain(kPlainChunkBytes, 0);
    bool final = false;
    std::size_t n = std::fread(cipher.data(), 1, cipher.size(), in.get());
    while (n > 0) {
        unsigned long long plainLen = 0;
        unsigned char tag = 0;
        if (crypto_secretstream_xchacha20poly1305_pull(&state, plain.data(), &plainLen, &tag,
                                                       cipher.data(), n, nullptr, 0) != 0)
            throw std::runtime_error("Decryption failed");
        if (plainLen > 0 && std::fwrite(plain.data(), 1, plainLen, out.get()) != plainLen)
            throw std::runtime_error("Could not write output file: " + output);
        if (tag == crypto_secretstream_xchacha20poly1305_TAG_FINAL) {
            final = true;
            break;
        }
        n = std::fread(cipher.data(), 1, cipher.size(), in.get());
    }
    sodium_memzero(plain.data(), plain.size());
    if (std::ferror(in.get()))
        throw std::runtime_error("Could not read input file: " + input);
    // The stream ended before its FINAL chunk: the file was cut, it is not complete data.
    if (!final)
        throw std::runtime_error("Decryption failed");
    lf_closeChecked(out, output);
}

bool gf_streamDecrypt(const std::filesystem::path& input, const std::filesystem::path& output)
{
    try {
        DataKey key = g_dataKey;
        struct Wipe {
            DataKey& k;
            ~Wipe() { sodium_memzero(k.data(), k.size()); }
        } wipe{key};
        lf_decryptStream(key, input.string(), output.string());
        return true;
    } catch (const std::exception& e) {
        gf_log(fmt::format("{} exception: {}", "gf_streamDecrypt", e.what()));
    }
    // The worker has closed the output (its file handle is gone with the exception).
    gf_removeIfExists(output);
    return false;
}

void gf_streamEncrypt(const DataKey& key, const std::filesystem::path& input,
                      const std::filesystem::path& output)
{
    lf_sodiumInit();
    const std::string inText = input.string();
    const std::string outText = output.string();
    const std::string part = lf_partName(outText);
    FilePtr in(std::fopen(inText.c_str(), "rb"));
    if (!in)
        throw std::runtime_error("Could not open input file: " + inText);
    FilePtr out(std::fopen(part.c_str(), "wb"));
    if (!out)
        throw std::runtime_error("Could not open output file: " + outText);
    try {
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
            const unsigned char tag = last ? crypto_secretstream_xchacha20poly1305_TAG_FINAL
                                           : crypto_secretstream_xchacha20poly1305_TAG_MESSAGE;
            unsigned long long cipherLen = 0;
            crypto_secretstream_xchacha20poly1305_push(&state, cipher.data(), &cipherLen, plain.data(),
                                                       n, nullptr, 0, tag);
            if (std::fwrite(cipher.data(), 1, cipherLen, out.get()) != cipherLen)
                throw std::runtime_error("Could not write output file: " + outText);
            if (last)
                break;
            n = std::fread(plain.data(), 1, plain.size(), in.get());
        }
        lf_closeChecked(out, outText);
        std::filesystem::rename(part, output);
    } catch (...) {
        out.reset();
        std::error_code ec;
        std::filesystem::remove(part, ec);
        throw;
    }
}

void gf_removeIfExists(const std::filesystem::path& path)
{
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        return;
    if (!std::filesystem::remove(path, ec) && ec)
        gf_logError(fmt::format("Warning: could not remove {}, errorcode: {}", path.string(), ec.message()));
}

} // namespace skf
