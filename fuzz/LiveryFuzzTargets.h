#pragma once
// What the fuzz targets of the livery readers run on one input; the robustness tests run the same.
// Read errors are the readers' expected failures; anything else (a crash, a hang) is a fault.
#include <cstddef>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "core/Codes.h"
#include "core/Files.h"
#include "core/FilesInternal.h"
#include "liveries/LiveryList.h"
#include "liveries/LiveryListInternal.h"
#include "liveries/Regcodes.h"

namespace skf::fuzz {

// LiveriesScanned.xml: the number of records read, 0 after a read error.
inline std::size_t readLiveriesScanned(std::string_view text) {
    pugi::xml_document document;
    if (!document.load_buffer(text.data(), text.size()))
        return 0;
    LiveryList list;
    try {
        lf_readLiveriesDocument(document, "fuzz.xml", list);
    } catch (const UserErrorException&) {
        return 0;
    }
    return list.size();
}

// AIG-regcodes.xml: the number of records read.
inline std::size_t readAigRegcodes(std::string_view text) {
    pugi::xml_document document;
    if (!document.load_buffer(text.data(), text.size()))
        return 0;
    std::vector<RegcodeRecord> records;
    (void)lf_readAigRegcodesDocument(document, "fuzz.xml", records);
    return records.size();
}

// A user's regcode file (input/my_regcodes/*.TXT): the number of records read.
inline std::size_t readRegcodeLines(std::string_view text) {
    std::vector<std::string> lines;
    lf_splitBufferLines(text, lines);
    std::vector<RegcodeRecord> records;
    for (const std::string& line : lines)
        (void)lf_readRegcodeLine(line, "fuzz.txt", records);
    return records.size();
}

} // namespace skf::fuzz
