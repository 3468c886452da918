// The agent's status item: its icon, the click that toggles the popover with the held keys'
// option, the popover made on first show by layout, its saved and restored size, and the menu
// modes.

#include "agent/surfaces/StatusBar.h"

#include "platform/sim/SimStatusBar.h"
#include "tests/agent/surfaces/SurfacesFixture.h"

using namespace platform;
using namespace surfacestest;

namespace {

class RecordingStatusDelegate : public StatusBarDelegate {
  public:
    Menu& statusMenu() override { return menu; }
    void statusMenuNeedsUpdate() override { ++updates; }
    void popoverStateChangeWithIsActive(bool active) override { states.push_back(active); }
    void applyCleaner(const std::string& c, CleanerApplyOption o) override {
        applied.emplace_back(c, o);
    }
    void displayAsMenu() override { ++menuModes; }
    std::optional<std::string> frontAppName() override { return "Editor"; }

    Menu menu{"status"};
    int updates = 0;
    std::vector<bool> states;
    std::vector<std::pair<std::string, CleanerApplyOption>> applied;
    int menuModes = 0;
};

class StatusBarTest : public SurfacesFixture {
  public:
    StatusBarTest() {
        bar.delegate = &delegate;
        bar.statusItem = system.statusItemWithLength(platform::StatusBar::kSquareLength);
        item = system.item();
        item->frame = Rect{{1000, 1050}, {22, 22}};
    }

