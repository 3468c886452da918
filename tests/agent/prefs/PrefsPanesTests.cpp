// What the agent's panes do on the sim: the General pane's settings and the notifications that
// carry them, relaunch, the login item and restoring defaults; the Advanced pane's toggles and
// the launch watcher; the Updates pane's checks; the About pane's texts and pages.

#include <gtest/gtest.h>

#include "agent/library/RegisteredDefaults.h"
#include "agent/prefs/PLAgentPrefsAboutController.h"
#include "agent/prefs/PLAgentPrefsAdvancedController.h"
#include "agent/prefs/PLAgentPrefsGeneralController.h"
#include "agent/prefs/PLAgentPrefsUpdatesController.h"
#include "platform/coding/PropertyListSerialization.h"
#include "platform/sim/SimApplication.h"
#include "platform/sim/SimDefaultsStore.h"
#include "platform/sim/SimLoginItems.h"
#include "platform/sim/SimProcess.h"
#include "platform/sim/SimWorkspace.h"
#include "platform/sim/SimWorld.h"
#include "tests/support/TempDir.h"

using namespace platform;
using Strings = std::vector<std::string>;

namespace {

const std::string kAgentID = "com.halvik.purlane.agent";
const std::string kWatcherID = "com.halvik.purlane.launchwatcher";

std::string plist(const PropertyList::Dictionary& info) {
    return *PropertyListSerialization::write(PropertyList(info), PropertyListFormat::Xml);
}

struct PanesTest : testing::Test {
    testsupport::TempDir temp;
    SimWorld world;
    SimProcess* agent = nullptr;
    SimLoginItems loginItems;
    Strings posted;

    PanesTest() {
        temp.write("purlaneAgent.app/Contents/Info.plist",
                   plist({{"CFBundleIdentifier", kAgentID},
                          {"CFBundleShortVersionString", "9.1"},
                          {"CFBundleVersion", "912"},
                          {"NSHumanReadableCopyright", "Copyright © 2026 Halvik"}}));
        world.apps().install({.bundleIdentifier = kAgentID,
                              .path = (temp / "purlaneAgent.app").string(),
                              .bundlePath = temp / "purlaneAgent.app"});
        agent = &world.launch(kAgentID);
        RegisteredDefaults::registerWith(agent->standardUserDefaults());
        agent->notificationCenter().addObserver(
            "", nullptr, [this](const Notification& n) { posted.push_back(n.name); });
        loginItems.installed.insert(kAgentID + ".launcher");
    }
    UserDefaults& defaults() { return agent->standardUserDefaults(); }
    const Bundle& bundle() { return agent->application().bundle(); }

