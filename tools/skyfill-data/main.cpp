// skyfill-data: the data tool of the reference data files.
//   skyfill-data encrypt IN.xml OUT.enc       encrypt a plain data file with the program's key
//   skyfill-data decrypt IN.enc OUT.xml       decrypt it again
//   skyfill-data gendb DBASE.xml AIG.xml N    write a generated database with N registrations and
//                                             the matching AIG registration-code list
#include "core/Files.h"
#include "data/Crypto.h"
#include "tools/skyfill-data/DbaseGenerator.h"

#include <cerrno>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>

namespace {

int lf_usage() {
    std::cerr << "usage: skyfill-data encrypt IN.xml OUT.enc\n"
                 "       skyfill-data decrypt IN.enc OUT.xml\n"
                 "       skyfill-data gendb DBASE.xml AIG.xml REGISTRATIONS\n";
    return 2;
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
            skf::DataKey key = skf::g_dataKey;
            const std::string out = argv[3];
            try {
                skf::lf_decryptStream(key, argv[2], out);
            } catch (...) {
                std::error_code ec;
                std::filesystem::remove(out, ec);
                throw;
            }
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
            const skf::datagen::GeneratedData data = skf::datagen::gf_generateData(static_cast<std::size_t>(n));
            if (!skf::gf_writeTextFile(data.dbaseXml, argv[2], false) ||
                !skf::gf_writeTextFile(data.aigXml, argv[3], false)) {
                std::cerr << "skyfill-data: cannot write the output files\n";
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
