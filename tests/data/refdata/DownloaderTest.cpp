// Downloads over loopback from the download-server stand-in.
#include "core/Codes.h"
#include "core/ProgramState.h"
#include "data/Crypto.h"
#include "data/Downloader.h"
#include "support/WorkFolder.h"
#include "tools/dlserver/DownloadServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>

namespace fs = std::filesystem;
using skf::DownloadServer;
using skf::test::WorkFolder;

namespace {

class Downloader : public ::testing::Test {
protected:
    void SetUp() override {
        WorkFolder::writeFile(wf.path() / "served" / "versions.json", R"({"msfs":{"major":11,"minor":11,"patch":3}})");
        body = std::string(200000, 'x');
        for (std::size_t i = 0; i < body.size(); i += 97)
            body[i] = '\n';
        WorkFolder::writeFile(wf.path() / "served" / "11" / "airports.enc", body);
        ASSERT_TRUE(server.start());
        saved = skf::gf_downloadConfig();
        skf::DownloadConfig c;
        c.baseUrl = server.baseUrl();
        c.connectTimeout = std::chrono::seconds(5);
        c.lowSpeedTime = std::chrono::seconds(1); // a stalled transfer ends after a second
        // Short limits, so that no case sends gigabytes or waits for minutes.
        for (skf::DownloadLimits& l : c.limits)
            l = {1 << 20, std::chrono::seconds(2)};
        skf::gf_setDownloadConfig(c);
    }
    void TearDown() override {
        server.stop();
        skf::gf_setDownloadConfig(saved);
        skf::gf_resetStopState();
    }
    bool download(const std::string& path, const fs::path& target, bool binary = true,
                  const skf::DownloadChecks& checks = {}) {
        const skf::CurlHandle h = skf::gf_makeCurlHandle();
        return skf::gf_download(h, server.baseUrl() + path, target, binary, skf::DownloadKind::DataFile, checks);
    }
    std::size_t filesIn(const fs::path& folder) {
        std::size_t n = 0;
        for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder))
            ++n;
        return n;
    }

    WorkFolder wf;
    DownloadServer server{wf.path() / "served"};
    skf::DownloadConfig saved;
    std::string body;
};

} // namespace

TEST_F(Downloader, A200StoresTheWholeBodyByteForByteWithUserAgentSKFL) {
    fs::create_directory("t");
    ASSERT_TRUE(download("11/airports.enc", "t/airports.enc"));
    EXPECT_EQ(WorkFolder::readFile("t/airports.enc"), body);
    ASSERT_TRUE(download("versions.json", "t/versions.json", false)); // text mode stores it unchanged too
    EXPECT_EQ(WorkFolder::readFile("t/versions.json"), WorkFolder::readFile("served/versions.json"));
    EXPECT_EQ(filesIn("t"), 2u); // no temporary file left

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].path, "/downloads/11/airports.enc");
    for (const auto& r : requests)
        EXPECT_EQ(r.userAgent, "SKFL");
}

TEST_F(Downloader, A404FailsAndKeepsTheEarlierFile) {
    fs::create_directory("t");
    WorkFolder::writeFile("t/airports.enc", "earlier good file");
    server.setFault("/downloads/11/airports.enc", DownloadServer::Fault::NotFound);
    EXPECT_FALSE(download("11/airports.enc", "t/airports.enc"));
    EXPECT_EQ(WorkFolder::readFile("t/airports.enc"), "earlier good file");
    EXPECT_EQ(filesIn("t"), 1u);
    EXPECT_NE(
        wf.log().find("Download error: 'HTTP response code said error' for " + server.baseUrl() + "11/airports.enc"),
        std::string::npos)
        << wf.log();

    // A missing file on the server is a 404 as well, and leaves no file where there was none.
    EXPECT_FALSE(download("11/nothing.enc", "t/nothing.enc"));
    EXPECT_FALSE(fs::exists("t/nothing.enc"));
}

TEST_F(Downloader, A500Fails) {
    server.setFault("/downloads/versions.json", DownloadServer::Fault::ServerError);
    EXPECT_FALSE(download("versions.json", "versions.json", false));
    EXPECT_FALSE(fs::exists("versions.json"));
}

TEST_F(Downloader, ABodyCutOffMidwayFailsAndKeepsTheEarlierFile) {
    WorkFolder::writeFile("airports.enc", "earlier good file");
    server.setFault("/downloads/11/airports.enc", DownloadServer::Fault::CutBody);
    EXPECT_FALSE(download("11/airports.enc", "airports.enc"));
    EXPECT_EQ(WorkFolder::readFile("airports.enc"), "earlier good file");
    EXPECT_FALSE(fs::exists("airports.enc.download"));
}