    PLAgentPrefsGeneralController general() {
        return PLAgentPrefsGeneralController(
            {defaults(), agent->notificationCenter(), loginItems, agent->application(), kAgentID,
             [] {
                 return std::vector<std::pair<std::string, std::string>>{{"Standard", "##Standard"},
                                                                         {"Mine", "Mine"}};
             }});
    }
    Strings distributedNames() {
        world.runUntilIdle();
        Strings names;
        for (const auto& n : world.distributedBus().history()) names.push_back(n.name);
        return names;
    }
};

TEST_F(PanesTest, GeneralSettingsAreStoredAndAnnouncedToWhatShowsThem) {
    auto pane = general();
    struct Case {
        std::string key;
        std::function<void()> change;
        PropertyList stored;
        Strings notifications;
    };
    const std::string list = "com.purlane.listDisplayOptionsUpdated";
    const std::vector<Case> cases = {
        {"DisplayLayout",
         [&] { pane.setDisplayLayout(2); },
         PropertyList(2LL),
         {"com.halvik.purlane.changePopoverLayout"}},
        {"DisplayVersionedIcon",
         [&] { pane.setDisplayVersionedIcon(true); },
         PropertyList(true),
         {"com.halvik.purlane.menuIconchanged"}},
        {"HideDockIcon", [&] { pane.setHideDockIcon(true); }, PropertyList(true), {}},
        {"AppGroupColorStyle", [&] { pane.setColorStyle(1); }, PropertyList(1LL), {list}},
        {"AppGroupDisplayOrder", [&] { pane.setDisplayOrder(2); }, PropertyList(2LL), {list}},
        {"AppGroupDisplayCompact",
         [&] { pane.setDisplayCompact(true); },
         PropertyList(true),
         {list}},
        {"AppDefaultGroup", [&] { pane.setDefaultGroup("Mine"); }, PropertyList("Mine"), {list}},
    };
    for (const Case& c : cases) {
        posted.clear();
        c.change();
        EXPECT_EQ(defaults().objectForKey(c.key), c.stored) << c.key;
        EXPECT_EQ(posted, c.notifications) << c.key;
    }

    // Out-of-range stored values read as the first choice, as the lists read them.
    defaults().setInteger("AppGroupColorStyle", 7);
    defaults().setInteger("AppGroupDisplayOrder", -1);
    EXPECT_EQ(pane.colorStyle(), 0);
    EXPECT_EQ(pane.displayOrder(), 0);
}

TEST_F(PanesTest, DefaultGroupChoicesAlwaysHoldTheStoredValue) {
    auto pane = general();
    EXPECT_EQ(pane.defaultGroupChoices().size(), 2u);  // "##Standard" is listed
    defaults().setString("AppDefaultGroup", "Gone");
    const auto choices = pane.defaultGroupChoices();
    ASSERT_EQ(choices.size(), 3u);
    EXPECT_EQ(choices[0], (PLAgentPrefsGeneralController::GroupChoice{"Gone", "Gone"}));

    // No library loaded yet: the built-in default still reads as a name.
    PLAgentPrefsGeneralController bare(
        {defaults(), agent->notificationCenter(), loginItems, agent->application(), kAgentID, {}});
    defaults().removeObjectForKey("AppDefaultGroup");
    EXPECT_EQ(
        bare.defaultGroupChoices(),
        (std::vector<PLAgentPrefsGeneralController::GroupChoice>{{"Standard", "##Standard"}}));
}

TEST_F(PanesTest, RestoreDefaultsRemovesTheAgentsWholeDomain) {
    auto pane = general();
    pane.setDisplayLayout(2);
    defaults().setString("prefs.selected.identifier", "about");
    pane.setLoginItemEnabled(true);
    pane.toggleLoginItem();
    ASSERT_TRUE(loginItems.registered.count(kAgentID + ".launcher"));
    pane.restoreDefaults();
    EXPECT_FALSE(loginItems.registered.count(kAgentID + ".launcher"));
    EXPECT_EQ(world.defaultsStore().domain(kAgentID)->size(), 0u);
    EXPECT_EQ(pane.displayLayout(), 1);  // the registered value again
    EXPECT_FALSE(pane.loginItemEnabled());
}

TEST_F(PanesTest, LoginItemCheckboxRegistersTheLauncherAndShowsARefusal) {
    auto pane = general();
    EXPECT_FALSE(pane.loginItemEnabled());
    pane.setLoginItemEnabled(true);
    pane.toggleLoginItem();
    EXPECT_TRUE(loginItems.registered.count(kAgentID + ".launcher"));
    EXPECT_TRUE(defaults().boolForKey(kAgentID + ".launcher.installed"));

    // Read again before each appearance.
    defaults().setBool(kAgentID + ".launcher.installed", false);
    pane.viewWillAppear();
    EXPECT_FALSE(pane.loginItemEnabled());

    loginItems.failing = true;
    pane.setLoginItemEnabled(true);
    pane.toggleLoginItem();
    EXPECT_FALSE(pane.loginItemEnabled());
}

TEST_F(PanesTest, RelaunchAsksTheNextLaunchToOpenThePreferences) {
    auto pane = general();
    pane.relaunchApp();
    EXPECT_EQ(defaults().stringForKey("NextLaunchAction"), "showPrefs");
    EXPECT_TRUE(agent->application().isTerminated());
    const auto& requests = world.apps().requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests[0].kind, SimAppRequest::Kind::Launch);
    EXPECT_EQ(requests[0].options, LaunchOption::kNewInstance);
    EXPECT_EQ(world.apps().runningProcess(requests[0].pid)->bundleIdentifier(), kAgentID);
}

TEST_F(PanesTest, RelaunchThatCannotStartANewAgentKeepsThisOne) {
    world.apps().uninstall(kAgentID);
    auto pane = general();
    pane.relaunchApp();
    EXPECT_FALSE(agent->application().isTerminated());
    EXPECT_EQ(defaults().stringForKey("NextLaunchAction"), std::nullopt);
}

TEST_F(PanesTest, AdvancedTogglesPostTheirDistributedNotifications) {
    PLAgentPrefsAdvancedController pane({defaults(), agent->suite("KQ4MZR7WXN.com.halvik.purlane"),
                                         agent->distributedCenter(), agent->workspace(), bundle()});
    pane.setPL8Connect(true);
    pane.setShowDevelop(true);
    pane.setLeaveOtherAgents(true);
    EXPECT_EQ(distributedNames(),
              (Strings{"com.purlane.groupsChanged", "com.purlane.develop.optionchanged"}));
    EXPECT_TRUE(defaults().boolForKey("PL8Connect"));
    EXPECT_TRUE(defaults().boolForKey("ShowDevelop"));
    EXPECT_TRUE(defaults().boolForKey("LeaveOtherAgents"));

    // The apply pipeline reads these two from the shared suite.
    pane.setAutoSelectAll(true);
    pane.setPreserveClipboard(false);
    EXPECT_TRUE(agent->suite("KQ4MZR7WXN.com.halvik.purlane").boolForKey("AutoSelectAll"));
    EXPECT_FALSE(agent->suite("KQ4MZR7WXN.com.halvik.purlane").boolForKey("PreserveClipboard"));

    struct Case {
        int64_t asked, stored;
    };
    for (const Case& c : {Case{3, 3}, Case{-2, 0}, Case{1000, 10}}) {
        pane.setKeystrokeDelay(c.asked);
        EXPECT_EQ(defaults().integerForKey("KeystrokeDelay"), c.stored) << c.asked;
    }
}

