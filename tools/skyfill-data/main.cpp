// skyfill-data: the data tool of the reference data files.
//   skyfill-data encrypt IN.xml OUT.enc       encrypt a plain data file with the program's key
//   skyfill-data decrypt IN.enc OUT.xml       decrypt it again
//   skyfill-data gendb DBASE.xml AIG.xml N    write a generated database with N registrations and
//                                             the matching AIG registration-code list
//   skyfill-data genliveries OUT.xml N        write a livery list of N variants per airline and model
// Every output is written under a temporary name and renamed over its target only when complete: on any
// failure each existing file stays as it was. An output that is an input (or the other output) is refused.
#include "core/Files.h"
#include "data/Crypto.h"
#include "tools/skyfill-data/DbaseGenerator.h"
#include "tools/skyfill-data/LiveryGenerator.h"

#include <cerrno>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>

namespace {

namespace fs = std::filesystem;

int lf_usage() {
    std::cerr << "usage: skyfill-data encrypt IN.xml OUT.enc\n"
                 "       skyfill-data decrypt IN.enc OUT.xml\n"
                 "       skyfill-data gendb DBASE.xml AIG.xml REGISTRATIONS\n"
                 "       skyfill-data genliveries OUT.xml VARIANTS\n";
    return 2;
}

bool lf_writeAll(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    return static_cast<bool>(out);
}

// Both outputs are complete on disk before either replaces its target.
void lf_writeGenerated(const fs::path& dbasePath, const fs::path& aigPath, std::size_t registrations) {
    std::error_code ec;
    if (dbasePath.lexically_normal() == aigPath.lexically_normal() || fs::equivalent(dbasePath, aigPath, ec))
        throw std::runtime_error("The two outputs are one file: " + aigPath.string());
    const skf::datagen::GeneratedData data = skf::datagen::gf_generateData(registrations);
    skf::ReplaceFile dbase(dbasePath);
    skf::ReplaceFile aig(aigPath);
    if (!lf_writeAll(dbase.tempPath(), data.dbaseXml))
        throw std::runtime_error("Could not write output file: " + dbasePath.string());
    if (!lf_writeAll(aig.tempPath(), data.aigXml))
        throw std::runtime_error("Could not write output file: " + aigPath.string());
    if (!dbase.commit())
        throw std::runtime_error("Could not write output file: " + dbasePath.string());
    if (!aig.commit())
        throw std::runtime_error("Could not write output file: " + aigPath.string() + " (" + dbasePath.string() +
                                 " was written)");
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return lf_usage();
    const std::string command = argv[1];
    try {
        if (command == "encrypt" && argc == 4) {
            skf::gf_streamEncrypt(skf::g_dataKey, argv[2], argv[3]);
            return 0;
        }
        if (command == "decrypt" && argc == 4) {
            skf::gf_streamDecryptReplacing(skf::g_dataKey, argv[2], argv[3]);
            return 0;
        }
        if (command == "gendb" && argc == 5) {
            char* end = nullptr;
            errno = 0;
            const long n = std::strtol(argv[4], &end, 10);
            if (end == argv[4] || *end != '\0' || errno != 0 || n < 0) {
                std::cerr << "skyfill-data: not a count of registrations: " << argv[4] << "\n";
                return lf_usage();
            }
            lf_writeGenerated(argv[2], argv[3], static_cast<std::size_t>(n));
            return 0;
        }
        if (command == "genliveries" && argc == 4) {
            char* end = nullptr;
            errno = 0;
            const long n = std::strtol(argv[3], &end, 10);
            if (end == argv[3] || *end != '\0' || errno != 0 || n < 1) {
                std::cerr << "skyfill-data: not a count of variants: " << argv[3] << "\n";
                return lf_usage();
            }
            const auto liveries = skf::datagen::gf_generateLiveries(static_cast<std::size_t>(n));
            if (!skf::gf_writeTextFile(skf::datagen::gf_liveriesXml(liveries), argv[2], false)) {
                std::cerr << "skyfill-data: cannot write the output file\n";
                return 1;
            }
            return 0;
        }
    } catch (const std::exception& e) {
        std::cerr << "skyfill-data: " << e.what() << "\n";
        return 1;
    }
    return lf_usage();
}
