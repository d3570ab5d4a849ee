// Fuzz target: the decryption of the encrypted data files (input/*.enc). A stream that does not
// authenticate up to its final chunk leaves no output file.
#include <cstdint>
#include <cstdlib>
#include <filesystem>

#include "data/Crypto.h"
#include "fuzz/support/FuzzFolder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    skf::fuzz::workFolder();
    skf::test::writeBytes("in.enc", skf::fuzz::inputText(data, size));
    std::filesystem::remove("out.xml");
    if (!skf::gf_streamDecrypt("in.enc", "out.xml") && std::filesystem::exists("out.xml"))
        std::abort();
    skf::PlainText plain;
    if (!skf::gf_streamDecrypt("in.enc", "out2.xml", plain) && plain.size != 0)
        std::abort();
    return 0;
}
