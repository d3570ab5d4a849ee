#include "WindowFixture.h"

#include "app/EditFields.h"
#include "data/Airports.h"

using namespace skf;
using namespace skf::test;

namespace {

class EditFieldsTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        gf_resetAirports();
        Airport eddf;
        eddf.icao = IcaoCode("EDDF");
        eddf.latitude = 50.03;
        eddf.longitude = 8.57;
        Airport ehAm;
        ehAm.icao = IcaoCode("EHAM");
        ehAm.latitude = 52.31;
        ehAm.longitude = 4.76;
        g_airports = {eddf, ehAm};
        open();
        for (auto* field : {&DESTINATION, &BLOCK_CALLSIGN, &ALL_INSTALL_PATH})
            field->enable();
        (void)gf_takeDestinationRequest();
    }
    void TearDown() override {
        gf_resetAirports();
        WindowFixture::TearDown();
    }
    void enter(const EditParameter& field, const std::string& text) {
        ASSERT_TRUE(m_window->type(field.controlId, text));
        ASSERT_TRUE(m_window->pressEnter(field.controlId));
    }
};

} // namespace

TEST_F(EditFieldsTest, DestinationIsCheckedUpperCasedLookedUpAndHandedOver) {
    enter(DESTINATION, "eddf");
    EXPECT_EQ(DESTINATION.value(), "EDDF");
    EXPECT_EQ(stored("DESTINATION"), "EDDF");
    EXPECT_EQ(gf_controls().text(DESTINATION.controlId), "EDDF");
    EXPECT_EQ(status(), "New destination: EDDF");
    auto request = gf_takeDestinationRequest();
    ASSERT_TRUE(request);
    EXPECT_EQ(request->icao, "EDDF");
    EXPECT_DOUBLE_EQ(request->latitude, 50.03);
    EXPECT_FALSE(gf_controls().isEnabled(g_reReadButton.controlId));

    enter(DESTINATION, "eddf");
    EXPECT_EQ(status(), "destination 'EDDF' was already set ...");
    enter(DESTINATION, "EDD");
    EXPECT_EQ(status(), "destination 'EDD' is not valid");
    EXPECT_EQ(gf_controls().text(DESTINATION.controlId), "EDDF"); // the stored value again
    enter(DESTINATION, "EDDFX");
    EXPECT_EQ(status(), "destination 'EDDFX' is not valid");
    enter(DESTINATION, "ED-F");
    EXPECT_EQ(status(), "destination 'ED-F' is not valid");
    enter(DESTINATION, "zzzz");
    EXPECT_EQ(status(), "destination 'ZZZZ' is unknown ...");
    EXPECT_EQ(gf_controls().text(DESTINATION.controlId), "EDDF");
    EXPECT_FALSE(gf_takeDestinationRequest());
    EXPECT_NE(log().find("destination 'ZZZZ' is unknown ..."), std::string::npos);

    enter(DESTINATION, "");
    EXPECT_EQ(status(), "destination set to empty");
    EXPECT_EQ(DESTINATION.value(), "");
    EXPECT_EQ(stored("DESTINATION"), "EDDF"); // emptied, not stored
    EXPECT_TRUE(gf_controls().isEnabled(g_reReadButton.controlId));
}

TEST_F(EditFieldsTest, CallsignIsBlockedUpperCasedAndUnblockedByAnEmptyField) {
    g_blockChanged = false;
    enter(BLOCK_CALLSIGN, "dlh123");
    EXPECT_EQ(stored("BLOCK_CALLSIGN"), "DLH123");
    EXPECT_EQ(gf_controls().text(BLOCK_CALLSIGN.controlId), "DLH123");
    EXPECT_TRUE(gf_controls().isEnabled(g_unblockButton.controlId));
    EXPECT_TRUE(g_blockChanged.exchange(false));

    enter(BLOCK_CALLSIGN, "abc");
    EXPECT_EQ(status(), "callsign 'abc' is not valid");
    enter(BLOCK_CALLSIGN, "ABCDEFGHI");
    EXPECT_EQ(status(), "callsign 'ABCDEFGHI' is not valid");
    EXPECT_EQ(gf_controls().text(BLOCK_CALLSIGN.controlId), "DLH123");
    enter(BLOCK_CALLSIGN, "Dlh123");
    EXPECT_EQ(status(), "callsign 'DLH123' was already set ...");
    EXPECT_FALSE(g_blockChanged.load());

    enter(BLOCK_CALLSIGN, "");
    EXPECT_EQ(status(), "no more blocking of live aircraft 'DLH123'");
    EXPECT_EQ(stored("BLOCK_CALLSIGN"), "");
    EXPECT_FALSE(gf_controls().isEnabled(g_unblockButton.controlId));
    EXPECT_TRUE(g_blockChanged.exchange(false));

    // Lengths count characters, not bytes: eight two-byte characters are a callsign, nine are not.
    enter(BLOCK_CALLSIGN, "\u00c4\u00c4\u00c4\u00c4\u00c4\u00c4\u00c4\u00c4\u00c4");
    EXPECT_EQ(status(), "callsign '\u00c4\u00c4\u00c4\u00c4\u00c4\u00c4\u00c4\u00c4\u00c4' is not valid");
    enter(BLOCK_CALLSIGN, "\u00c4\u00c4\u00c4\u00c4\u00c4\u00c4\u00c4\u00c4");
    EXPECT_EQ(stored("BLOCK_CALLSIGN"), "\u00c4\u00c4\u00c4\u00c4\u00c4\u00c4\u00c4\u00c4");
    EXPECT_TRUE(g_blockChanged.exchange(false));
}

TEST_F(EditFieldsTest, PackagesFolderIsCheckedAndRestartsTheRun) {
    const std::filesystem::path packages = m_dir / "Packages";
    std::filesystem::create_directories(packages / "Community");
    g_simIs2020 = true;
    gf_setError("150: No install path detected");

    enter(ALL_INSTALL_PATH, (m_dir / "nowhere").string());
    EXPECT_EQ(gf_statusSnapshot().errorText, ""); // the error no longer blocks the reports
    EXPECT_EQ(status(), "This install path does not exist: " + (m_dir / "nowhere").string());
    EXPECT_EQ(stored("MSFS_INSTALL_PATH"), "");
    EXPECT_FALSE(g_stopRun.load());

    enter(ALL_INSTALL_PATH, m_dir.string());
    EXPECT_EQ(status(), "This path exists but is not a path to Community ...");

    enter(ALL_INSTALL_PATH, (packages / "Community").string());
    EXPECT_EQ(stored("MSFS_INSTALL_PATH"), packages.string());
    EXPECT_EQ(status(), "Community path found, Skyfill will restart ...");
    EXPECT_TRUE(g_stopRun.load());
    EXPECT_EQ(gf_exitReason(), ExitReason::NewSettings);
    EXPECT_EQ(gf_restartDelay(), 3);

    gf_resetStopState();
    g_simIs2020 = false;
    enter(ALL_INSTALL_PATH, packages.string());
    EXPECT_EQ(stored("MSFS_2024_INSTALL_PATH"), packages.string());
    g_simIs2020 = true;
}
