// The update check against the download-server stand-in, in a fresh program folder.
#include "core/ProgramState.h"
#include "core/StatusLine.h"
#include "core/settings/Catalogue.h"
#include "data/Downloader.h"
#include "data/Crypto.h"
#include "data/UpdateCheck.h"
#include "support/ProgramFolder.h"
#include "support/ZipMaker.h"
#include "tools/dlserver/DownloadServer.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <random>
#include <thread>

namespace {

namespace fs = std::filesystem;
using skf::DownloadServer;

using skf::test::readFile;
using skf::test::writeFile;

std::string version(int a, int b, int c) {
    return "{\"major\":" + std::to_string(a) + ",\"minor\":" + std::to_string(b) + ",\"patch\":" + std::to_string(c) +
           "}";
}

class UpdateCheck : public ::testing::Test {
protected:
    const skf::test::ScopedEnv opener{"SKYFILL_OPEN_COMMAND", "true"}; // the desktop opener does nothing here
    void SetUp() override {
        srv = folder.root() / "srv";
        fs::create_directories("input"); // made by the start-up before the check
        // Data files are checked before they are kept: each is a small encrypted XML document.
        fs::create_directories(srv / "11");
        for (const char* name : {"airports", "AIG-regcodes", "dbase"}) {
            writeFile("plain.xml", std::string("<") + (name[0] == 'A' ? "aig" : name) + "/>");
            skf::gf_streamEncrypt(skf::g_dataKey, "plain.xml", srv / "11" / (std::string(name) + ".enc"));
        }
        fs::remove("plain.xml");
        writeFile(srv / "docs" / "ReleaseNotes.pdf", "%PDF-notes");
        server = std::make_unique<DownloadServer>(srv);
        ASSERT_TRUE(server->start());
        skf::gf_setDownloadBaseUrl(server->baseUrl());
        for (skf::StringParameter* p : {&skf::AIRPORTS_VERSION, &skf::AIG_VERSION, &skf::DBASE_VERSION,
                                        &skf::LIV_SCAN_VERSION, &skf::ADDONS_SCAN_VERSION, &skf::MYSIMADDON24_VERSION})
            p->set("");
        skf::SCAN_LIVERIES.set(false);
        skf::SCAN_AIRPORTS.set(false);
        skf::g_simIs2020 = true;
        skf::gf_resetStopState();
    }
    void TearDown() override {
        server->stop();
        skf::gf_setDownloadBaseUrl("");
        skf::gf_resetStopState();
        skf::g_simIs2020 = true;
    }
    void publish(const std::string& json) { writeFile(srv / "versions.json", json); }
    std::string allCurrent(const std::string& msfs = version(11, 11, 3)) {
        return "{\"msfs\":" + msfs + ",\"simaddon\":" + version(1, 0, 0) + ",\"airports\":" + version(2, 0, 0) +
               ",\"aig\":" + version(3, 0, 0) + ",\"liveries\":" + version(4, 0, 0) +
               ",\"addons\":" + version(5, 0, 0) + ",\"dbase\":" + version(6, 0, 0) + "}";
    }
    std::string served(const std::string& name) const { return readFile(srv / "11" / name); }
    bool requested(const std::string& path) const {
        for (const auto& r : server->requests())
            if (r.path == path)
                return true;
        return false;
    }

