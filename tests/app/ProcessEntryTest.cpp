#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/ProcessEntry.h"
#include "platform/system/RuntimeFolder.h"
#include "platform/ui/SingleInstance.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"

using namespace skf;
namespace fs = std::filesystem;

TEST(CommandLineTest, LastProductionSwitchWinsAndCaseIsIgnored) {
    auto on = [](std::vector<std::string> args) {
        const CommandLine c = gf_parseCommandLine(args);
        return c.productionSwitchSeen && c.productionSwitchValue;
    };
    EXPECT_FALSE(on({}));
    EXPECT_TRUE(on({"--production"}));
    EXPECT_TRUE(on({"/PRODUCTION"}));
    EXPECT_TRUE(on({"--Production"}));
    EXPECT_FALSE(on({"--production", "--no-production"}));
    EXPECT_TRUE(on({"--no-production", "/production"}));
    EXPECT_FALSE(on({"/No-Production"}));
    EXPECT_FALSE(on({"-production"}));
    EXPECT_FALSE(on({"production", "x", "--productions"}));
    const CommandLine off = gf_parseCommandLine({"--no-production"});
    EXPECT_TRUE(off.productionSwitchSeen);
    EXPECT_FALSE(off.productionSwitchValue);
}

namespace {

const fs::path kProgram = fs::path(SKYFILL_BINARY_DIR) / "Skyfill" / "skyfill";

class ProcessEntryTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(kProgram))
            GTEST_SKIP() << "program not built";
        m_dir = m_temp.path();
        fs::create_directories(m_dir / "run");
        // A lock folder that others could reach is refused.
        fs::permissions(m_dir / "run", fs::perms::owner_all, fs::perm_options::replace);
        fs::create_directories(m_dir / "first");
        fs::create_directories(m_dir / "second");
    }
    // A shell command that runs the program headless in folder, with this test's own lock folder.
    std::string command(const fs::path& folder, const std::string& args = "") const {
        return "cd '" + folder.string() + "' && exec env -u DISPLAY XDG_RUNTIME_DIR='" + (m_dir / "run").string() +
               "' XDG_CONFIG_HOME='" + (m_dir / "cfg").string() + "' XDG_DATA_HOME='" + (m_dir / "data").string() +
               "' '" + kProgram.string() + "' " + args;
    }
    static int exitCode(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }
    static std::string read(const fs::path& p) {
        std::ifstream in(p);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    bool lockHeld() const {
        const std::string cmd = "flock -n '" + (m_dir / "run" / "Local_$SKFL$.lock").string() + "' true";
        return exitCode(std::system(cmd.c_str())) != 0;
    }
    skf::test::TempFolder m_temp;
    fs::path m_dir;
};

} // namespace

TEST_F(ProcessEntryTest, SecondCopyEndsAtOnceWithoutWritingAndTheFirstEndsOnTermination) {
    const fs::path rc = m_dir / "first.rc";
    // The program's own pid goes to first.pid, its exit code to first.rc.
    const std::string first = "( (" + command(m_dir / "first") + ") > '" + (m_dir / "first.out").string() +
                              "' 2>&1 & echo $! > '" + (m_dir / "first.pid").string() + "'; wait $!; echo $? > '" +
                              rc.string() + "') &";
    ASSERT_EQ(std::system(first.c_str()), 0);
    // Log.txt is opened after the lock is taken (polling the lock itself could take it first).
    for (int i = 0; i < 400 && !fs::exists(m_dir / "first" / "Log.txt"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    // The shell that started it may write the pid only after the program is up.
    for (int i = 0; i < 400 && read(m_dir / "first.pid").empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    ASSERT_GT(std::atoi(read(m_dir / "first.pid").c_str()), 1);
    ASSERT_TRUE(lockHeld()) << read(m_dir / "first.out") << "rc:" << read(rc) << " pid:" << read(m_dir / "first.pid")
                            << " log:" << fs::exists(m_dir / "first" / "Log.txt")
                            << " lock:" << fs::exists(m_dir / "run" / "Local_$SKFL$.lock");

    EXPECT_EQ(exitCode(std::system(command(m_dir / "second", "--production").c_str())), 255);
    EXPECT_TRUE(fs::is_empty(m_dir / "second"));

    // The first copy: the window runs; a termination request closes it.
    const std::string pids = "kill -TERM $(cat '" + (m_dir / "first.pid").string() + "')";
    ASSERT_EQ(std::system(pids.c_str()), 0);
    for (int i = 0; i < 400 && read(rc).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    EXPECT_EQ(read(rc), "0\n");
    EXPECT_TRUE(fs::exists(m_dir / "cfg" / "Skyfill")); // the data folder was made
    EXPECT_FALSE(lockHeld());
}

TEST_F(ProcessEntryTest, UnwritableLogEndsWithCodeOneAndSaysSo) {
    // Log.txt and its generations are folders that cannot be moved or replaced.
    for (const char* name : {"Log.txt", "Log0.txt", "Log00.txt", "Log000.txt"})
        fs::create_directories(m_dir / "first" / name / "keep");
    const std::string cmd = "(" + command(m_dir / "first") + ") 2> '" + (m_dir / "stderr.txt").string() + "'";
    EXPECT_EQ(exitCode(std::system(cmd.c_str())), 1);
    EXPECT_NE(read(m_dir / "stderr.txt").find("Log.txt"), std::string::npos);
}

TEST(ProcessEntryLockTest, ALockThatCannotBeTakenStopsTheStartWithItsReason) {
    skf::test::TempFolder temp;
    fs::create_directories(temp / "tmp");
    fs::create_directories(temp / "program");
    // Another account made the fallback folder first, open to all.
    const fs::path fallback = temp / "tmp" / ("skyfill-" + std::to_string(::getuid()));
    fs::create_directory(fallback);
    fs::permissions(fallback, fs::perms::all | fs::perms::sticky_bit, fs::perm_options::replace);
    gf_setRuntimeFolderSeam(temp / "tmp", std::nullopt);
    const skf::test::ScopedEnv noXdg("XDG_RUNTIME_DIR", nullptr);
    const fs::path before = fs::current_path();
    fs::current_path(temp / "program");
    char program[] = "skyfill";
    char* argv[] = {program, nullptr};
    testing::internal::CaptureStderr();
    // No window either way: should the lock be taken, the start ends at the missing window.
    const int code = gf_processEntry(1, argv, [](ControlModel&) { return std::unique_ptr<WindowBackend>(); });
    const std::string said = testing::internal::GetCapturedStderr();
    fs::current_path(before);
    gf_setRuntimeFolderSeam({}, std::nullopt);
    EXPECT_EQ(code, 255);
    EXPECT_NE(said.find(fallback.string() + " cannot be used: it is open to other accounts (mode 1777)"),
              std::string::npos)
        << said;
    EXPECT_TRUE(fs::is_empty(temp / "program")); // no Log.txt: its generations may be another copy's
    EXPECT_TRUE(fs::is_empty(fallback));         // no lock file left in their folder
}