TEST_F(Downloader, AStalledServerEndsByTheLowSpeedTimeout) {
    server.setFault("/downloads/11/airports.enc", DownloadServer::Fault::StalledBody);
    EXPECT_FALSE(download("11/airports.enc", "airports.enc"));
    EXPECT_FALSE(fs::exists("airports.enc"));
    EXPECT_NE(wf.log().find("Download error: 'Timeout was reached'"), std::string::npos) << wf.log();
}

TEST_F(Downloader, ATargetInAMissingFolderFailsWithoutAnyRequest) {
    EXPECT_FALSE(download("versions.json", "no/such/folder/versions.json"));
    EXPECT_NE(wf.log().find("Could not open output file: no/such/folder/versions.json"), std::string::npos);
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(Downloader, AnEmptyHolderFailsSilently) {
    const skf::CurlHandle none;
    EXPECT_FALSE(skf::gf_download(none, server.baseUrl() + "versions.json", "versions.json", false,
                                  skf::DownloadKind::VersionList));
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(Downloader, ADataFileComesFromTheProgramsMajorVersionFolder) {
    fs::create_directory("input");
    WorkFolder::writeFile("plain.xml", "<airports/>");
    skf::gf_streamEncrypt(skf::g_dataKey, "plain.xml", wf.path() / "served" / "11" / "airports.enc");
    body = WorkFolder::readFile(wf.path() / "served" / "11" / "airports.enc");
    ASSERT_TRUE(skf::gf_downloadDataFile("airports.enc", "input/airports.enc"));
    EXPECT_EQ(WorkFolder::readFile("input/airports.enc"), body);
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].path, "/downloads/" + std::to_string(skf::g_programVersion.major) + "/airports.enc");
    EXPECT_NE(wf.log().find("Downloaded '" + server.baseUrl() + "11/airports.enc' to 'input/airports.enc'"),
              std::string::npos);

    EXPECT_FALSE(skf::gf_downloadDataFile("dbase.enc", "input/dbase.enc"));
    EXPECT_NE(wf.log().find("==> Downloading '" + server.baseUrl() + "11/dbase.enc' failed !"), std::string::npos);
}

// Servers that misbehave: each download ends within its limits, fails, and leaves the earlier file as it
// was and no temporary file behind.
TEST_F(Downloader, AMisbehavingServerNeverReplacesTheEarlierFile) {
    using Fault = DownloadServer::Fault;
    struct Row {
        const char* what;
        Fault fault;
        const char* logged;
    };
    const Row rows[] = {
        {"a body that never ends", Fault::EndlessBody, "Timeout was reached"},
        {"a body that trickles", Fault::SlowBody, "Timeout was reached"},
        {"a body that stalls", Fault::StalledBody, "Timeout was reached"},
        {"a body past the size limit, without a length", Fault::HugeBody, "Maximum file size exceeded"},
        {"a body of 2 GiB announced", Fault::HugeAnnounced, "Maximum file size exceeded"},
        {"a server error", Fault::ServerError, "HTTP response code said error"},
        {"a redirect to itself", Fault::RedirectLoop, "HTTP status 302"},
        {"a body cut off", Fault::CutBody, "Download error: '"},
    };
    fs::create_directory("t");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        WorkFolder::writeFile("t/airports.enc", "earlier good file");
        server.setFault("/downloads/11/airports.enc", row.fault);
        const std::size_t logged = wf.log().size();
        EXPECT_FALSE(download("11/airports.enc", "t/airports.enc"));
        EXPECT_EQ(WorkFolder::readFile("t/airports.enc"), "earlier good file");
        EXPECT_EQ(filesIn("t"), 1u);
        EXPECT_NE(wf.log().find(row.logged, logged), std::string::npos) << wf.log().substr(logged);
    }
    // Each was asked for once: a redirect is not followed.
    EXPECT_EQ(server.requests().size(), std::size(rows));
}

