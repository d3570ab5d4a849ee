#pragma once
// Test helper: puts a reference data file in place the way the program finds it, encrypted with the
// program's key below input/ of the working folder.
#include "data/Crypto.h"
#include "support/WorkFolder.h"

#include <filesystem>
#include <string>

namespace skf::test {

// Writes the plain XML to plain.xml and encrypts it into input/<name> (for instance "airports.enc").
inline void installEncryptedInput(const std::string& xml, const std::string& name) {
    WorkFolder::writeFile("plain.xml", xml);
    std::filesystem::create_directories("input");
    gf_streamEncrypt(g_dataKey, "plain.xml", std::filesystem::path("input") / name);
}

} // namespace skf::test
