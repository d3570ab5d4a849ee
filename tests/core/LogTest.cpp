#include "core/Files.h"
#include "core/Log.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <thread>
#include <vector>

namespace skf {
namespace {

using test::readBytes;
using test::TempFolder;
using test::writeBytes;

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::stringstream ss(text);
    for (std::string line; std::getline(ss, line);)
        out.push_back(line);
    return out;
}

// A global whose initialiser logs: runs before main, while nothing is open; the
// text must be dropped without touching the unbuilt stream.
const bool kLoggedDuringStaticInit = (gf_log("static init"), gf_logError("static init"),
                                      gf_logBlock([](std::ostream& out) { out << "static init\n"; }), true);

class LogFile : public ::testing::Test {
protected:
    void TearDown() override { gf_closeLog(); }
    TempFolder dir;
};

TEST_F(LogFile, OpeningMovesThreeGenerationsDownAndWritesOnlyTheHeader) {
    writeBytes(dir / "Log.txt", "current\n");
    writeBytes(dir / "Log0.txt", "previous\n");
    writeBytes(dir / "Log00.txt", "older\n");
    writeBytes(dir / "Log000.txt", "oldest\n");

    test::WorkingFolder wf(dir.path());
    gf_openLog();
    gf_closeLog();

    EXPECT_EQ(readBytes(dir / "Log0.txt"), "current\n");
    EXPECT_EQ(readBytes(dir / "Log00.txt"), "previous\n");
    EXPECT_EQ(readBytes(dir / "Log000.txt"), "older\n");
    const auto log = lines(readBytes(dir / "Log.txt"));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(std::regex_match(
        log[0],
        std::regex(
            R"([A-Z][a-z]{2} [A-Z][a-z]{2} \d\d \d\d:\d\d:\d\d \d{4} \(utc\) Skyfill version 11\.11\.3 for MSFS 2020/2024)")))
        << log[0];
}

TEST_F(LogFile, FirstStartCreatesNoGenerations) {
    gf_openLogIn(dir.path());
    gf_closeLog();
    EXPECT_TRUE(std::filesystem::exists(dir / "Log.txt"));
    EXPECT_EQ(gf_countDirectoryEntries(dir.path()), 1u);
}

TEST_F(LogFile, ThreeLineKindsEndInLineFeedOnly) {
    gf_openLogIn(dir.path());
    gf_log("plain");
    gf_logIndented("detail");
    gf_logError("warning");
    // The error line is flushed at once: visible before the log is closed.
    const auto text = readBytes(dir / "Log.txt");
    EXPECT_NE(text.find("\nplain\n          detail\n==> warning\n"), std::string::npos) << text;
    EXPECT_EQ(text.find('\r'), std::string::npos);
}

TEST_F(LogFile, BlockWriterWritesUnderTheLockWhenOpen) {
    EXPECT_FALSE(gf_logBlock([](std::ostream& os) { os << "dropped\n"; }));
    gf_openLogIn(dir.path());
    EXPECT_TRUE(gf_logBlock([](std::ostream& os) { os << "a" << 1 << '\n'; }));
    gf_closeLog();
    EXPECT_NE(readBytes(dir / "Log.txt").find("\na1\n"), std::string::npos);
}

TEST_F(LogFile, WritersBeforeOpeningDropTheirText) {
    EXPECT_TRUE(kLoggedDuringStaticInit);
    gf_log("x");
    gf_logError("y");
    gf_logIndented("z");
    gf_flushLog();
    gf_openLogIn(dir.path());
    gf_closeLog();
    gf_log("after close");
    EXPECT_EQ(lines(readBytes(dir / "Log.txt")).size(), 1u);
}

TEST_F(LogFile, UnwritableFolderRaisesFailedToWrite) {
    try {
        gf_openLogIn(dir / "missing");
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Failed to write file ", 0), 0u) << e.what();
    }
}

TEST_F(LogFile, GenerationsOfAnyFile) {
    gf_openLogIn(dir.path());
    EXPECT_FALSE(gf_saveUpto3GenerationsOf(dir / "nodot"));
    EXPECT_FALSE(gf_save1GenerationOf(dir / "nodot"));
    std::filesystem::create_directory(dir / "sub.d");
    writeBytes(dir / "sub.d" / "plain", "P");
    EXPECT_FALSE(gf_saveUpto3GenerationsOf(dir / "sub.d" / "plain")); // the folder's dot does not count
    EXPECT_FALSE(std::filesystem::exists(dir / "sub0.d"));
    gf_closeLog();
    const auto text = readBytes(dir / "Log.txt");
    EXPECT_NE(text.find("==> gf_saveUpto3GenerationsOf: no dot in filename: "), std::string::npos);
    EXPECT_NE(text.find("==> gf_save1GenerationOf: no dot in filename: "), std::string::npos);

    writeBytes(dir / "r.xml", "X");
    EXPECT_TRUE(gf_saveUpto3GenerationsOf(dir / "r.xml"));
    EXPECT_EQ(readBytes(dir / "r0.xml"), "X");
    EXPECT_EQ(readBytes(dir / "r.xml"), "X"); // a copy, not a move
    EXPECT_FALSE(std::filesystem::exists(dir / "r00.xml"));

    writeBytes(dir / "r.xml", "Y");
    writeBytes(dir / "r00.xml", "W");
    EXPECT_TRUE(gf_saveUpto3GenerationsOf(dir / "r.xml"));
    EXPECT_EQ(readBytes(dir / "r0.xml"), "Y");
    EXPECT_EQ(readBytes(dir / "r00.xml"), "X");
    EXPECT_EQ(readBytes(dir / "r000.xml"), "W");

    writeBytes(dir / "s.txt", "1");
    writeBytes(dir / "s0.txt", "0");
    EXPECT_TRUE(gf_save1GenerationOf(dir / "s.txt"));
    EXPECT_EQ(readBytes(dir / "s0.txt"), "1");
    EXPECT_FALSE(std::filesystem::exists(dir / "s00.txt"));
}

TEST_F(LogFile, FailedCopyIsReportedAndClearsTheResult) {
    writeBytes(dir / "t.txt", "1");
    std::filesystem::create_directory(dir / "t0.txt"); // a folder where the copy must go
    gf_openLogIn(dir.path());
    EXPECT_FALSE(gf_save1GenerationOf(dir / "t.txt"));
    gf_closeLog();
    EXPECT_NE(readBytes(dir / "Log.txt").find("==> copy "), std::string::npos);
}

// Eight threads write at once: every line arrives whole.
TEST(LogThreads, LinesOfDifferentThreadsNeverMix) {
    TempFolder dir;
    gf_openLogIn(dir.path());
    constexpr int kThreads = 8;
    constexpr int kLines = 400;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i) {
                const std::string text = "thread " + std::to_string(t) + " line " + std::to_string(i) +
                                         std::string(static_cast<std::size_t>(i % 50), 'x');
                switch (i % 3) {
                case 0:
                    gf_log(text);
                    break;
                case 1:
                    gf_logError(text);
                    break;
                default:
                    gf_logIndented(text);
                    break;
                }
            }
        });
    }
    for (auto& th : threads)
        th.join();
    gf_closeLog();

    const auto all = lines(readBytes(dir / "Log.txt"));
    ASSERT_EQ(all.size(), 1u + kThreads * kLines);
    const std::regex re(R"((==> |          )?thread (\d) line (\d+)x*)");
    std::vector<int> next(kThreads, 0);
    for (std::size_t k = 1; k < all.size(); ++k) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(all[k], m, re)) << all[k];
        const int t = std::stoi(m[2]);
        const int i = std::stoi(m[3]);
        EXPECT_EQ(i, next[static_cast<std::size_t>(t)]++); // each thread's lines in its own order
        EXPECT_EQ(all[k].size() - all[k].find("thread"),
                  ("thread " + std::to_string(t) + " line " + std::to_string(i)).size() +
                      static_cast<std::size_t>(i % 50));
    }
}

} // namespace
} // namespace skf
