#include <filesystem>
#include <functional>
#include <map>

#include "agent/library/RegisteredDefaults.h"
#include "platform/sim/SimApplication.h"
#include "tests/agent/AgentSimFixture.h"

using namespace platform;
using agenttest::kAgentID;
using Kind = SimAppRequest::Kind;

namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

// What the menu actions asked of the preferences window: "main" or the pane's name.
struct RecordingOpener : PLPreferencesOpener {
    void showMainWindow() override { asked.push_back("main"); }
    void showPanelWithNamed(const std::string& name) override { asked.push_back(name); }
    Strings asked;
};

class StartupTest : public agenttest::AgentSimFixture {
  public:
    // Runs the application's launch with the delegate; `atStep` runs as a step begins.
    AppDelegate& start() {
        delegate = std::make_unique<AppDelegate>(services());
        delegate->setPreferences(&preferences);
        delegate->setStepObserver([this](const std::string& name) {
            steps.push_back(name);
            if (auto hook = atStep.find(name); hook != atStep.end()) hook->second();
        });
        agent.application().setDelegate(delegate.get());
        agent.application().run();
        return *delegate;
    }
    // The did-finish sequence again with a new delegate, as at a later launch.
    void relaunch() {
        restarts.push_back(std::make_unique<AppDelegate>(services()));
        restarts.back()->setPreferences(&preferences);
        restarts.back()->applicationDidFinishLaunching(agent.application());
    }
    fs::path staleServices() const {
        return temp.path() / "Library" / "Services" / AppDelegate::kStandardServiceBundle;
    }

    SimProcess& browser = world.launch("com.example.browser");
    RecordingOpener preferences;
    std::unique_ptr<AppDelegate> delegate;
    // Kept alive: their observers stay registered.
    std::vector<std::unique_ptr<AppDelegate>> restarts;
    Strings steps;
    std::map<std::string, std::function<void()>> atStep;
};

TEST_F(StartupTest, StepsRunInOrderWithDefaultsRegisteredBeforeTheBanner) {
    std::optional<PropertyList> atRegister, atBanner;
    atStep["registerDefaults"] = [&] { atRegister = defaults.objectForKey("AppDefaultGroup"); };
    atStep["banner"] = [&] { atBanner = defaults.objectForKey("AppDefaultGroup"); };
    start();

    EXPECT_EQ(steps, (Strings{"registerDefaults", "installURLHandler", "banner", "activationPolicy",
                              "client", "loadLibrary", "observeLibraryChanges", "servicesProvider",
                              "globalActions", "accessibility", "updater", "nextLaunchAction",
                              "quitOtherAgents", "versionCleanUp", "openURLQueue"}));
    EXPECT_FALSE(atRegister);
    EXPECT_EQ(atBanner, PropertyList("##Standard"));
    EXPECT_NE(client.delegate(), nullptr);
}

// The real banner is checked end to end; here the stand-ins of a bundle without versions.
TEST_F(StartupTest, BannerOfABundleWithoutVersions) {
    writeAgentInfo({{"CFBundleIdentifier", kAgentID}});
    start();
    const std::string path = "):\n    path = " + agentBundlePath().string();
    EXPECT_EQ(printed("purlaneAgent "), Strings{"purlaneAgent  (??" + path});
}

TEST_F(StartupTest, HideDockIconMakesTheAgentAnAccessory) {
    for (bool hide : {false, true}) {
        SCOPED_TRACE(hide);
        defaults.setBool(RegisteredDefaults::kHideDockIcon, hide);
        relaunch();
        EXPECT_EQ(agent.application().activationPolicy(),
                  hide ? ActivationPolicy::Accessory : ActivationPolicy::Regular);
    }
}

TEST_F(StartupTest, WithoutALibraryNothingIsAnnounced) {
    start();
    EXPECT_EQ(clientInfoUpdates, 0);
    EXPECT_TRUE(client.grouplist(0).empty());
}

TEST_F(StartupTest, TheLibraryIsAnnouncedAtStartAndReloadedOnChange) {
    installLibrary();
    start();
    EXPECT_EQ(clientInfoUpdates, 1);
    EXPECT_FALSE(client.grouplist(0).empty());

    browser.distributedCenter().post("com.purlane.groupsChanged");
    world.runUntilIdle();
    EXPECT_EQ(clientInfoUpdates, 2);

    // Version-8 notifications are noted, and reload only for the version-8 engine.
    const Strings pl8 = {"PLGroupsChangedNotification",
                         "com.halvik.PurlaneKit.SharedGroupsDataChangedNotification"};
    for (const auto& name : pl8) browser.distributedCenter().post(name);
    world.runUntilIdle();
    EXPECT_EQ(clientInfoUpdates, 2);
    EXPECT_EQ(printed("notification: "),
              (Strings{"notification: " + pl8[0], "notification: " + pl8[1]}));

    defaults.setBool("PL8Connect", true);
    fs::copy_file(fs::path(PURLANE_TEST_DATA) / "library/legacy/purlane-lists.plist",
                  dataFolder() / "purlane-lists.plist");
    for (const auto& name : pl8) browser.distributedCenter().post(name);
    world.runUntilIdle();
    EXPECT_EQ(clientInfoUpdates, 4);
}

