// The application delegate's part: the updater started on the agent's channel at start-up, the
// check-for-updates action with and without Option, and the help action.

#include "agent/updates/DirectAppUpdater.h"
#include "platform/input/ModifierFlags.h"
#include "platform/sim/SimApplication.h"
#include "platform/sim/SimUpdater.h"
#include "tests/agent/AgentSimFixture.h"

using namespace platform;

namespace {

struct ShownWindow : NavWindow {
    explicit ShownWindow(int& shows) : shows(shows) {}
    void showWindow() override { ++shows; }
    int& shows;
};

class UpdateActionsTest : public agenttest::AgentSimFixture {
  public:
    UpdateActionsTest() {
        agent.notificationCenter().addObserver(AppUpdater::checkedForUpdates, nullptr,
                                               [this](const Notification&) { ++announced; });
    }
    AppDelegate& start(AppUpdater* withUpdater) {
        delegate = std::make_unique<AppDelegate>(services());
        delegate->setUpdater(withUpdater);
        delegate->setNavigator(&navigator);
        agent.application().setDelegate(delegate.get());
        agent.application().run();
        return *delegate;
    }
    std::vector<std::string> feeds() const {
        std::vector<std::string> out;
        for (const auto& c : su.checks)
            out.push_back(c.feed.substr(c.feed.find("feed=") + 5) +
                          (c.interactive ? "" : " (quiet)"));
        return out;
    }

    SimUpdater su;
    DirectAppUpdater direct{su, defaults};
    AppUpdater updater{&direct, agent.notificationCenter()};
    int announced = 0, made = 0, shows = 0;
    AgentNavigator navigator{Bundle::main(), sounds, [this](const NavDestinationConfig&, auto) {
                                 ++made;
                                 return std::make_unique<ShownWindow>(shows);
                             }};
    std::unique_ptr<AppDelegate> delegate;
};

TEST_F(UpdateActionsTest, StartUpSetsTheAgentChannelAndTheMenuActionChecksTheFeedOptionAsks) {
    defaults.setBool(DirectAppUpdater::kCheckAtStartup, true);
    AppDelegate& d = start(&updater);
    EXPECT_EQ(su.automaticSet, std::vector<bool>{true});

    d.checkForAppUpdates(0);
    d.checkForAppUpdates(ModifierFlags::option | ModifierFlags::shift);
    d.checkForAppUpdates(ModifierFlags::command);
    EXPECT_EQ(feeds(), (std::vector<std::string>{"PLAGENT", "PLAGENT-BETA", "PLAGENT"}));
    EXPECT_EQ(announced, 3);
}

TEST_F(UpdateActionsTest, WithoutAnUpdaterChecksOnlyAnnounce) {
    AppDelegate& d = start(nullptr);
    d.checkForAppUpdates(ModifierFlags::option);
    EXPECT_TRUE(su.checks.empty() && su.automaticSet.empty());
    EXPECT_EQ(announced, 1);
}

TEST_F(UpdateActionsTest, HelpOpensOneDocumentationWindow) {
    AppDelegate& d = start(&updater);
    d.showOnlineHelp();
    d.showOnlineHelp();
    EXPECT_EQ(made, 1);
    EXPECT_EQ(shows, 2);
    d.showReleaseNotes();
    EXPECT_EQ(made, 1);
}

}  // namespace