    SimStatusBar system{{"plmenu-icon", "plmenu-icon-9"}};
    FakePopoverFactory factory;
    RecordingStatusDelegate delegate;
    ::StatusBar bar{{defaults, &modifiers, &factory, &factory}};
    SimStatusItem* item = nullptr;
};

TEST_F(StatusBarTest, IconImageFollowsTheVersionedIconSettingAndAMissingImageHasNoAction) {
    const struct {
        bool versioned;
        std::set<std::string> images;
        std::string image;
    } cases[] = {
        {false, {"plmenu-icon", "plmenu-icon-9"}, "plmenu-icon"},
        {true, {"plmenu-icon", "plmenu-icon-9"}, "plmenu-icon-9"},
        {true, {"plmenu-icon"}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.image);
        system.images = c.images;
        bar.statusItem = system.statusItemWithLength(platform::StatusBar::kSquareLength);
        defaults.setBool(::StatusBar::kDisplayVersionedIconKey, c.versioned);
        bar.setupButton();
        EXPECT_EQ(system.item()->imageName(), c.image);
        EXPECT_EQ(system.item()->hasAction(), !c.image.empty());
    }
}

TEST_F(StatusBarTest, IconClickOpensThePopoverWithTheHeldKeysOptionAndClosesItAgain) {
    bar.setupButton();
    modifiers.setFlags(ModifierFlags::shift | ModifierFlags::option);
    item->click();

    EXPECT_TRUE(printed("option = 1"));
    ASSERT_TRUE(factory.view);
    EXPECT_TRUE(factory.view->shown);
    EXPECT_TRUE(factory.view->animated);
    EXPECT_EQ(factory.view->positioning, item->frame);
    EXPECT_EQ(factory.content->option, CleanerApplyOption::leaveOnClipboard);
    EXPECT_EQ(factory.content->delegate, &bar);
    EXPECT_EQ(factory.content->appearances, 1);
    EXPECT_TRUE(bar.isPopoverActive);

    item->click();
    EXPECT_FALSE(factory.view->shown);
    EXPECT_FALSE(bar.isPopoverActive);
    EXPECT_EQ(delegate.states, (std::vector<bool>{true, false}));
    EXPECT_EQ(defaults.stringForKey(::StatusBar::kUserPopoverSizeKey), "{320, 480}");

    // Shown again: the same popover.
    item->click();
    EXPECT_EQ(factory.contentLayouts.size(), 1u);
    EXPECT_EQ(factory.view->shows, 2);
}

TEST_F(StatusBarTest, DisplayLayoutTwoMakesTheSplitPopover) {
    const struct {
        std::optional<int> layout;
        PopoverLayout expected;
    } cases[] = {
        {std::nullopt, PopoverLayout::list},
        {1, PopoverLayout::list},
        {2, PopoverLayout::split},
        {3, PopoverLayout::list},
    };
    for (const auto& c : cases) {
        if (c.layout)
            defaults.setInteger(kDisplayLayoutKey, *c.layout);
        else
            defaults.removeObjectForKey(kDisplayLayoutKey);
        bar.dropPopover();
        bar.showPopover(false, CleanerApplyOption::standard);
        EXPECT_EQ(factory.contentLayouts.back(), c.expected);
        EXPECT_EQ(factory.viewLayouts.back(), c.expected);
    }
}

TEST_F(StatusBarTest, StoredSizeIsRestoredOnlyWhenItHasAWidth) {
    const struct {
        std::optional<std::string> stored;
        Size expected;
    } cases[] = {
        {std::nullopt, {320, 480}},   {"", {320, 480}},
        {"{0, 700}", {320, 480}},     {"{500, 700}", {500, 700}},
        {"{5000, 5000}", {900, 850}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored.value_or("(none)"));
        if (c.stored)
            defaults.setString(::StatusBar::kUserPopoverSizeKey, *c.stored);
        else
            defaults.removeObjectForKey(::StatusBar::kUserPopoverSizeKey);
        bar.dropPopover();
        bar.showPopover(false, CleanerApplyOption::standard);
        EXPECT_EQ(factory.view->size, c.expected);
        EXPECT_EQ(bar.popover()->resize->contentSize(), c.expected);
        EXPECT_EQ(factory.view->resize, bar.popover()->resize.get());
    }
}

TEST_F(StatusBarTest, OutsideClickClosesAndADraggedSizeIsSaved) {
    bar.showPopover(false, CleanerApplyOption::cleanClipboard);
    EXPECT_FALSE(factory.view->animated);
    auto& resize = *bar.popover()->resize;
    for (const auto& t : resize.trackingRects())
        if (t->zone == PopoverResize::Region::Right) resize.mouseEntered(t->tag);
    resize.mouseDown({100, 100});
    resize.mouseDragged({150, 100});
    resize.mouseUp();

    factory.view->dismiss();
    EXPECT_FALSE(factory.view->shown);
    EXPECT_FALSE(bar.isPopoverActive);
    EXPECT_EQ(defaults.stringForKey(::StatusBar::kUserPopoverSizeKey), "{420, 480}");
}

TEST_F(StatusBarTest, WithoutAStatusItemThePopoverIsNotShownButCountsAsActive) {
    bar.statusItem.reset();
    bar.showPopover(false, CleanerApplyOption::standard);
    EXPECT_FALSE(factory.view->shown);
    EXPECT_TRUE(bar.isPopoverActive);
}

TEST_F(StatusBarTest, MenuModesAttachTheDelegatesMenuAndPopoverModeDetachesIt) {
    const struct {
        StatusBarDisplayType mode;
        bool attached;
    } cases[] = {
        {StatusBarDisplayType::singleMenu, true},
        {StatusBarDisplayType::popover, false},
        {StatusBarDisplayType::allMenu, true},
    };
    for (const auto& c : cases) {
        bar.displayMode = c.mode;
        bar.updateMenu();
        EXPECT_EQ(item->menu(), c.attached ? &delegate.menu : nullptr);
    }
    EXPECT_EQ(item->click(), &delegate.menu);
    EXPECT_EQ(delegate.updates, 1);
}

TEST_F(StatusBarTest, ContentReachesTheDelegateThroughTheStatusBar) {
    bar.showPopover(false, CleanerApplyOption::standard);
    GlobalPopoverDelegate& popover = *factory.content->delegate;
    popover.applyCleaner("#a", CleanerApplyOption::leaveOnClipboard);
    popover.displayAsMenu();
    EXPECT_EQ(popover.frontAppName(), "Editor");
    popover.closePopover();
    EXPECT_EQ(delegate.applied.size(), 1u);
    EXPECT_EQ(delegate.menuModes, 1);
    EXPECT_FALSE(factory.view->shown);
}

}  // namespace
