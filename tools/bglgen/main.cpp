// Maker of scenery .bgl files (deterministic: running it again writes the same bytes).
//   bglgen community FOLDER 2020|2024   the sample add-on airports below the Community folder FOLDER
//   bglgen golden FILE                  the small golden file of the decoder tests
#include <cstdio>
#include <exception>
#include <string>

#include "tools/bglgen/BglWriter.h"
#include "tools/bglgen/GoldenBgl.h"
#include "tools/bglgen/SampleCommunity.h"

int main(int argc, char** argv) {
    try {
        const std::string command = argc > 1 ? argv[1] : "";
        if (command == "community" && argc == 4) {
            skf::bgl::gf_writeSampleCommunity(argv[2], std::stoi(argv[3]));
            return 0;
        }
        if (command == "golden" && argc == 3) {
            skf::bgl::gf_writeBglFile(skf::bgl::gf_goldenBgl(), argv[2]);
            return 0;
        }
        std::fprintf(stderr, "usage: bglgen community FOLDER 2020|2024 | bglgen golden FILE\n");
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bglgen: %s\n", e.what());
        return 1;
    }
}
