// The run script (tools/run-skyfill.sh) with the real program and stand-ins, in a build folder of its own: a
// Ctrl+C in the terminal closes Skyfill as its close button does, and the stand-ins end only after it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

#include <nlohmann/json.hpp>

#include "support/TempFolder.h"

namespace {

namespace fs = std::filesystem;
using skf::test::readBytes;
using skf::test::TempFolder;
using skf::test::writeBytes;

// A build folder whose program folder is a copy (Skyfill writes into it) and whose tools are the real ones;
// the simulator stand-in is wrapped so that it keeps a trace of its own for the test, frames included (they
// push the trace to the file while Skyfill runs).
fs::path makeBuildFolder(const TempFolder& tmp, const fs::path& trace) {
    const fs::path real = SKYFILL_BINARY_DIR;
    const fs::path build = tmp / "build";
    fs::create_directories(build / "bin");
    fs::create_directories(build / "tools" / "dlserver");
    fs::copy(real / "Skyfill", build / "Skyfill", fs::copy_options::recursive);
    fs::remove(build / "Skyfill" / "Log.txt");
    fs::create_directory_symlink(real / "downloads", build / "downloads");
    fs::create_symlink(real / "tools" / "dlserver" / "dlserver", build / "tools" / "dlserver" / "dlserver");
    // The simulator's packages folders that the build fills (add-on airports, AI liveries), read only.
    for (const auto& entry : fs::directory_iterator(real / "standin-home" / "config")) {
        if (entry.path().filename().string().rfind("Microsoft Flight Simulator", 0) == 0) {
            fs::create_directories(build / "standin-home" / "config");
            fs::create_directory_symlink(entry.path(), build / "standin-home" / "config" / entry.path().filename());
        }
    }
    for (const auto& entry : fs::directory_iterator(real / "bin")) {
        if (entry.path().filename() != "simstandin")
            fs::create_symlink(entry.path(), build / "bin" / entry.path().filename());
    }
    // exec keeps the process the script started, so the script stops the real stand-in.
    writeBytes(build / "bin" / "simstandin",
               "#!/bin/bash\nargs=()\nfor a in \"$@\"; do [ \"$a\" = --no-frame-trace ] || args+=(\"$a\"); done\n"
               "exec '" +
                   (real / "bin" / "simstandin").string() + "' \"${args[@]}\" --trace '" + trace.string() + "'\n");
    fs::permissions(build / "bin" / "simstandin", fs::perms::owner_all, fs::perm_options::add);
    return build;
}

// Starts the script as a terminal would: in a process group of its own, whose leader it is, with SIGINT and
// SIGTERM at their defaults and no display (the window runs headless).
pid_t startScript(const fs::path& build, const fs::path& output) {
    const fs::path runtime = build.parent_path() / "runtime";
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    const std::string script = (fs::path(SKYFILL_SOURCE_DIR) / "tools" / "run-skyfill.sh").string();
    pid_t pid = ::fork();
    if (pid == 0) {
        ::setsid();
        ::signal(SIGINT, SIG_DFL);
        ::signal(SIGTERM, SIG_DFL);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        for (const char* name : {"DISPLAY", "SKYFILL_DOWNLOAD_URL", "SKYFILL_NO_STANDIN", "SKYFILL_KEEP_HOME",
                                 "SKYFILL_SIMCONNECT_SOCKET"})
            ::unsetenv(name);
        // RealTraffic's fixed ports may be taken by another run on this machine: no replayer (it is started
        // and stopped as the simulator stand-in is), and the UDP readers on free ports.
        ::setenv("SKYFILL_NO_REPLAYER", "1", 1);
        // Skyfill's single-instance lock lives there: a Skyfill running elsewhere on this machine is no other
        // instance of this one.
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        ::setenv("SKYFILL_RT_TRAFFIC_PORT", "0", 1);
        ::setenv("SKYFILL_RT_QNH_PORT", "0", 1);
        int fd = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int in = ::open("/dev/null", O_RDONLY);
        if (fd >= 0 && in >= 0) {
            ::dup2(in, 0);
            ::dup2(fd, 1);
            ::dup2(fd, 2);
        }
        ::execl("/bin/bash", "bash", script.c_str(), build.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return pid;
}

bool waitFor(const std::function<bool()>& pred, std::chrono::seconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

std::vector<nlohmann::json> traceLines(const fs::path& trace) {
    std::vector<nlohmann::json> lines;
    std::istringstream in(readBytes(trace));
    std::string line;
    while (std::getline(in, line))
        lines.push_back(nlohmann::json::parse(line, nullptr, false));
    return lines;
}

// Position of the first trace line that holds every given field with its value; -1 when none does.
long firstLine(const std::vector<nlohmann::json>& lines, const nlohmann::json& fields) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        bool all = lines[i].is_object();
        for (auto it = fields.begin(); all && it != fields.end(); ++it)
            all = lines[i].contains(it.key()) && lines[i][it.key()] == it.value();
        if (all)
            return static_cast<long>(i);
    }
    return -1;
}

// Ends a run the test left behind: its close first, so that the script stops its stand-ins.
struct RunGuard {
    pid_t script;
    bool ended = false;
    ~RunGuard() {
        if (ended || script <= 0)
            return;
        ::kill(-script, SIGTERM);
        for (int i = 0; i < 300 && ::waitpid(script, nullptr, WNOHANG) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ::kill(-script, SIGKILL);
        ::waitpid(script, nullptr, WNOHANG);
    }
};

TEST(RunScript, CtrlCClosesSkyfillBeforeTheStandIns) {
    TempFolder tmp;
    const fs::path trace = tmp / "simstandin-trace.jsonl";
    const fs::path build = makeBuildFolder(tmp, trace);
    const fs::path output = tmp / "run.out";
    const pid_t script = startScript(build, output);
    ASSERT_GT(script, 0);
    RunGuard guard{script};
    int status = 0;
    bool& ended = guard.ended;
    auto scriptEnded = [&] {
        if (!ended && ::waitpid(script, &status, WNOHANG) == script)
            ended = true;
        return ended;
    };

    // Skyfill has opened its simulator connection and has run on it for three seconds of frames.
    const bool connected = waitFor(
        [&] {
            if (scriptEnded())
                return true;
            const auto lines = traceLines(trace);
            return firstLine(lines, {{"call", "Open"}, {"result", "ok"}}) >= 0 &&
                   std::count_if(lines.begin(), lines.end(), [](const nlohmann::json& j) {
                       return j.is_object() && j.value("msg", "") == "EVENT_FRAME";
                   }) >= 90;
        },
        std::chrono::seconds(150));
    ASSERT_FALSE(ended) << readBytes(output);
    ASSERT_TRUE(connected) << readBytes(output);

    // The terminal's Ctrl+C goes to its foreground process group: the script's.
    ASSERT_EQ(::kill(-script, SIGINT), 0);
    ASSERT_TRUE(waitFor(scriptEnded, std::chrono::seconds(90))) << "the run did not end after Ctrl+C\n"
                                                                << readBytes(output);
    EXPECT_TRUE(WIFEXITED(status)) << readBytes(output);

    const std::string log = readBytes(build / "Skyfill" / "Log.txt");
    EXPECT_NE(log.find("Exiting: USER CLOSED SIM"), std::string::npos) << log;
    EXPECT_EQ(log.find("SIM WAS CLOSED"), std::string::npos) << log;

    // Skyfill left while the simulator was still there; the simulator quit and stopped only after.
    const auto lines = traceLines(trace);
    const long close = firstLine(lines, {{"what", "disconnect"}});
    const long quit = firstLine(lines, {{"what", "quit"}});
    const long stop = firstLine(lines, {{"what", "stop"}});
    ASSERT_GE(close, 0) << readBytes(trace);
    ASSERT_GE(stop, 0) << "the stand-in was not stopped\n" << readBytes(output);
    EXPECT_LT(close, stop);
    if (quit >= 0) {
        EXPECT_LT(close, quit);
    }
}

} // namespace
