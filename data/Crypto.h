#pragma once
// Encrypted reference data files (input/*.enc).
//
// File layout: a libsodium crypto_secretstream_xchacha20poly1305 stream.
//   24 bytes stream header, then chunks of 4096 plain bytes + 17 bytes overhead (4113 bytes each);
//   the last chunk holds 0..4096 plain bytes and carries the FINAL tag. No additional data.
// The plain text is the XML document, byte for byte.

#include <array>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace skf {

inline constexpr std::size_t kDataKeyBytes = 32;
inline constexpr std::size_t kStreamHeaderBytes = 24;
inline constexpr std::size_t kPlainChunkBytes = 4096;
inline constexpr std::size_t kChunkOverheadBytes = 17;
inline constexpr std::size_t kCipherChunkBytes = kPlainChunkBytes + kChunkOverheadBytes;

using DataKey = std::array<unsigned char, kDataKeyBytes>;

// The one key of the reference data files; the data tool encrypts with it, the program decrypts.
extern const DataKey g_dataKey;

// Decrypts the input file into the output file. True when the whole stream, up to and including
// its FINAL chunk, authenticated, and nothing follows that chunk. On any failure: logs "gf_streamDecrypt exception:
// {}", leaves no output file behind, and returns false. Never throws.
bool gf_streamDecrypt(const std::filesystem::path& input, const std::filesystem::path& output);

// The plain text of a stream, decrypted into memory (not NUL-terminated).
struct PlainText {
    std::unique_ptr<char[]> data;
    std::size_t size = 0;
};

// The same, for a reader that parses the text at once: the plain file is written beside the input
// as above, and the plain text also stays in `plain`, so that it need not be read back from disk.
// `plain` is empty after a failure.
bool gf_streamDecrypt(const std::filesystem::path& input, const std::filesystem::path& output, PlainText& plain);

// Why a decryption failed: the file is not a stream of ours (damaged: cut, changed, lengthened, made with
// another key), or it could not be decrypted for another reason (the input could not be opened or read, the
// output not written; a failed write names the system's reason, "No space left on device" for a full disk).
struct DecryptFailure {
    bool damaged = false;
    std::string text; // the worker's text, as logged
};

// gf_streamDecrypt with the plain text kept, for a caller that tells a damaged file from a failure of the
// disk: none when it decrypted.
std::optional<DecryptFailure> gf_streamDecryptChecked(const std::filesystem::path& input,
                                                      const std::filesystem::path& output, PlainText& plain);

// A reference data file of input/ (airports.enc, dbase.enc, AIG-regcodes.enc) decrypted for its reader,
// as gf_streamDecrypt does (the plain text kept in `plain` too when it is given). None when it decrypted;
// else the text for the user: "{input} not available" for a missing file, "{input} stream decrypt failed"
// when it could not be read or the output not written. A file that is not the stream the server made
// (cut, changed, with bytes after its end) is moved aside to "<name>.bad", replacing an older one, so that
// the next start's update check finds it missing and downloads it again; the text says so.
std::optional<std::string> gf_decryptDataFile(const std::filesystem::path& input, const std::filesystem::path& output,
                                              PlainText* plain = nullptr);

// Decrypts into a file that replaces the output only when the whole stream authenticated: on any
// failure an existing output stays as it was. An output that is the input file itself is refused
// ("Output is the input file: {path}"). Throws std::runtime_error with the texts above, naming the
// output. Used by the data tool.
void gf_streamDecryptReplacing(const DataKey& key, const std::filesystem::path& input,
                               const std::filesystem::path& output);

// Encrypts a plain file into the stream format above (4096-byte chunks, the last tagged FINAL).
// The output is written beside itself under a temporary name and renamed over the target only when
// complete; an output that is the input is refused as above. Throws std::runtime_error on failure.
// Used by the data tool, tests and benchmarks.
void gf_streamEncrypt(const DataKey& key, const std::filesystem::path& input, const std::filesystem::path& output);

// Removes the file when it exists; a failed removal logs
// "Warning: could not remove {}, errorcode: {}" with the system's message.
void gf_removeIfExists(const std::filesystem::path& path);

} // namespace skf
