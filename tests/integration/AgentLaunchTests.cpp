// Starts the built programs from their bundles, as a user would, and checks what they print and
// how they quit; then checks the bundles carry what the programs will look for.

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/coding/StringsTable.h"
#include "platform/workspace/Bundle.h"
#include "tests/support/Subprocess.h"
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
constexpr double kWait = 20;

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

    testsupport::Subprocess child({(kAgentApp / "Contents/MacOS/purlaneAgent").string()});
    EXPECT_EQ(child.readLine(kWait), "purlaneAgent " + *shortVersion + " (" + *version + "):");
    EXPECT_EQ(child.readLine(kWait), "    path = " + fs::canonical(kAgentApp).string());

    // It stays up until told to quit.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_TRUE(child.running()) << "the agent quit by itself: " << child.stderrText();
    child.signal(signal);
    EXPECT_EQ(child.wait(kWait), 0) << "the agent did not quit cleanly on signal " << signal;
}

TEST(AgentLaunch, PrintsBannerAndQuitsOnSigtermAndSigint) {
    for (int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        expectBannerAndQuitOn(signal);
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
