// Starts the built programs from their bundles, as a user would, and checks what they print and
// how they quit; then checks the bundles carry what the programs will look for.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/Bundle.h"
#include "platform/StringsTable.h"
#include "tests/support/TempDir.h"

extern char** environ;

namespace fs = std::filesystem;
using platform::Bundle;

namespace {

const fs::path kApps = fs::path(PURLANE_BUILD_DIR) / "Applications";
const fs::path kAgentApp = kApps / "purlaneAgent.app";
// The helpers are found where the agent's bundle says its login items and shared support are.
fs::path launcherApp() {
    const auto agent = Bundle::open(kAgentApp);
    return agent ? agent->loginItemsPath() / "purlaneAgentLauncher.app" : fs::path();
}
fs::path watcherApp() {
    const auto agent = Bundle::open(kAgentApp);
    return agent ? agent->sharedSupportPath() / "purlaneLaunchWatcher.app" : fs::path();
}

// Generous: a loaded machine may be slow, but a hang must still end the test.
constexpr auto kWait = std::chrono::seconds(20);

// A program started with its standard output on a pipe; killed if the test leaves it running.
class Child {
  public:
    explicit Child(const fs::path& executable) {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        // A runner started in the background may ignore SIGINT, and children inherit that;
        // start them as from a terminal.
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        sigset_t signals;
        sigemptyset(&signals);
        posix_spawnattr_setsigmask(&attr, &signals);
        sigaddset(&signals, SIGINT);
        sigaddset(&signals, SIGTERM);
        posix_spawnattr_setsigdefault(&attr, &signals);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        const std::string path = executable.string();
        std::vector<char*> argv{const_cast<char*>(path.c_str()), nullptr};
        if (posix_spawn(&pid_, path.c_str(), &actions, &attr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawnattr_destroy(&attr);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        out_ = fds[0];
    }
    ~Child() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) close(out_);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }

