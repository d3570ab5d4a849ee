// Starts with a damaged parameters.xml and with what a save cut short left behind: the settings come back
// from the last good copy, the damaged file is kept under the name the log gives, and no leftover stays.
#include "SettingsFixture.h"
#include "core/FilesInternal.h"
#include "core/settings/SettingsFile.h"

#include <unistd.h>

#include <filesystem>

namespace skf::test {
namespace {

namespace fs = std::filesystem;

class SettingsRecovery : public SettingsTest {
protected:
    fs::path lastGood() const { return g_dataFolder / "parameters.xml.bak"; }
    fs::path damagedCopy() const { return g_dataFolder / "parameters0.xml"; }

    // A start that changed two settings: both are in the file and in its last good copy.
    std::string savedSettings() {
        gf_loadParameters();
        PORT_NUMBER.setValue("12345");
        RANGE.set(65);
        RANGE.store();
        const std::string good = parametersText();
        EXPECT_EQ(readFile(lastGood()), good);
        return good;
    }
};

TEST_F(SettingsRecovery, ADamagedFileIsKeptAsParameters0AndTheLastGoodCopyTakesItsPlace) {
    const std::string good = savedSettings();
    struct Row {
        const char* name;
        std::string content;
        bool damaged;
    };
    const Row rows[] = {
        {"cut at half", good.substr(0, good.size() / 2), true},
        {"empty", "", true},
        {"garbage", std::string("\x01\xff PK not xml <<<", 17), true},
        {"xml without settings", "<html><body/></html>", true},
        {"good", good, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove(damagedCopy());
        writeFile(g_parametersPath, row.content);
        resetAllSettings();
        const std::size_t before = m_work->log().size();
        EXPECT_FALSE(gf_loadParameters()); // never a first start: the scans stay as they were
        const std::string log = m_work->log().substr(before);

        EXPECT_EQ(PORT_NUMBER.value(), "12345");
        EXPECT_EQ(RANGE.value(), 65);
        EXPECT_EQ(parametersText(), good);
        EXPECT_EQ(log.find("not found, creating new with default values"), std::string::npos);
        if (row.damaged) {
            EXPECT_EQ(readFile(damagedCopy()), row.content);
            EXPECT_NE(log.find("Saved as " + damagedCopy().string() + "; the settings come from the last good copy " +
                               lastGood().string()),
                      std::string::npos)
                << log;
        } else {
            EXPECT_FALSE(fs::exists(damagedCopy()));
            EXPECT_EQ(log.find("failed to load"), std::string::npos);
        }
    }
}

TEST_F(SettingsRecovery, WithoutAGoodCopyADamagedFileGivesTheDefaultsAndIsStillKept) {
    for (const bool copyDamagedToo : {false, true}) {
        SCOPED_TRACE(copyDamagedToo);
        savedSettings();
        if (copyDamagedToo)
            writeFile(lastGood(), "<root><parame");
        else
            fs::remove(lastGood());
        writeFile(g_parametersPath, "<root><parameters><parameter name=\"PORT_NUMBER\" value=\"123");
        resetAllSettings();
        const std::size_t before = m_work->log().size();
        EXPECT_TRUE(gf_loadParameters());
        const std::string log = m_work->log().substr(before);
        EXPECT_EQ(PORT_NUMBER.value(), PORT_NUMBER.defaultVal());
        EXPECT_EQ(readFile(damagedCopy()), "<root><parameters><parameter name=\"PORT_NUMBER\" value=\"123");
        EXPECT_NE(log.find("Saved as " + damagedCopy().string() + " and removed; no good copy: default values."),
                  std::string::npos)
            << log;
        EXPECT_EQ(readFile(lastGood()), parametersText()); // the defaults are the good copy from now on
    }
}

// A full disk at the start (the damaged file's copy, or the last good copy in its place, cannot be written)
// leaves the damaged file where it is and saves nothing in that run; the start after it, with room on the
// disk, mends the file from the last good copy, and the one after that still has the user's values.
TEST_F(SettingsRecovery, AFullDiskAtTheStartLosesNeitherTheDamagedFileNorTheLastGoodCopy) {
    struct FullDisk {
        explicit FullDisk(const fs::path& path) { lf_simulateFullDisk(path); }
        ~FullDisk() { lf_simulateFullDisk({}); }
    };
    struct Row {
        const char* name;
        bool onlyTheFile; // the copy parameters0.xml is saved, only parameters.xml cannot be replaced
        bool goodCopy;
    };
    const Row rows[] = {{"full folder", false, true},
                        {"full for parameters.xml", true, true},
                        {"full folder, no good copy", false, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove(damagedCopy());
        const std::string good = savedSettings();
        if (!row.goodCopy)
            fs::remove(lastGood());
        const std::string cut = good.substr(0, good.size() / 2);
        writeFile(g_parametersPath, cut);
        const std::size_t before = m_work->log().size();
        {
            const FullDisk full(row.onlyTheFile ? g_parametersPath : g_dataFolder);
            resetAllSettings();
            EXPECT_EQ(gf_loadParameters(), !row.goodCopy);
        }
        EXPECT_EQ(PORT_NUMBER.value(), row.goodCopy ? "12345" : PORT_NUMBER.defaultVal());
        // Room on the disk again later in that run: still nothing of it is saved.
        RANGE.set(70);
        RANGE.store();
        gf_saveParameters(false);
        const std::string log = m_work->log().substr(before);
        EXPECT_NE(log.find("No space left on device"), std::string::npos) << log;
        EXPECT_NE(log.find("Settings not saved in this run: " + g_parametersPath.string()), std::string::npos);
        EXPECT_EQ(log.find("writing every setting"), std::string::npos);
        EXPECT_EQ(parametersText(), cut);
        EXPECT_EQ(fs::exists(damagedCopy()), row.onlyTheFile);
        if (row.goodCopy) {
            EXPECT_EQ(readFile(lastGood()), good);
        }
        std::size_t files = 0;
        for ([[maybe_unused]] const auto& entry : fs::directory_iterator(g_dataFolder))
            ++files;
        EXPECT_EQ(files, 1u + (row.goodCopy ? 1u : 0u) + (row.onlyTheFile ? 1u : 0u)); // no temporary file

        // The next start mends the file, and the one after it reads it.
        for (const int start : {2, 3}) {
            SCOPED_TRACE(start);
            resetAllSettings();
            gf_loadParameters();
            EXPECT_EQ(readFile(damagedCopy()), cut);
            EXPECT_EQ(PORT_NUMBER.value(), row.goodCopy ? "12345" : PORT_NUMBER.defaultVal());
            EXPECT_EQ(RANGE.value(), row.goodCopy ? 65 : RANGE.defaultVal());
            EXPECT_EQ(readFile(lastGood()), parametersText());
        }
        RANGE.set(71);
        RANGE.store(); // saved again
        EXPECT_EQ(gf_readIntParameter(loadParameters(), "RANGE"), 71);
    }
}

TEST_F(SettingsRecovery, LeftoversOfCutSavesOfEarlierRunsAreRemovedAtTheStart) {
    const std::string ours = std::to_string(::getpid());
    struct Row {
        std::string name;
        bool removed;
    };
    const Row rows[] = {
        {".parameters.xml.999999999-0.tmp", true},
        {".parameters.xml.1-17.tmp", true},
        {".parameters.xml.bak.424242-3.tmp", true},
        {".parameters0.xml.424242-0.tmp", true},
        {".parameters.xml." + ours + "-5.tmp", false}, // a save of this process under way
        {".parameters.xml.x1-0.tmp", false},
        {".parameters.xml.1-x.tmp", false},
        {".parameters.xml.tmp", false},
        {"parameters.xml.1-0.tmp", false},
        {".other.xml.1-0.tmp", false},
        {"notes.txt", false},
    };
    for (const Row& row : rows)
        writeFile(g_dataFolder / row.name, "<root><parame");
    gf_loadParameters();
    const std::string log = m_work->log();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_NE(fs::exists(g_dataFolder / row.name), row.removed);
        EXPECT_EQ(log.find("Removed " + (g_dataFolder / row.name).string() + ", left by an earlier run") !=
                      std::string::npos,
                  row.removed);
    }
}

} // namespace
} // namespace skf::test
