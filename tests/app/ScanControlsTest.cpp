// The start-up's window side of the livery scan: the package choice is closed while the scan runs and
// opened again as the scan's end asks; the scan's check box shows what the scan left.
#include "WindowFixture.h"

#include <vector>

#include "app/StartUp.h"
#include "core/Codes.h"
#include "data/Dbase.h"

namespace skf::test {
namespace {

class ScanControlsTest : public WindowFixture {
protected:
    // The scan keeps only liveries whose airline and model the database knows.
    static void readSampleDbase() {
        const std::filesystem::path xml = std::filesystem::absolute("dbase.xml");
        std::filesystem::copy_file(std::filesystem::path(SKYFILL_SOURCE_DIR) / "sample" / "dbase.xml", xml);
        ASSERT_TRUE(gf_readDbaseXml(xml));
    }
    void TearDown() override {
        gf_clearDbase();
        WindowFixture::TearDown();
    }
};

TEST_F(ScanControlsTest, ThePackageChoiceIsClosedWhileTheLiveryScanRuns) {
    open();
    readSampleDbase();
    std::filesystem::create_directories(g_infoFolder);
    std::filesystem::create_directories("empty/Community");
    writeFile(m_dir / "full/Community/my-user-aitraffic/SimObjects/Airplanes/B738/aircraft.cfg",
              "[General]\nicao_type_designator=B738\n[fltsim.0]\ntitle=own pair\nicao_airline=KLM\n");
    const struct {
        const char* what;
        bool automatic;
        const char* root;
        const char* lfolder;
        bool stopped;
        int error;                       // 0: none
        std::vector<bool> enabledStates; // of the package choice, at each change
        bool scanStaysOn;
    } rows[] = {
        {"automatic, liveries found", true, "full", "", false, 0, {false, true}, false},
        {"automatic, no AI package", true, "empty", "", false, 43, {false, true}, true},
        {"manual, a folder that is missing", false, "", "missing", false, 243, {false}, true},
        {"a stop before the scan", true, "full", "", true, 0, {}, true},
    };
    const std::uint16_t choice = AI_PACKAGE_SELECTOR.controlId;
    for (const auto& row : rows) {
        LIG_AUTOMATIC.set(row.automatic);
        MSFS_INSTALL_PATH.setValue(row.root);
        lfolder0.setValue(row.lfolder);
        SCAN_LIVERIES.set(true);
        SCAN_LIVERIES.showCheck();
        AI_PACKAGE_SELECTOR.enable();
        g_stopRun = row.stopped;
        std::vector<bool> states;
        gf_controls().setChangeListener([&](std::uint16_t id) {
            if (id == choice)
                states.push_back(gf_controls().isEnabled(choice));
        });
        int error = 0;
        try {
            lf_scanLiveriesWithControls();
        } catch (const UserErrorException& e) {
            error = e.code();
        }
        gf_controls().setChangeListener(nullptr);
        g_stopRun = false;
        EXPECT_EQ(error, row.error) << row.what;
        EXPECT_EQ(states, row.enabledStates) << row.what;
        EXPECT_EQ(SCAN_LIVERIES.value(), row.scanStaysOn) << row.what;
        EXPECT_EQ(gf_controls().isChecked(SCAN_LIVERIES.controlId), row.scanStaysOn) << row.what;
    }
    lfolder0.setValue("");
}

} // namespace
} // namespace skf::test
