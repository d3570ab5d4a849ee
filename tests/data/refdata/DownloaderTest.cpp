// Downloads over loopback from the download-server stand-in.
#include "core/Codes.h"
#include "data/Downloader.h"
#include "support/WorkFolder.h"
#include "tools/dlserver/DownloadServer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

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
        skf::gf_setDownloadConfig(c);
    }
    void TearDown() override {
        server.stop();
        skf::gf_setDownloadConfig(saved);
    }
    bool download(const std::string& path, const fs::path& target, bool binary = true) {
        const skf::CurlHandle h = skf::gf_makeCurlHandle();
        return skf::gf_download(h, server.baseUrl() + path, target, binary);
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
    EXPECT_FALSE(skf::gf_download(none, server.baseUrl() + "versions.json", "versions.json", false));
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(Downloader, ADataFileComesFromTheProgramsMajorVersionFolder) {
    fs::create_directory("input");
    ASSERT_TRUE(skf::gf_downloadDataFile("airports.enc", "input/airports.enc"));
    EXPECT_EQ(WorkFolder::readFile("input/airports.enc"), body);
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].path, "/downloads/" + std::to_string(skf::g_programVersion.major) + "/airports.enc");
    EXPECT_NE(wf.log().find("Downloaded '" + server.baseUrl() + "11/airports.enc' to 'input/airports.enc'"),
              std::string::npos);

    EXPECT_FALSE(skf::gf_downloadDataFile("dbase.enc", "input/dbase.enc"));
    EXPECT_NE(wf.log().find("==> Downloading '" + server.baseUrl() + "11/dbase.enc' failed !"), std::string::npos);
}

TEST(DownloaderConfig, TheBaseUrlAlwaysEndsInASlashAndAnEmptyOneRestoresTheDefault) {
    const skf::DownloadConfig saved = skf::gf_downloadConfig();
    skf::gf_setDownloadBaseUrl("http://127.0.0.1:8080/downloads");
    EXPECT_EQ(skf::gf_downloadBaseUrl(), "http://127.0.0.1:8080/downloads/");
    skf::gf_setDownloadBaseUrl("");
    EXPECT_EQ(skf::gf_downloadBaseUrl(), std::string(skf::kDefaultDownloadBaseUrl));
    skf::gf_setDownloadConfig(saved);
}
