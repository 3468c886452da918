// The actions manager as owner of the status item, popover and global menu: set-up, display
// modes, the palette, hiding and showing the item, and the notifications that rebuild them.

#include "agent/actions/GlobalActionsManager.h"
#include "agent/shortcuts/ShortcutNotifications.h"
#include "platform/sim/SimKeyEvents.h"
#include "platform/sim/SimKeyboardLayout.h"
#include "platform/sim/SimMenuPresenter.h"
#include "platform/sim/SimPasteboardStore.h"
#include "platform/sim/SimStatusBar.h"
#include "platform/sim/SimWorkspace.h"
#include "tests/agent/AgentSimFixture.h"
#include "tests/agent/surfaces/SurfacesFixture.h"

using namespace platform;
using namespace agenttest;
using surfacestest::FakePopoverFactory;

namespace {

class ManagerSurfacesTest : public AgentSimFixture {
  public:
    ManagerSurfacesTest()
        : keyEvents(world),
          keys(layout, keyEvents, defaults, agent.clock()),
          tracker(agent.workspace(), agent.pid()),
          manager({.host = agent,
                   .settings = shared,
                   .workspace = agent.workspace(),
                   .accessibility = accessibility,
                   .pasteboards = world.sharedPasteboardStore(),
                   .client = client,
                   .sounds = sounds,
                   .keys = keys,
                   .apptracker = tracker,
                   .systemStatusBar = &system,
                   .menuPresenter = &presenter,
                   .modifiers = &modifiers,
                   .popoverContents = &factory,
                   .popoverViews = &factory,
                   .launchPurlaneApp = [this] { ++launches; }}) {}

    SimStatusItem* item() { return system.item(); }
    void post(const char* name) {
        agent.notificationCenter().post(name);
        world.runUntilIdle();
    }

    SimKeyboardLayout layout;
    SimKeyEvents keyEvents;
    CGKeyCodeLookup keys;
    ActiveAppTracker tracker;
    SimStatusBar system{{"plmenu-icon", "plmenu-icon-9"}};
    SimMenuPresenter presenter;
    SimModifierFlags modifiers;
    FakePopoverFactory factory;
    int launches = 0;
    GlobalActionsManager manager;
};

TEST_F(ManagerSurfacesTest, SetupMakesASquareIconThatOpensThePopover) {
    manager.setup();
    ASSERT_EQ(system.items().size(), 1u);
    EXPECT_EQ(item()->length(), platform::StatusBar::kSquareLength);

    item()->click();
    ASSERT_TRUE(factory.view);
    EXPECT_TRUE(factory.view->shown);
    EXPECT_TRUE(tracker.activeUI);
    manager.cleanup();
    EXPECT_FALSE(factory.view->shown);
    EXPECT_FALSE(tracker.activeUI);
}

TEST_F(ManagerSurfacesTest, MenuModeCarriesTheGlobalMenuAndPopoverModeTheClick) {
    manager.setup();
    manager.showPalette();
    EXPECT_FALSE(factory.view->animated);
    EXPECT_EQ(factory.content->option, CleanerApplyOption::standard);

    manager.displayAsMenu();
    EXPECT_FALSE(factory.view->shown);
    EXPECT_EQ(manager.statusBar().displayMode, StatusBarDisplayType::singleMenu);
    ASSERT_EQ(item()->click(), &manager.statusMenu());
    EXPECT_EQ(manager.statusMenu().items().back().title, "Show Purlane");
    manager.statusMenu().performActionForItemAt(manager.statusMenu().numberOfItems() - 1);
    EXPECT_EQ(launches, 1);

    // "Display As Popover" in the menu.
    manager.statusMenu().performActionForItemAt(4);
    EXPECT_EQ(manager.statusBar().displayMode, StatusBarDisplayType::popover);
    EXPECT_EQ(item()->menu(), nullptr);

    manager.displayAsMenu();
    manager.reset();
    EXPECT_EQ(item()->menu(), nullptr);
}

// What a desktop key binding to "purlanectl notify …" does.
TEST_F(ManagerSurfacesTest, DistributedNotificationsShowThePopoverAndAGroupsMenu) {
    manager.setup();
    agent.distributedCenter().post(ShortcutNotifications::kShowPopover);
    world.runUntilIdle();
    ASSERT_TRUE(factory.view);
    EXPECT_TRUE(factory.view->shown);
    manager.cleanup();

    agent.distributedCenter().post(ShortcutNotifications::kShowGroupMenu, "Basic");
    world.runUntilIdle();
    ASSERT_EQ(presenter.shown.size(), 1u);
    EXPECT_FALSE(factory.view->shown);
}

TEST_F(ManagerSurfacesTest, HidingRemovesTheItemAndShowingMakesANewOne) {
    manager.setup();
    manager.hideStatusBar();
    EXPECT_FALSE(manager.statusBar().statusItem);
    EXPECT_TRUE(system.items().empty());
    manager.showPalette();  // nowhere to show it
    EXPECT_FALSE(factory.view->shown);
    manager.hideStatusBar();
    manager.showStatusBar();
    EXPECT_EQ(system.itemsCreated, 2);
    EXPECT_EQ(system.items().size(), 1u);
}

TEST_F(ManagerSurfacesTest, IconAndLayoutNotificationsRebuildTheIconAndDropThePopover) {
    manager.setup();
    defaults.setBool(::StatusBar::kDisplayVersionedIconKey, true);
    post(GlobalActionsManager::kMenuIconChanged);
    EXPECT_EQ(item()->imageName(), "plmenu-icon-9");

    manager.showPalette();
    defaults.setInteger(kDisplayLayoutKey, 2);
    post(GlobalActionsManager::kChangePopoverLayout);
    // The popover's window went with it (the fake view is gone: do not look at it).
    EXPECT_FALSE(manager.statusBar().isPopoverActive);
    EXPECT_EQ(manager.statusBar().popover(), nullptr);
    EXPECT_EQ(defaults.stringForKey(::StatusBar::kUserPopoverSizeKey), "");
    manager.showPalette();
    EXPECT_EQ(factory.contentLayouts,
              (std::vector<PopoverLayout>{PopoverLayout::list, PopoverLayout::split}));
}

}  // namespace
