#pragma once
// The stream decryption behind the encrypted readers; used inside data/ only.
#include "data/Crypto.h"

namespace skf {

// The worker: throws std::runtime_error with "Could not open input file: {path}",
// "Could not open output file: {path}", "Invalid header or key" or "Decryption failed".
// A stream that ends without its FINAL chunk, or has bytes after it, is "Decryption failed": a cut or
// lengthened file never passes.
void lf_decryptStream(const DataKey& key, const std::string& input, const std::string& output);

// The same, keeping the plain text in `memory` as well when it is given.
void lf_decryptStream(const DataKey& key, const std::string& input, const std::string& output, PlainText* memory);

} // namespace skf