// A data file that is not what it claims (an HTML page, a file that does not decrypt, plain text that is not
// XML) is refused before it reaches input/.
TEST_F(Downloader, ADataFileThatIsNotOneKeepsTheEarlierFile) {
    fs::create_directory("input");
    WorkFolder::writeFile("plain.xml", "<airports><airport icao=\"EHAM\"/></airports>");
    skf::gf_streamEncrypt(skf::g_dataKey, "plain.xml", wf.path() / "served" / "11" / "dbase.enc");
    ASSERT_TRUE(skf::gf_downloadDataFile("dbase.enc", "input/dbase.enc"));
    const std::string good = WorkFolder::readFile("input/dbase.enc");

    server.setFault("/downloads/11/dbase.enc", DownloadServer::Fault::HtmlPage);
    EXPECT_FALSE(skf::gf_downloadDataFile("dbase.enc", "input/dbase.enc"));
    EXPECT_NE(wf.log().find("Download error: 'not a data file: it does not decrypt' for"), std::string::npos);
    server.clearFaults();

    WorkFolder::writeFile("plain.xml", "this is not XML <");
    skf::gf_streamEncrypt(skf::g_dataKey, "plain.xml", wf.path() / "served" / "11" / "dbase.enc");
    EXPECT_FALSE(skf::gf_downloadDataFile("dbase.enc", "input/dbase.enc"));
    EXPECT_NE(wf.log().find("not a data file: its XML does not parse"), std::string::npos);
    WorkFolder::writeFile(wf.path() / "served" / "11" / "dbase.enc", good.substr(0, good.size() - 10));
    EXPECT_FALSE(skf::gf_downloadDataFile("dbase.enc", "input/dbase.enc"));

    // A good file whose check cannot write its plain file (a full disk) is not called a bad one.
    if (fs::exists("/dev/full")) {
        WorkFolder::writeFile("plain.xml", "<airports><airport icao=\"EGLL\"/></airports>");
        skf::gf_streamEncrypt(skf::g_dataKey, "plain.xml", wf.path() / "served" / "11" / "dbase.enc");
        fs::create_symlink("/dev/full", "input/dbase.enc.download.check.xml");
        EXPECT_FALSE(skf::gf_downloadDataFile("dbase.enc", "input/dbase.enc"));
        EXPECT_NE(wf.log().find("Download error: 'the check of the data file failed: Could not write output file: "
                                "input/dbase.enc.download.check.xml (No space left on device)' for"),
                  std::string::npos)
            << wf.log();
    }

    EXPECT_EQ(WorkFolder::readFile("input/dbase.enc"), good);
    EXPECT_EQ(filesIn("input"), 1u); // no temporary or plain file left
}

// A close (g_shutDown), the end of a run (g_stopRun) or the caller's abort flag ends a running download
// at once, long before its limits.
TEST_F(Downloader, AStopEndsARunningDownload) {
    skf::DownloadConfig c = skf::gf_downloadConfig();
    c.limitsOf(skf::DownloadKind::DataFile).totalTime = std::chrono::seconds(600);
    skf::gf_setDownloadConfig(c);
    server.setFault("/downloads/11/airports.enc", DownloadServer::Fault::EndlessBody);
    WorkFolder::writeFile("airports.enc", "earlier good file");
    std::atomic<bool> abort{false};
    for (std::atomic<bool>* flag : {&skf::g_shutDown, &skf::g_stopRun, &abort}) {
        server.clearRequests();
        std::atomic<bool> ok{true};
        std::thread downloading([&] {
            skf::DownloadChecks checks;
            checks.abort = &abort;
            ok = download("11/airports.enc", "airports.enc", true, checks);
        });
        while (server.requests().empty())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        *flag = true;
        downloading.join();
        *flag = false;
        EXPECT_FALSE(ok.load());
        EXPECT_EQ(WorkFolder::readFile("airports.enc"), "earlier good file");
        EXPECT_FALSE(fs::exists("airports.enc.download"));
    }
    EXPECT_NE(wf.log().find("Download error: 'stopped: the program is closing or the run ends'"), std::string::npos);

    // Raised before the download: nothing is asked for.
    server.clearRequests();
    skf::g_shutDown = true;
    EXPECT_FALSE(download("11/airports.enc", "airports.enc"));
    EXPECT_TRUE(server.requests().empty());
}

TEST(DownloaderConfig, TheBaseUrlAlwaysEndsInASlashAndAnEmptyOneRestoresTheDefault) {
    const skf::DownloadConfig saved = skf::gf_downloadConfig();
    skf::gf_setDownloadBaseUrl("http://127.0.0.1:8080/downloads");
    EXPECT_EQ(skf::gf_downloadBaseUrl(), "http://127.0.0.1:8080/downloads/");
    skf::gf_setDownloadBaseUrl("");
    EXPECT_EQ(skf::gf_downloadBaseUrl(), std::string(skf::kDefaultDownloadBaseUrl));
    skf::gf_setDownloadConfig(saved);
}
