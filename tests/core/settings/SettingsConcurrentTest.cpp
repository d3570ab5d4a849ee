// Stores from two threads at once (the window thread and the start-up thread do this in the program).
#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "SettingsFixture.h"
#include "core/settings/SettingsFile.h"

namespace skf {
namespace {

class SettingsConcurrent : public test::SettingsTest {};

TEST_F(SettingsConcurrent, TwoThreadsStoringDifferentKeysLoseNothing) {
    gf_loadParameters();
    gf_closeLog(); // 2,000 value lines are of no interest here
    constexpr int kStores = 1000;
    std::atomic<bool> done{false};
    std::atomic<int> badReads{0};

    // A reader that must always find a whole file (the file is replaced by renaming, never cut or missing).
    std::thread reader([&] {
        while (!done.load()) {
            pugi::xml_document doc;
            if (!doc.load_file(g_parametersPath.c_str()) || !gf_readStringParameter(doc, "SIM_CHOICE"))
                ++badReads;
        }
    });
    std::thread a([] {
        for (int i = 1; i <= kStores; ++i) {
            lfolder0.setValue("a" + std::to_string(i));
        }
    });
    std::thread b([] {
        for (int i = 1; i <= kStores; ++i) {
            MAX_HOLDING_MINUTES.set(1 + i % 60);
            MAX_HOLDING_MINUTES.store();
        }
    });
    // Readers of the values in memory while they change.
    std::thread c([] {
        for (int i = 0; i < 5 * kStores; ++i) {
            const std::string s = lfolder0.value();
            if (!s.empty() && s.front() != 'a')
                ADD_FAILURE() << s;
            const int m = MAX_HOLDING_MINUTES.value();
            if (m < 1 || m > 60)
                ADD_FAILURE() << m;
        }
    });
    a.join();
    b.join();
    c.join();
    done = true;
    reader.join();

    EXPECT_EQ(badReads.load(), 0);
    const auto& doc = loadParameters();
    EXPECT_EQ(gf_readStringParameter(doc, "lfolder0"), "a1000");
    EXPECT_EQ(gf_readIntParameter(doc, "MAX_HOLDING_MINUTES"), 1 + kStores % 60);
    EXPECT_EQ(gf_readStringParameter(doc, "SIM_CHOICE"), "MSFS 2020");
    std::size_t entries = 0;
    for (auto e : gf_parametersNode(doc).children("parameter")) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 61u);
    // No temporary file is left behind: the file and its last good copy, which holds the same.
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(g_dataFolder))
        files.push_back(e.path().filename().string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"parameters.xml", "parameters.xml.bak"}));
    EXPECT_EQ(test::readFile(g_dataFolder / "parameters.xml.bak"), parametersText());
}

} // namespace
} // namespace skf