    // The next line of output without its newline; nothing at end of output or time-out.
    std::optional<std::string> readLine() {
        const auto deadline = std::chrono::steady_clock::now() + kWait;
        for (;;) {
            if (const auto nl = buffer_.find('\n'); nl != std::string::npos) {
                std::string line = buffer_.substr(0, nl);
                buffer_.erase(0, nl + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return std::nullopt;
            pollfd p{out_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
            char chunk[512];
            const ssize_t n = read(out_, chunk, sizeof chunk);
            if (n <= 0) return std::nullopt;
            buffer_.append(chunk, static_cast<size_t>(n));
        }
    }

    // The exit status once the program has ended by itself; nothing while it still runs.
    std::optional<int> exited() {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) != pid_) return std::nullopt;
        pid_ = -1;
        return status;
    }

    std::optional<int> waitForExit() {
        const auto deadline = std::chrono::steady_clock::now() + kWait;
        while (std::chrono::steady_clock::now() < deadline) {
            if (auto status = exited()) return status;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return std::nullopt;
    }

  private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::string buffer_;
};

Bundle openBundle(const fs::path& path) {
    auto bundle = Bundle::open(path);
    EXPECT_TRUE(bundle) << path;
    return bundle.value_or(Bundle::main());
}

// The agent under test gets a home of its own and no session bus: it must not touch the
// user's files, and it must neither see nor quit agents that other tests run meanwhile.
class IsolatedEnvironment {
  public:
    IsolatedEnvironment() {
        for (const char* name : kNames) {
            const char* v = std::getenv(name);
            saved_.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
        }
        setenv("HOME", home_.path().c_str(), 1);
        setenv("XDG_DATA_HOME", (home_ / "data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home_ / "config").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (home_ / "run").c_str(), 1);
        fs::create_directories(home_ / "run");
        fs::permissions(home_ / "run", fs::perms::owner_all);
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
    ~IsolatedEnvironment() {
        for (const auto& [name, value] : saved_) {
            if (value) {
                setenv(name, value->c_str(), 1);
            } else {
                unsetenv(name);
            }
        }
    }

  private:
    static constexpr const char* kNames[] = {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME",
                                             "XDG_RUNTIME_DIR", "DBUS_SESSION_BUS_ADDRESS"};
    testsupport::TempDir home_;
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

void expectBannerAndQuitOn(int signal) {
    IsolatedEnvironment isolated;
    const Bundle agent = openBundle(kAgentApp);
    const auto shortVersion = agent.infoString("CFBundleShortVersionString");
    const auto version = agent.infoString("CFBundleVersion");
    ASSERT_TRUE(shortVersion && version);

    Child child(kAgentApp / "Contents/MacOS/purlaneAgent");
    ASSERT_TRUE(child.started());
    EXPECT_EQ(child.readLine(), "purlaneAgent " + *shortVersion + " (" + *version + "):");
    EXPECT_EQ(child.readLine(), "    path = " + fs::canonical(kAgentApp).string());

    // It stays up until told to quit.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_FALSE(child.exited()) << "the agent quit by itself";
    // Never kill(-1, ...): that would reach every process we may signal.
    ASSERT_GT(child.pid(), 0);
    ASSERT_EQ(kill(child.pid(), signal), 0);
    const auto status = child.waitForExit();
    ASSERT_TRUE(status) << "the agent did not quit on signal " << signal;
    ASSERT_TRUE(WIFEXITED(*status)) << "status " << *status;
    EXPECT_EQ(WEXITSTATUS(*status), 0);
}

TEST(AgentLaunch, PrintsBannerAndQuitsOnSigterm) {
    expectBannerAndQuitOn(SIGTERM);
}

TEST(AgentLaunch, PrintsBannerAndQuitsOnSigint) {
    expectBannerAndQuitOn(SIGINT);
}

TEST(AgentLaunch, HelpersRunAndExitCleanly) {
    for (const auto& app : {launcherApp(), watcherApp()}) {
        const auto exe = openBundle(app).executablePath();
        ASSERT_TRUE(exe) << app;
        Child child(*exe);
        ASSERT_TRUE(child.started()) << *exe;
        const auto status = child.waitForExit();
        ASSERT_TRUE(status) << *exe << " did not exit";
        EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << *exe;
    }
}

TEST(AgentBundles, IdentifiersAndExecutables) {
    const std::vector<std::pair<fs::path, std::string>> bundles{
        {kAgentApp, "com.halvik.purlane.agent"},
        {launcherApp(), "com.halvik.purlane.agent.launcher"},
        {watcherApp(), "com.halvik.purlane.launchwatcher"},
    };
    for (const auto& [path, identifier] : bundles) {
        const Bundle bundle = openBundle(path);
        EXPECT_EQ(bundle.bundleIdentifier(), identifier) << path;
        const auto exe = bundle.executablePath();
        ASSERT_TRUE(exe) << path;
        EXPECT_TRUE(fs::is_regular_file(*exe)) << *exe;
        EXPECT_EQ(access(exe->c_str(), X_OK), 0) << *exe;
    }
}

TEST(AgentBundles, AgentClaimsItsUrlSchemes) {
    const Bundle agent = openBundle(kAgentApp);
    std::vector<std::string> schemes;
    const auto* types = agent.objectForInfoDictionaryKey("CFBundleURLTypes");
    ASSERT_TRUE(types && types->asArray());
    for (const auto& type : *types->asArray()) {
        const auto* list = type.get("CFBundleURLSchemes");
        if (!list || !list->asArray()) continue;
        for (const auto& scheme : *list->asArray()) {
            if (scheme.asString()) schemes.push_back(*scheme.asString());
        }
    }
    EXPECT_NE(std::find(schemes.begin(), schemes.end(), "x-purlane-agent"), schemes.end());
    EXPECT_NE(std::find(schemes.begin(), schemes.end(), "x-plagent"), schemes.end());
}

TEST(AgentBundles, AgentResources) {
    const Bundle agent = openBundle(kAgentApp);
    for (const char* name : {"releasenotes.html", "plmenu-icon.png", "plmenu-icon-9.png"}) {
        EXPECT_TRUE(agent.pathForResource(name, "")) << name;
    }
    const auto localizable = agent.pathForResource("Localizable", "strings");
    ASSERT_TRUE(localizable);
    EXPECT_EQ(localizable->parent_path().filename(), "en.lproj");
    const auto table = platform::StringsTable::readFile(*localizable);
    EXPECT_TRUE(table.ok()) << table.error().detail;

    const auto groupsPath = agent.pathForResource("builtin_groups", "strings");
    ASSERT_TRUE(groupsPath);
    const auto groups = platform::StringsTable::readFile(*groupsPath);
    ASSERT_TRUE(groups.ok()) << groups.error().detail;
    for (const char* key :
         {"##Standard", "##Favorites", "##Recents", "##Basic", "##Library", "##Custom"}) {
        EXPECT_TRUE(groups->contains(key)) << key;
    }
}

}  // namespace