TEST_F(StartupTest, AccessibilityIsCheckedWithAPromptAndOnlyLoggedWhenMissing) {
    accessibility.trusted = false;
    start();
    EXPECT_EQ(accessibility.prompts, 1);
    EXPECT_TRUE(logged("App appears not to be approved to use Accessibility"));
}

TEST_F(StartupTest, NextLaunchActionIsConsumedWhateverItSays) {
    const struct {
        std::optional<std::string> value;
        bool opensPreferences;
    } cases[] = {{"showPrefs", true}, {"none", false}, {"show", false}, {std::nullopt, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value.value_or("<absent>"));
        preferences.asked.clear();
        if (c.value) defaults.setString(AppDelegate::kNextLaunchAction, *c.value);
        relaunch();
        EXPECT_EQ(preferences.asked, c.opensPreferences ? Strings{"main"} : Strings{});
        EXPECT_FALSE(defaults.objectForKey(AppDelegate::kNextLaunchAction));
    }
}

TEST_F(StartupTest, OtherAgentsAreQuitOnTheQueueInIdentifierOrderButNotThisOne) {
    // Launched in another order than the one they are quit in.
    const int pl8 = world.launch("com.halvik.purlane8.agent").pid();
    const int copy = world.launch(kAgentID).pid();
    const int helper = world.launch("com.halvik.purlane.helper").pid();
    const int editor = world.launch("com.example.editor").pid();
    const int store = world.launch("com.halvik.purlane-storeapp.menu").pid();
    start();
    EXPECT_TRUE(requests(Kind::Terminate).empty()) << "nothing before the queue runs";

    world.runUntilIdle();
    Strings quit;
    for (const auto& r : requests(Kind::Terminate)) quit.push_back(std::to_string(r.pid));
    EXPECT_EQ(quit, (Strings{std::to_string(helper), std::to_string(pl8), std::to_string(store),
                             std::to_string(copy)}));
    EXPECT_TRUE(agent.isRunning());
    EXPECT_TRUE(world.apps().runningProcess(editor));
    EXPECT_FALSE(world.apps().runningProcess(copy));
}

TEST_F(StartupTest, AVersionChangeTrashesTheStaleServicesBundle) {
    const struct {
        std::optional<std::string> lastRun;
        bool trashed;
    } cases[] = {{std::nullopt, true}, {"800", true}, {"900", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lastRun.value_or("<first start>"));
        temp.write(fs::relative(staleServices() / "Contents/Info.plist", temp.path()).string(),
                   "x");
        fs::remove_all(temp.path() / "home");
        if (c.lastRun)
            defaults.setString(AppDelegate::kLastVersionRun, *c.lastRun);
        else
            defaults.removeObjectForKey(AppDelegate::kLastVersionRun);

        relaunch();
        EXPECT_EQ(fs::exists(staleServices()), !c.trashed);
        EXPECT_EQ(fs::exists(temp.path() / "home/.Trash" / AppDelegate::kStandardServiceBundle),
                  c.trashed);
        EXPECT_EQ(defaults.stringForKey(AppDelegate::kLastVersionRun), "900");
    }
}

TEST_F(StartupTest, ReopenOpensThePreferencesAndIsHandled) {
    AppDelegate& d = start();
    EXPECT_TRUE(d.applicationShouldHandleReopen(agent.application(), false));
    EXPECT_EQ(preferences.asked, Strings{"general"});
}

TEST_F(StartupTest, PreferencesActionsOpenTheirPanesAndAStoredInfoPaneOpensGeneral) {
    AppDelegate& d = start();
    struct Case {
        std::optional<std::string> stored;
        std::function<void()> action;
        std::string asked;
    };
    for (const Case& c : {Case{std::nullopt, [&] { d.showPreferencesWindow(); }, "main"},
                          Case{"about", [&] { d.showPreferencesWindow(); }, "main"},
                          Case{"info", [&] { d.showPreferencesWindow(); }, "general"},
                          Case{std::nullopt, [&] { d.showPreferencesGeneral(); }, "general"},
                          Case{std::nullopt, [&] { d.showAboutPanel(); }, "about"},
                          Case{std::nullopt, [&] { d.showReleaseNotesPanel(); }, "notes"}}) {
        preferences.asked.clear();
        if (c.stored)
            defaults.setString("prefs.selected.identifier", *c.stored);
        else
            defaults.removeObjectForKey("prefs.selected.identifier");
        c.action();
        EXPECT_EQ(preferences.asked, Strings{c.asked}) << c.asked;
    }
}

}  // namespace