    skf::test::ProgramFolder folder{"skf_update"};
    fs::path srv;
    std::unique_ptr<DownloadServer> server;
};

TEST_F(UpdateCheck, FirstStartFetchesDataFilesAndSwitchesScansOn) {
    publish(allCurrent());
    EXPECT_TRUE(skf::gf_checkForUpdates());
    EXPECT_EQ(readFile("input/airports.enc"), served("airports.enc"));
    EXPECT_EQ(readFile("input/AIG-regcodes.enc"), served("AIG-regcodes.enc"));
    EXPECT_EQ(readFile("input/dbase.enc"), served("dbase.enc"));
    EXPECT_EQ(skf::AIRPORTS_VERSION.value(), "2.0.0");
    EXPECT_EQ(skf::AIG_VERSION.value(), "3.0.0");
    EXPECT_EQ(skf::DBASE_VERSION.value(), "6.0.0");
    EXPECT_TRUE(skf::SCAN_LIVERIES.value());
    EXPECT_TRUE(skf::SCAN_AIRPORTS.value());
    EXPECT_EQ(skf::LIV_SCAN_VERSION.value(), "4.0.0");
    EXPECT_FALSE(fs::exists("versions.json"));
    const std::string log = folder.log();
    EXPECT_NE(log.find("msfs program version at web = 11.11.3"), std::string::npos);
    EXPECT_NE(log.find("msfs version up-to-date"), std::string::npos);
    EXPECT_NE(log.find("airports updated to 2.0.0"), std::string::npos);
    EXPECT_NE(log.find("dbase updated to 6.0.0"), std::string::npos);
    EXPECT_FALSE(requested("/downloads/mysimaddon24/my_simaddon2024.zip")); // MSFS 2020: not looked at
    EXPECT_EQ(log.find("simaddon version not found"), std::string::npos);
    // The user agent of every request is SKFL.
    for (const auto& r : server->requests())
        EXPECT_EQ(r.userAgent, "SKFL");

    // A second check with everything in place fetches nothing more.
    server->clearRequests();
    skf::SCAN_LIVERIES.set(false);
    writeFile("output/LiveriesScanned.xml", "<x/>");
    skf::SCAN_AIRPORTS.set(false);
    EXPECT_TRUE(skf::gf_checkForUpdates());
    EXPECT_FALSE(requested("/downloads/11/airports.enc"));
    EXPECT_FALSE(skf::SCAN_LIVERIES.value());
    EXPECT_FALSE(skf::SCAN_AIRPORTS.value());
}

TEST_F(UpdateCheck, MissingDataFileIsFetchedAtTheSameVersionAndFailedDownloadKeepsVersion) {
    publish(allCurrent());
    skf::AIRPORTS_VERSION.set("2.0.0");
    server->setFault("/downloads/11/dbase.enc", DownloadServer::Fault::NotFound);
    EXPECT_TRUE(skf::gf_checkForUpdates());
    EXPECT_EQ(readFile("input/airports.enc"), served("airports.enc"));
    EXPECT_EQ(skf::DBASE_VERSION.value(), "");
    EXPECT_FALSE(fs::exists("input/dbase.enc"));
    EXPECT_EQ(folder.log().find("dbase updated"), std::string::npos);
}

// A newer data file that is not one (an HTML page where dbase.enc should be) keeps the earlier file and its
// version, so that the next start tries again.
TEST_F(UpdateCheck, ADataFileThatIsNotOneKeepsTheEarlierFileAndVersion) {
    publish(allCurrent());
    EXPECT_TRUE(skf::gf_checkForUpdates());
    const std::string good = readFile("input/dbase.enc");
    publish(allCurrent().replace(allCurrent().find(version(6, 0, 0)), version(6, 0, 0).size(), version(7, 0, 0)));
    server->setFault("/downloads/11/dbase.enc", DownloadServer::Fault::HtmlPage);
    EXPECT_TRUE(skf::gf_checkForUpdates());
    EXPECT_EQ(readFile("input/dbase.enc"), good);
    EXPECT_EQ(skf::DBASE_VERSION.value(), "6.0.0");
    EXPECT_EQ(folder.log().find("dbase updated to 7.0.0"), std::string::npos);
}

// A versions.json whose body never ends, and a close during it: the check ends at once and the start-up goes
// on to its stop path.
TEST_F(UpdateCheck, AVersionListThatNeverEndsIsEndedByAClose) {
    publish(allCurrent());
    server->setFault("/downloads/versions.json", DownloadServer::Fault::EndlessBody);
    std::thread closing([this] {
        while (!requested("/downloads/versions.json"))
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        skf::g_shutDown = true;
    });
    EXPECT_TRUE(skf::gf_checkForUpdates());
    closing.join();
    EXPECT_NE(folder.log().find("Downloading version info from my web site failed!"), std::string::npos);
    EXPECT_FALSE(fs::exists("versions.json"));
    EXPECT_FALSE(requested("/downloads/11/dbase.enc"));
}

TEST_F(UpdateCheck, BadVersionInfoIsLoggedAndTheStartGoesOn) {
    // No versions.json at all.
    EXPECT_TRUE(skf::gf_checkForUpdates());
    EXPECT_NE(folder.log().find("Downloading version info from my web site failed!"), std::string::npos);

    // Not JSON.
    publish("{ this is not json");
    EXPECT_TRUE(skf::gf_checkForUpdates());
    EXPECT_FALSE(fs::exists("versions.json"));
    EXPECT_NE(folder.log().find("versions.json is not valid"), std::string::npos);
    EXPECT_EQ(skf::gf_exitReason(), skf::ExitReason::NotYetSet);

    // Not an object, and members of the wrong type: each reported as not found, the others handled.
    publish("[1,2,3]");
    EXPECT_TRUE(skf::gf_checkForUpdates());
    publish("{\"msfs\":5,\"airports\":\"2.0.0\",\"aig\":{\"major\":1,\"minor\":\"x\",\"patch\":0},\"dbase\":" +
            version(6, 0, 0) + "}");
    EXPECT_TRUE(skf::gf_checkForUpdates());
    const std::string log = folder.log();
    EXPECT_NE(log.find("msfs version not found"), std::string::npos);
    EXPECT_NE(log.find("airports version not found"), std::string::npos);
    EXPECT_NE(log.find("aig version not found"), std::string::npos);
    EXPECT_NE(log.find("liveries version not found"), std::string::npos);
    EXPECT_EQ(skf::DBASE_VERSION.value(), "6.0.0");
    EXPECT_EQ(skf::gf_exitReason(), skf::ExitReason::NotYetSet);
}

TEST_F(UpdateCheck, NewProgramVersionIsUnpackedAndStopsTheRun) {
    publish(allCurrent(version(11, 12, 0)));
    skf::test::makeZip(srv / "release" / "setup_Skyfill_d_v11.12.0.zip", {{"setup.exe", "MZ-new-installer"}});
    EXPECT_FALSE(skf::gf_checkForUpdates());
    EXPECT_TRUE(skf::g_stopRun.load());
    EXPECT_EQ(skf::gf_exitReason(), skf::ExitReason::NewVersion);
    EXPECT_EQ(readFile("new_version/install_new_version.exe"), "MZ-new-installer");
    EXPECT_EQ(readFile("new_version/ReleaseNotes.pdf"), "%PDF-notes");
    EXPECT_EQ(readFile("new_version/README.txt"),
              "A new version is available.\nThe installer can be executed normally (no Administrator rights "
              "required).\n");
    EXPECT_FALSE(fs::exists("install_new_version.exe"));
    EXPECT_FALSE(fs::exists("new_version/install_new_version.exe.part"));
    EXPECT_FALSE(fs::exists("setup_Skyfill_d_v11.12.0.zip"));
    EXPECT_FALSE(requested("/downloads/11/airports.enc")); // no further member is looked at
}

TEST_F(UpdateCheck, BrokenInstallerArchiveIsNotReportedAsNewVersion) {
    publish(allCurrent(version(12, 0, 0)));
    writeFile(srv / "release" / "setup_Skyfill_d_v12.0.0.zip", "PK but not really a zip archive");
    EXPECT_TRUE(skf::gf_checkForUpdates());
    EXPECT_FALSE(skf::g_stopRun.load());
    EXPECT_FALSE(fs::exists("install_new_version.exe"));
    EXPECT_FALSE(fs::exists("new_version/install_new_version.exe"));
    EXPECT_FALSE(fs::exists("setup_Skyfill_d_v12.0.0.zip"));
    const std::string log = folder.log();
    EXPECT_NE(log.find("Could not open setup_Skyfill_d_v12.0.0.zip"), std::string::npos);
    EXPECT_EQ(skf::gf_statusSnapshot().statusText,
              "The downloading/unzipping of the new version failed? Try manually via the Orvanta website.");
    EXPECT_EQ(skf::DBASE_VERSION.value(), "6.0.0"); // the other members are still handled

    // A missing installer archive likewise.
    std::remove("input/dbase.enc");
    publish(allCurrent(version(12, 0, 1)));
    EXPECT_TRUE(skf::gf_checkForUpdates());
    EXPECT_EQ(skf::gf_statusSnapshot().statusText,
              "The downloading/unzipping of the new version failed? Try manually via the Orvanta website.");
    EXPECT_NE(folder.log().find("install_new_version.exe does not exists?"), std::string::npos);

    // An archive without entries unpacks nothing: an installer left from before is not taken for the new one.
    writeFile("install_new_version.exe", "MZ-old-installer");
    writeFile(srv / "release" / "setup_Skyfill_d_v12.0.2.zip", std::string("PK\x05\x06", 4) + std::string(18, '\0'));
    publish(allCurrent(version(12, 0, 2)));
    EXPECT_TRUE(skf::gf_checkForUpdates());
    EXPECT_FALSE(skf::g_stopRun.load());
    EXPECT_FALSE(fs::exists("new_version/install_new_version.exe"));
    EXPECT_EQ(folder.log().find("Could not open setup_Skyfill_d_v12.0.2.zip"), std::string::npos);
}

TEST_F(UpdateCheck, AddonLinkPackageOfMsfs2024) {
    skf::g_simIs2020 = false;
    publish(allCurrent());
    skf::test::makeZip(srv / "mysimaddon24" / "my_simaddon2024.zip",
                       {{"LFPG.cfg", "C:/addons/lfpg"}, {"links/", ""}, {"links/EHAM-addon.lnk", "C:/addons/eham"}});
    EXPECT_TRUE(skf::gf_checkForUpdates());
    EXPECT_EQ(readFile("airports/my_simaddon/EHAM-addon.txt"), "C:/addons/eham");
    EXPECT_EQ(readFile("airports/my_simaddon/LFPG.txt"), "C:/addons/lfpg");
    EXPECT_EQ(skf::MYSIMADDON24_VERSION.value(), "1.0.0");
    EXPECT_FALSE(fs::exists("my_simaddon2024.zip"));
    EXPECT_NE(folder.log().find("simaddon updated to 1.0.0"), std::string::npos);
    EXPECT_NE(folder.log().find("my_simaddon2024.zip unzipped 2 files"), std::string::npos); // not the folder entry
    // The links removed by hand (an empty folder): the same version is fetched again.
    for (const auto& entry : fs::directory_iterator("airports/my_simaddon"))
        fs::remove(entry.path());
    EXPECT_TRUE(skf::gf_checkForUpdates());
    EXPECT_EQ(readFile("airports/my_simaddon/LFPG.txt"), "C:/addons/lfpg");

    // A newer package that fails to download keeps the installed links and is not "up-to-date".
    publish(allCurrent().replace(allCurrent().find(version(1, 0, 0)), version(1, 0, 0).size(), version(1, 1, 0)));
    server->setFault("/downloads/mysimaddon24/my_simaddon2024.zip", DownloadServer::Fault::ServerError);
    EXPECT_TRUE(skf::gf_checkForUpdates());
    EXPECT_EQ(readFile("airports/my_simaddon/EHAM-addon.txt"), "C:/addons/eham");
    EXPECT_EQ(skf::MYSIMADDON24_VERSION.value(), "1.0.0");
    EXPECT_EQ(folder.log().find("simaddon version up-to-date"), std::string::npos);

    // A package that does not open keeps them too.
    server->clearFaults();
    writeFile(srv / "mysimaddon24" / "my_simaddon2024.zip", "broken");
    EXPECT_TRUE(skf::gf_checkForUpdates());
    EXPECT_EQ(readFile("airports/my_simaddon/EHAM-addon.txt"), "C:/addons/eham");
    EXPECT_EQ(skf::MYSIMADDON24_VERSION.value(), "1.0.0");
}

TEST_F(UpdateCheck, NewVersionMessageForAWritableFolder) {
    EXPECT_EQ(skf::gf_newVersionMessage(folder.root()),
              "A new version is available.\nThe installer can be executed normally (no Administrator rights "
              "required).");
    EXPECT_FALSE(fs::exists(folder.root() / ".write_test.tmp"));
}

class UpdateCheckRobustness : public UpdateCheck {};

TEST_F(UpdateCheckRobustness, VersionNumbersBeyondTheIntRangeAreNotFoundRatherThanCut) {
    // 2^32 + 2 would read as 2.0.0 if cut to 32 bits, and 2.0.0 would be fetched as new.
    publish("{\"airports\":{\"major\":4294967298,\"minor\":0,\"patch\":0},\"aig\":{\"major\":3,\"minor\":0,"
            "\"patch\":-4294967296},\"dbase\":" +
            version(6, 0, 0) + "}");
    EXPECT_TRUE(skf::gf_checkForUpdates());
    const std::string log = folder.log();
    EXPECT_NE(log.find("airports version not found"), std::string::npos);
    EXPECT_NE(log.find("aig version not found"), std::string::npos);
    EXPECT_FALSE(requested("/downloads/11/airports.enc"));
    EXPECT_FALSE(requested("/downloads/11/AIG-regcodes.enc"));
    EXPECT_EQ(skf::AIRPORTS_VERSION.value(), "");
    EXPECT_EQ(skf::DBASE_VERSION.value(), "6.0.0");
}

TEST_F(UpdateCheckRobustness, DamagedVersionFilesEndTheCheckNormally) {
    const std::string sample = allCurrent();
    std::mt19937 rng(17);
    for (int i = 0; i < 40; ++i) {
        std::string damaged = sample;
        if (i % 2 == 0) {
            damaged.resize(rng() % sample.size());
        } else {
            for (int k = 0; k < 3; ++k)
                damaged[rng() % damaged.size()] = static_cast<char>(rng() & 0xFF);
        }
        publish(damaged);
        EXPECT_NO_THROW(skf::gf_checkForUpdates());
        EXPECT_FALSE(fs::exists("versions.json"));
    }
}

// The downloads folder that the build makes for a local run: its versions.json names the running program
// and the sample data, and a fresh program folder gets the very data files bundled with the program.
TEST(LocalDownloadFolder, FreshProgramFolderGetsTheBundledDataThenIsUpToDate) {
    const fs::path downloads = fs::path(SKYFILL_BINARY_DIR) / "downloads";
    const fs::path bundled = fs::path(SKYFILL_BINARY_DIR) / "Skyfill" / "input";
    if (!fs::exists(downloads / "versions.json"))
        GTEST_SKIP() << "no local downloads folder in the build";
    skf::test::ProgramFolder folder("skf_local_downloads");
    const skf::test::ScopedEnv opener("SKYFILL_OPEN_COMMAND", "true");
    fs::create_directories("input");
    DownloadServer server(downloads);
    ASSERT_TRUE(server.start());
    skf::gf_setDownloadBaseUrl(server.baseUrl());
    for (skf::StringParameter* p : {&skf::AIRPORTS_VERSION, &skf::AIG_VERSION, &skf::DBASE_VERSION,
                                    &skf::LIV_SCAN_VERSION, &skf::ADDONS_SCAN_VERSION})
        p->set("");
    skf::g_simIs2020 = true;
    skf::gf_resetStopState();

    EXPECT_TRUE(skf::gf_checkForUpdates());
    EXPECT_EQ(skf::gf_exitReason(), skf::ExitReason::NotYetSet);
    // The same data as bundled (each encryption has a header of its own, so the plain texts are compared).
    for (const char* name : {"airports.enc", "AIG-regcodes.enc", "dbase.enc"}) {
        skf::PlainText got, expected;
        ASSERT_TRUE(skf::gf_streamDecrypt(fs::path("input") / name, "got.xml", got)) << name;
        ASSERT_TRUE(skf::gf_streamDecrypt(bundled / name, "expected.xml", expected)) << name;
        EXPECT_EQ(std::string_view(got.data.get(), got.size), std::string_view(expected.data.get(), expected.size))
            << name;
    }
    std::string log = folder.log();
    EXPECT_NE(log.find("msfs version up-to-date"), std::string::npos);
    EXPECT_EQ(log.find("version not found"), std::string::npos);
    EXPECT_NE(log.find("dbase updated to"), std::string::npos);

    // The next start finds the data current.
    EXPECT_TRUE(skf::gf_checkForUpdates());
    log = folder.log();
    for (const char* member : {"airports", "aig", "addons", "dbase"})
        EXPECT_NE(log.find(std::string(member) + " version up-to-date"), std::string::npos) << member;
    server.stop();
    skf::gf_setDownloadBaseUrl("");
    for (skf::StringParameter* p : {&skf::AIRPORTS_VERSION, &skf::AIG_VERSION, &skf::DBASE_VERSION,
                                    &skf::LIV_SCAN_VERSION, &skf::ADDONS_SCAN_VERSION})
        p->set("");
    skf::SCAN_LIVERIES.set(false);
    skf::SCAN_AIRPORTS.set(false);
}

} // namespace
