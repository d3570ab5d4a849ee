// Fuzz target: the charset detection and the text-file line readers (UserCfg.opt, half-hour lists, any
// text the program reads line by line), in every charset.
// Seeds: sample/airports/my_simaddon/EGHI.xml
#include <cstdint>
#include <string>
#include <vector>

#include "core/Files.h"
#include "fuzz/support/FuzzFolder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    skf::fuzz::workFolder();
    skf::test::writeBytes("f.txt", skf::fuzz::inputText(data, size));
    std::vector<std::string> lines;
    skf::gf_readTextFileLines(skf::gf_detectCharset("f.txt"), "f.txt", lines);
    for (skf::Charset c : {skf::Charset::ANSI, skf::Charset::UTF8_without_BOM, skf::Charset::UTF8_with_BOM,
                           skf::Charset::Unicode, skf::Charset::Unicode_big_endian})
        skf::gf_readTextFileLines(c, "f.txt", lines);
    skf::gf_readFileLines("f.txt", lines, 4);
    skf::LineFile file{"f.txt", {}};
    skf::gf_readFileLines(file, 4);
    return 0;
}
