// Damaged scenario files of the simulator stand-in: each one loads or is refused with a clear message.
#include "support/Mutations.h"
#include "support/TempFolder.h"
#include "tools/simstandin/Scenario.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace skf::standin {
namespace {

namespace fs = std::filesystem;

const char* kSample = R"({"simulator": 2024, "version": [12, 1, 282174, 999],
 "user": {"title": "A320", "objectId": 1}, "firstAiObjectId": 100,
 "zulu": {"year": 2024, "dayOfYear": 160, "seconds": 43200},
 "areas": [{"name": "EHAM", "lat": 52.3, "lon": 4.76, "radiusNm": 6, "elevationFt": -11}],
 "path": [{"t": 0, "lat": 52.3, "lon": 4.76, "alt": "ground"}, {"t": 60, "lat": 52.4, "lon": 4.8, "alt": 1500}],
 "capacity": 10, "confirmFrames": 3,
 "foreign": [{"atcId": "PH-BXA", "lat": 52.31, "lon": 4.74, "alt": 3000, "appearAt": 2}]})";

void write(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}

TEST(ScenarioRobustness, DamagedFilesLoadSanelyOrAreRefusedWithAScenarioMessage) {
    test::TempFolder temp;
    const fs::path file = temp.path() / "s.json";
    int loaded = 0, refused = 0;
    for (const std::string& text : test::mutationsOf(kSample, 3, 300, "[")) {
        write(file, text);
        try {
            const Scenario s = gf_loadScenario(file);
            ++loaded;
            EXPECT_TRUE(s.simulator == 2020 || s.simulator == 2024);
            EXPECT_GT(s.firstAiObjectId, s.userObjectId);
            for (const Waypoint& w : s.path)
                EXPECT_TRUE(std::isfinite(w.lat) && std::fabs(w.lat) <= 90);
        } catch (const std::runtime_error& e) {
            ++refused;
            EXPECT_EQ(std::string(e.what()).rfind("scenario: ", 0), 0u) << e.what();
        }
    }
    EXPECT_GT(loaded, 0);
    EXPECT_GT(refused, 0);
}

TEST(ScenarioRobustness, NumbersThatDoNotFitAnIntegerFieldAreRefused) {
    for (const char* text : {R"({"simulator": 1e30})", R"({"simulator": 2020.5})", R"({"capacity": -1})",
                             R"({"confirmFrames": 4294967296})", R"({"user": {"objectId": -5}})",
                             R"({"zulu": {"dayOfYear": 1e300}})", R"({"version": [11, 0, -1, 999]})"}) {
        EXPECT_THROW(gf_parseScenario(nlohmann::json::parse(text)), std::runtime_error) << text;
    }
    EXPECT_EQ(gf_parseScenario(nlohmann::json::parse(R"({"simulator": 2024.0, "capacity": 4294967295})")).capacity,
              4294967295u);
}

TEST(ScenarioRobustness, MissingEmptyOrFolderFilesAreRefused) {
    test::TempFolder temp;
    EXPECT_THROW(gf_loadScenario(temp.path() / "none.json"), std::runtime_error);
    write(temp.path() / "empty.json", "");
    EXPECT_THROW(gf_loadScenario(temp.path() / "empty.json"), std::runtime_error);
    fs::create_directories(temp.path() / "folder.json");
    EXPECT_THROW(gf_loadScenario(temp.path() / "folder.json"), std::runtime_error);
}

} // namespace
} // namespace skf::standin
