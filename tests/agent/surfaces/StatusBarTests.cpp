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
    void applyCleaner(const std::string&, CleanerApplyOption) override {}
    void displayAsMenu() override {}
    std::optional<std::string> frontAppName() override { return "Editor"; }

    Menu menu{"status"};
    int updates = 0;
    std::vector<bool> states;
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
    EXPECT_EQ(factory.content->appearances, 1);

    item->click();
    EXPECT_FALSE(factory.view->shown);
    EXPECT_EQ(delegate.states, (std::vector<bool>{true, false}));
    EXPECT_EQ(defaults.stringForKey(::StatusBar::kUserPopoverSizeKey), "{320, 480}");
    item->click();
    EXPECT_EQ(factory.contentLayouts.size(), 1u);  // kept between shows
}

TEST_F(StatusBarTest, NewPopoverTakesItsLayoutAndAStoredSizeWithAWidth) {
    const struct {
        std::optional<int> layout;
        std::optional<std::string> stored;
        PopoverLayout expectedLayout;
        Size expectedSize;
    } cases[] = {
        {std::nullopt, std::nullopt, PopoverLayout::list, {320, 480}},
        {2, "", PopoverLayout::split, {320, 480}},
        {1, "{0, 700}", PopoverLayout::list, {320, 480}},
        {3, "{500, 700}", PopoverLayout::list, {500, 700}},
        {2, "{5000, 5000}", PopoverLayout::split, {900, 850}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored.value_or("(none)"));
        defaults.setObject(kDisplayLayoutKey,
                           c.layout ? std::optional(PropertyList(static_cast<long long>(*c.layout)))
                                    : std::nullopt);
        defaults.setObject(::StatusBar::kUserPopoverSizeKey,
                           c.stored ? std::optional(PropertyList(*c.stored)) : std::nullopt);
        bar.dropPopover();
        bar.showPopover(false, CleanerApplyOption::standard);
        EXPECT_EQ(factory.contentLayouts.back(), c.expectedLayout);
        EXPECT_EQ(factory.viewLayouts.back(), c.expectedLayout);
        EXPECT_EQ(factory.view->size, c.expectedSize);
        EXPECT_EQ(factory.view->resize, bar.popover()->resize.get());
    }
}

TEST_F(StatusBarTest, OutsideClickClosesAndSavesTheDraggedSize) {
    bar.showPopover(false, CleanerApplyOption::cleanClipboard);
    EXPECT_FALSE(factory.view->animated);
    auto& resize = *bar.popover()->resize;
    resize.mouseMovedInContent({319, 200});  // the right edge
    resize.mouseDown({100, 100});
    resize.mouseDragged({150, 100});
    resize.mouseUp();
    factory.view->dismiss();
    EXPECT_FALSE(factory.view->shown);
    EXPECT_FALSE(bar.isPopoverActive);
    EXPECT_EQ(defaults.stringForKey(::StatusBar::kUserPopoverSizeKey), "{420, 480}");
}

TEST_F(StatusBarTest, MenuModesAttachTheDelegatesMenuAndPopoverModeDetachesIt) {
    for (auto mode : {StatusBarDisplayType::singleMenu, StatusBarDisplayType::popover,
                      StatusBarDisplayType::allMenu}) {
        bar.displayMode = mode;
        bar.updateMenu();
        EXPECT_EQ(item->menu(), mode == StatusBarDisplayType::popover ? nullptr : &delegate.menu);
    }
    EXPECT_EQ(item->click(), &delegate.menu);
    EXPECT_EQ(delegate.updates, 1);
}

}  // namespace
