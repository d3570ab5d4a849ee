// The runtime folder shared by the single-instance lock and the simulator socket: a folder that another
// account owns, that others can reach, or a link in its place is refused with its name and what is wrong,
// and neither the lock nor a connection is made there.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "platform/simconnect/SimConnect.h"
#include "platform/system/RuntimeFolder.h"
#include "platform/ui/SingleInstance.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"

using namespace skf;
namespace fs = std::filesystem;

namespace {

// A socket that listens at path, as another account's simulator would; tells whether anyone connected.
class Listener {
public:
    explicit Listener(const fs::path& path) {
        m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
        if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(m_fd, 4) != 0)
            ADD_FAILURE() << "cannot listen at " << path << ": " << std::strerror(errno);
    }
    ~Listener() { ::close(m_fd); }
    // Waits at most ms for a connection, which it then closes.
    bool connected(int ms = 0) const {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, ms) != 1)
            return false;
        const int peer = ::accept(m_fd, nullptr, nullptr);
        if (peer < 0)
            return false;
        ::close(peer);
        return true;
    }

private:
    int m_fd = -1;
};

void makeFolder(const fs::path& p, mode_t mode) {
    ASSERT_EQ(::mkdir(p.c_str(), 0700), 0) << p;
    ASSERT_EQ(::chmod(p.c_str(), mode), 0) << p;
}

struct Hostile {
    const char* name;
    bool needsRoot;             // chown to another account
    std::optional<uid_t> owner; // the account the folder must belong to (the seam), else ours
    const char* problem;        // what the refusal says is wrong
    std::function<void(const fs::path& fallback, const fs::path& aside)> make; // the socket's folder
};

class RuntimeFolderTest : public ::testing::Test {
protected:
    void TearDown() override { gf_setRuntimeFolderSeam({}, std::nullopt); }
    test::TempFolder temp;
    test::ScopedEnv noOverride{SIM_SOCKET_ENV, nullptr};
};

} // namespace

TEST_F(RuntimeFolderTest, AFolderOthersCouldReachIsRefusedAndNeitherLockNorConnectionIsMadeThere) {
    const uid_t me = ::getuid();
    const Hostile rows[] = {
        {"owned by another account", true, std::nullopt, "it belongs to another account (uid 65534",
         [](const fs::path& f, const fs::path&) {
             makeFolder(f, 0700);
             ASSERT_EQ(::chown(f.c_str(), 65534, 65534), 0);
         }},
        {"not the user's (owner check)", false, me + 1000, "it belongs to another account",
         [](const fs::path& f, const fs::path&) { makeFolder(f, 0700); }},
        {"open to all, sticky", false, std::nullopt, "it is open to other accounts (mode 1777)",
         [](const fs::path& f, const fs::path&) { makeFolder(f, 01777); }},
        {"readable by others", false, std::nullopt, "it is open to other accounts (mode 0755)",
         [](const fs::path& f, const fs::path&) { makeFolder(f, 0755); }},
        {"a link to a private folder", false, std::nullopt, "it is a symbolic link",
         [](const fs::path& f, const fs::path& aside) {
             makeFolder(aside, 0700);
             fs::create_directory_symlink(aside, f);
         }},
    };
    for (const Hostile& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.needsRoot && ::geteuid() != 0)
            continue; // the owner-check row covers it
        const fs::path base = temp / row.name;
        fs::create_directories(base);
        gf_setRuntimeFolderSeam(base, row.owner);
        const fs::path fallback = base / ("skyfill-" + std::to_string(row.owner.value_or(me)));
        const fs::path aside = base / "aside";
        row.make(fallback, aside);
        // $XDG_RUNTIME_DIR is open to others as well, with a simulator of its own.
        const fs::path xdg = base / "xdg";
        makeFolder(xdg, 0755);
        const test::ScopedEnv runtime("XDG_RUNTIME_DIR", xdg.string());
        const fs::path socketFolder = fs::is_symlink(fallback) ? aside : fallback;
        const Listener theirs(socketFolder / "simconnect.sock");
        const Listener theirsXdg(xdg / "skyfill-simconnect.sock");

        const RuntimeFolder folder = gf_runtimeFolder();
        EXPECT_TRUE(folder.path.empty());
        EXPECT_NE(folder.refusal.find(fallback.string() + " cannot be used: " + row.problem), std::string::npos)
            << folder.refusal;
        EXPECT_NE(folder.refusal.find(xdg.string()), std::string::npos) << folder.refusal;

        std::string why;
        const std::string name = std::string("Local\\$SKFL-refused-") + std::to_string(::getpid()) + row.name + "$";
        EXPECT_EQ(gf_acquireSingleInstance(name, &why), InstanceLock::Failed);
        EXPECT_EQ(why, folder.refusal);
        EXPECT_TRUE(gf_instanceLockPath(name).empty());

        EXPECT_EQ(gf_simConnectSocket().refusal, folder.refusal);
        SimHandle h = 7;
        EXPECT_EQ(SimConnect_Open(&h, "Skyfill", nullptr, 0, nullptr, 0), SIM_E_ACCESSDENIED);
        EXPECT_EQ(h, 0u);
        EXPECT_FALSE(theirs.connected());
        EXPECT_FALSE(theirsXdg.connected());
        // Nothing of ours was left in their folder.
        for (const auto& entry : fs::directory_iterator(socketFolder))
            EXPECT_EQ(entry.path().filename(), "simconnect.sock");
    }
}

TEST_F(RuntimeFolderTest, APrivateXdgFolderIsTakenElseTheFallbackIsMadePrivate) {
    gf_setRuntimeFolderSeam(temp.path(), std::nullopt);
    const fs::path xdg = temp / "xdg";
    makeFolder(xdg, 0700);
    {
        const test::ScopedEnv runtime("XDG_RUNTIME_DIR", xdg.string());
        EXPECT_EQ(gf_runtimeFolder().path, xdg);
        EXPECT_EQ(gf_simConnectSocketPath(), (xdg / "skyfill-simconnect.sock").string());
    }
    // Unset, relative or not private: the fallback, made with mode 0700.
    for (const char* value : {static_cast<const char*>(nullptr), "relative/run", "/nonexistent-runtime-folder"}) {
        const test::ScopedEnv runtime("XDG_RUNTIME_DIR", value);
        const fs::path fallback = temp / ("skyfill-" + std::to_string(::getuid()));
        const RuntimeFolder folder = gf_runtimeFolder();
        EXPECT_EQ(folder.path, fallback) << folder.refusal;
        EXPECT_EQ(gf_privateFolderProblem(fallback, ::getuid()), "");
        struct stat st {};
        ASSERT_EQ(::lstat(fallback.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0700u);
        EXPECT_EQ(gf_simConnectSocketPath(), (fallback / "simconnect.sock").string());
    }
    {
        // Here the connection is made (the peer closes it at once: no simulator).
        const test::ScopedEnv runtime("XDG_RUNTIME_DIR", nullptr);
        const Listener simulator(temp / ("skyfill-" + std::to_string(::getuid())) / "simconnect.sock");
        bool connected = false;
        std::thread peer([&] { connected = simulator.connected(5000); });
        SimHandle h = 7;
        EXPECT_EQ(SimConnect_Open(&h, "Skyfill", nullptr, 0, nullptr, 0), SIM_E_FAIL);
        peer.join();
        EXPECT_TRUE(connected);
    }
    // The explicit socket of the stand-ins and tests is taken as it stands.
    const test::ScopedEnv socket(SIM_SOCKET_ENV, "/some/where/sim.sock");
    EXPECT_EQ(gf_simConnectSocketPath(), "/some/where/sim.sock");
}
