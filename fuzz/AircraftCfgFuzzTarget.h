#pragma once
// What the fuzz target of the aircraft.cfg readers runs on one input; the corpus test runs the same.
#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "core/Files.h"
#include "core/FilesInternal.h"
#include "data/Dbase.h"
#include "liveries/FltsimLines.h"
#include "liveries/FolderWalk.h"
#include "liveries/LiveryServices.h"
#include "liveries/LiveryServicesInternal.h"
#include "liveries/ScanReports.h"

namespace skf::fuzz {

// The sample database, so that model and airline codes are known (read from a copy: the reader removes it).
inline void loadLiverySampleDbase() {
    static std::once_flag once;
    std::call_once(once, [] {
        const auto copy = std::filesystem::temp_directory_path() / "skyfill-fuzz-livery-dbase.xml";
        std::error_code ec;
        std::filesystem::copy_file(std::filesystem::path(SKYFILL_SOURCE_DIR) / "sample" / "dbase.xml", copy,
                                   std::filesystem::copy_options::overwrite_existing, ec);
        if (!ec)
            (void)gf_readDbaseXml(copy);
    });
}

// The bytes of one aircraft.cfg through every reader of its lines: key readers, headers, the section-number
// check, the model, and the section rules of both variants. The number of liveries made.
inline std::size_t readAircraftCfg(std::string_view bytes) {
    loadLiverySampleDbase();
    std::vector<std::string> lines;
    lf_splitBufferLines(bytes, lines);
    const std::filesystem::path file = "/fuzz/IVAO_MTL/SimObjects/Airplanes/IVAO_A320/aircraft.cfg";
    std::string value;
    for (const std::string& line : lines) {
        (void)lf_readTitle(line, value);
        (void)lf_readAtcId(line, value);
        (void)lf_readIcaoAirline(line, value);
        (void)lf_readTypeDesignator(line);
        (void)lf_readBaseContainer(line);
        (void)lf_fltsimNumber(line);
    }
    (void)lf_stockModelOfBaseContainer(bytes);
    std::size_t made = 0;
    // What the rules promise of a livery they make: a title, and an airline and a model code.
    const auto check = [&](const std::vector<SectionLivery>& sections) {
        for (const SectionLivery& s : sections) {
            if (s.makesLivery && (s.livery.title.empty() || s.livery.airline == 0 || s.livery.model == 0))
                std::abort();
            made += s.makesLivery ? 1 : 0;
        }
    };
    if (lf_splitFltsimSections(lines, file)) {
        const std::string model = lf_modelOfFile(file, lines);
        check(lf_searchFltsimSections(1, lines, model.empty() ? "B738" : model, file, file.parent_path()));
        check(lf_searchIvaoFltsimSections(1, lines, lf_ivaoModelOfFile(file), file, file.parent_path()));
    }
    lf_clearScanCollections();
    return made;
}

} // namespace skf::fuzz
