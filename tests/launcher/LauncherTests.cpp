// The login item's launcher on the sim: what it starts at login, and that it always quits.

#include <gtest/gtest.h>

#include <filesystem>

#include "launcher/AppDelegate.h"
#include "platform/sim/SimApplication.h"
#include "platform/sim/SimProcess.h"
#include "platform/sim/SimWorld.h"
#include "tests/support/TempDir.h"

using namespace platform;
using launcher::AppDelegate;
using Kind = SimAppRequest::Kind;
namespace fs = std::filesystem;

namespace {

constexpr const char* kAgentID = "com.halvik.purlane.agent";
constexpr const char* kLauncherID = "com.halvik.purlane.agent.launcher";

TEST(LauncherIdentity, AgentIdentifierDropsEveryLauncherSuffix) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"com.halvik.purlane.agent.launcher", "com.halvik.purlane.agent"},
        {"com.x.launcher.y.launcher", "com.x.y"},
        {"com.halvik.purlane.agent", "com.halvik.purlane.agent"},
        {"", ""},
    };
    for (const auto& [launcherID, agentID] : cases)
        EXPECT_EQ(AppDelegate::agentIdentifier(launcherID), agentID) << launcherID;
}

TEST(LauncherIdentity, AgentBundleLiesFourLevelsUp) {
    const std::vector<std::pair<fs::path, fs::path>> cases{
        {"/opt/A/purlaneAgent.app/Contents/Library/LoginItems/purlaneAgentLauncher.app",
         "/opt/A/purlaneAgent.app"},
        {"/opt/A/purlaneAgent.app/Contents/Library/LoginItems/purlaneAgentLauncher.app/",
         "/opt/A/purlaneAgent.app"},
        // Moved out of the agent: whatever lies four levels up.
        {"/home/u/Desktop/purlaneAgentLauncher.app", "/"},
    };
    for (const auto& [launcher, agent] : cases)
        EXPECT_EQ(AppDelegate::agentBundlePath(launcher), agent) << launcher;
}

class LauncherTest : public ::testing::Test {
  protected:
    LauncherTest() {
        world.apps().install(SimAppBundle{.bundleIdentifier = kAgentID,
                                          .path = agentPath.string(),
                                          .activationPolicy = ActivationPolicy::Accessory});
        world.apps().install(SimAppBundle{
            .bundleIdentifier = kLauncherID,
            .path = (agentPath / "Contents/Library/LoginItems/purlaneAgentLauncher.app").string(),
            .activationPolicy = ActivationPolicy::Prohibited});
        EXPECT_TRUE(world.apps().writeBundle(kLauncherID).ok());
    }

    // Starts the launcher as the system does at login.
    SimProcess& login() {
        SimProcess& launcher = world.launch(kLauncherID);
        launcher.application().setDelegate(&delegate);
        launcher.application().run();
        world.runUntilIdle();
        return launcher;
    }
    size_t agentsRunning() {
        size_t n = 0;
        for (SimProcess* p : world.apps().running()) n += p->bundleIdentifier() == kAgentID;
        return n;
    }
    size_t requestsOf(Kind kind) {
        size_t n = 0;
        for (const auto& r : world.apps().requests()) n += r.kind == kind;
        return n;
    }

    testsupport::TempDir temp;
    fs::path agentPath = temp.path() / "Applications" / "purlaneAgent.app";
    SimWorld world;
    AppDelegate delegate;
};

// Starting the agent at login and quitting is checked with the real programs; here what they
// cannot show.
TEST_F(LauncherTest, WithTheAgentRunningStartsNothingAndQuits) {
    world.launch(kAgentID);
    SimProcess& launcher = login();
    EXPECT_EQ(agentsRunning(), 1u);
    // Not even a reopen: the running agent is left alone.
    EXPECT_EQ(requestsOf(Kind::Launch) + requestsOf(Kind::Reopen), 0u);
    EXPECT_TRUE(launcher.application().isTerminated());
}

TEST_F(LauncherTest, QuitsWhenTheAgentCannotBeLaunched) {
    world.apps().uninstall(kAgentID);
    SimProcess& launcher = login();
    EXPECT_EQ(agentsRunning(), 0u);
    EXPECT_TRUE(launcher.application().isTerminated());
}

}  // namespace
