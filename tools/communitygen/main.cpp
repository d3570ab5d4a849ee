// communitygen: writes a sample Community folder for the livery scan and its manifest.
//   communitygen [--seed N] [--files N] [--every-pair] [--dbase FILE] [--manifest FILE] COMMUNITY_FOLDER
// The database is the bundled sample's plain dbase.xml unless --dbase names another; the manifest goes to
// COMMUNITY_FOLDER/../communitygen-manifest.json unless --manifest names another file. --every-pair adds a
// livery for every airline and model that the database pairs (see CommunityOptions).
#include "data/Dbase.h"
#include "tools/communitygen/CommunityGenerator.h"

#include <cstdlib>
#include <filesystem>
#include <fmt/format.h>
#include <iostream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    skf::tools::CommunityOptions options;
    fs::path dbase = fs::path(SKYFILL_SOURCE_DIR) / "sample" / "dbase.xml";
    fs::path community, manifest;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--seed" && hasValue)
            options.seed = static_cast<std::uint32_t>(std::stoul(argv[++i]));
        else if (arg == "--files" && hasValue)
            options.files = std::stoi(argv[++i]);
        else if (arg == "--every-pair")
            options.everyPair = true;
        else if (arg == "--dbase" && hasValue)
            dbase = argv[++i];
        else if (arg == "--manifest" && hasValue)
            manifest = argv[++i];
        else if (!arg.starts_with("--") && community.empty())
            community = arg;
        else {
            std::cerr << "usage: communitygen [--seed N] [--files N] [--every-pair] [--dbase FILE] [--manifest FILE] "
                         "FOLDER\n";
            return 2;
        }
    }
    if (community.empty()) {
        std::cerr
            << "usage: communitygen [--seed N] [--files N] [--every-pair] [--dbase FILE] [--manifest FILE] FOLDER\n";
        return 2;
    }
    try {
        // The database reader removes the plain file it reads: it reads a copy.
        const fs::path copy = fs::temp_directory_path() / fmt::format("communitygen-dbase-{}.xml", ::getpid());
        fs::copy_file(dbase, copy, fs::copy_options::overwrite_existing);
        if (!skf::gf_readDbaseXml(copy)) {
            std::cerr << "communitygen: the database " << dbase << " could not be read\n";
            return 1;
        }
        const auto result = skf::tools::gf_generateCommunity(community, options);
        if (manifest.empty())
            manifest = fs::absolute(community).parent_path() / "communitygen-manifest.json";
        if (!skf::tools::gf_writeCommunityManifest(result, manifest)) {
            std::cerr << "communitygen: cannot write " << manifest << "\n";
            return 1;
        }
        std::cout << fmt::format("{} aircraft.cfg files, {} liveries expected, manifest {}\n", result.aircraftCfgFiles,
                                 result.liveries, manifest.string());
    } catch (const std::exception& e) {
        std::cerr << "communitygen: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