TEST_F(PanesTest, LaunchWatcherStartsFromSharedSupportOnlyWhenThereIsOne) {
    PLAgentPrefsAdvancedController pane(
        {defaults(), defaults(), agent->distributedCenter(), agent->workspace(), bundle()});
    EXPECT_FALSE(pane.launchPurlaneWatcher());
    EXPECT_TRUE(world.apps().requests().empty());

    const auto watcher = temp / "purlaneAgent.app/Contents/SharedSupport/purlaneLaunchWatcher.app";
    temp.write(
        "purlaneAgent.app/Contents/SharedSupport/purlaneLaunchWatcher.app/Contents/Info.plist",
        plist({{"CFBundleIdentifier", kWatcherID}}));
    world.apps().install({.bundleIdentifier = kWatcherID, .path = watcher.string()});
    EXPECT_TRUE(pane.launchPurlaneWatcher());
    EXPECT_NE(world.apps().firstRunning(kWatcherID), nullptr);
}

struct RecordingUpdater : AppUpdaterProtocol {
    void setup(AppUpdaterChannel, bool) override {}
    void checkForUpdates() override { checks.push_back("release"); }
    void checkForBetaUpdates() override { checks.push_back("beta"); }
    bool overdueForUpdateCheck() override { return false; }
    std::string overdueForCheckMessage() override { return ""; }
    bool updateAvailable() const override { return false; }
    Strings checks;
};

TEST_F(PanesTest, UpdatesChecksIncludeBetasOnlyWithOption) {
    RecordingUpdater direct;
    AppUpdater updater(&direct, agent->notificationCenter());
    int notes = 0;
    PLAgentPrefsUpdatesController pane({&updater, &bundle(), [&] { ++notes; }});
    pane.checkForUpdates(0);
    pane.checkForUpdates(0x80000);
    pane.checkForUpdates(0x100000);  // Command alone
    EXPECT_EQ(direct.checks, (Strings{"release", "beta", "release"}));
    pane.showReleaseNotes();
    EXPECT_EQ(notes, 1);

    PLAgentPrefsUpdatesController without({nullptr, nullptr, {}});
    without.checkForUpdates(0x80000);  // no updater: nothing, and no crash
    without.showReleaseNotes();
    EXPECT_EQ(without.releaseNotesPage(), std::nullopt);
}

TEST_F(PanesTest, AboutShowsVersionAndCopyrightAndOpensTheVendorPages) {
    PLVendorPages pages(agent->workspace());
    PLAgentPrefsAboutController pane(bundle(), pages);
    EXPECT_EQ(pane.versionString(), "Version 9.1 (912)");
    EXPECT_EQ(pane.copyright(), "Copyright © 2026 Halvik");
    pane.gotoTwitter();
    pane.gotoFacebook();
    pane.gotoWebsite();
    Strings opened;
    for (const auto& r : world.desktopRequests()) opened.push_back(r.target);
    using Page = PLVendorPages::Page;
    EXPECT_EQ(opened, (Strings{PLVendorPages::address(Page::twitter),
                               PLVendorPages::address(Page::facebook),
                               PLVendorPages::address(Page::website)}));
}

TEST_F(PanesTest, PanesCarryTheirNamesLabelsAndSymbols) {
    PLVendorPages pages(agent->workspace());
    auto g = general();
    PLAgentPrefsAboutController about(bundle(), pages);
    PLAgentPrefsUpdatesController updates({});
    struct Case {
        PLPrefsViewController& pane;
        std::string key, label;
        std::optional<std::string> symbol;
    };
    for (const Case& c : {Case{g, "general", "General", "gearshape"},
                          Case{updates, "updates", "Updates", std::nullopt},
                          Case{about, "about", "About", "info.circle"}}) {
        EXPECT_EQ(c.pane.keyName(), c.key);
        EXPECT_EQ(c.pane.itemLabel(), c.label);
        EXPECT_EQ(c.pane.imageName11(), c.symbol);
    }
}

}  // namespace
