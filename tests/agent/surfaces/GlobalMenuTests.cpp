// The global menu on the sim: the status menu's rows for the current group, the groups
// submenu, the custom-cleaners rule, group items, the apply option from the held keys and the
// pop-up group menu.

#include "agent/surfaces/GlobalMenu.h"

#include "agent/surfaces/ApplyOptionFromModifiers.h"
#include "platform/sim/SimMenuPresenter.h"
#include "platform/workspace/Localization.h"
#include "tests/agent/surfaces/SurfacesFixture.h"

using namespace platform;
using namespace surfacestest;

namespace {

struct Applied {
    std::string token;
    CleanerApplyOption option;
    friend bool operator==(const Applied&, const Applied&) = default;
};

class RecordingMenuDelegate : public GlobalMenuDelegate {
  public:
    void applyCleaner(const std::string& c, CleanerApplyOption o) override {
        applied.push_back({c, o});
    }
    void displayAsPopover() override { ++popovers; }
    void displayAsMenu() override {}
    std::optional<std::string> frontAppName() override { return front; }

    std::vector<Applied> applied;
    int popovers = 0;
    std::optional<std::string> front = "Editor";
};

std::string standardName() {
    return localized(Group::kStandardUuid, Group::kBuiltinGroupsComment,
                     Group::kBuiltinGroupsTable);
}

std::vector<std::string> titles(const Menu& menu) {
    std::vector<std::string> out;
    for (const auto& item : menu.items()) out.push_back(item.isSeparatorItem() ? "-" : item.title);
    return out;
}

class GlobalMenuTest : public SurfacesFixture {
  public:
    GlobalMenuTest() { loadLibrary(3); }

    void loadLibrary(int customCount) {
        client.load(
            {Group("Standard", Group::kStandardUuid, cleaners("std", 2)),
             Group("Basic", "##Basic", cleaners("basic", 2)), Group("Empty", "u-empty", {})},
            {Group("Mine", "u-mine",
                   {makeItem("#LABEL:Head", "Head", "", ItemColor::auto_),
                    cleaner("#red", "Red one", ItemColor::red), cleaner("#plain", "Plain"),
                    makeItem("#SPACER", "whatever", "", ItemColor::auto_), cleaner("#dash", "-")})},
            cleaners("custom", customCount));
    }

    std::unique_ptr<GlobalMenu> makeMenu() {
        auto menu = std::make_unique<GlobalMenu>(GlobalMenu::Collaborators{
            client, defaults, &modifiers, &presenter, [this] { ++launches; }});
        menu->delegate = &delegate;
        return menu;
    }

    // The rows after the current group's title item, up to the closing separator.
    static std::vector<std::string> groupRows(const Menu& menu) {
        auto all = titles(menu);
        return {all.begin() + 7, all.end() - 2};
    }

    SimMenuPresenter presenter;
    RecordingMenuDelegate delegate;
    int launches = 0;
};

TEST(ApplyOptionFromModifiers, ShiftWinsOverOptionAndOtherKeysMeanStandard) {
    const struct {
        uint64_t flags;
        CleanerApplyOption option;
    } cases[] = {
        {0, CleanerApplyOption::standard},
        {ModifierFlags::command | ModifierFlags::control, CleanerApplyOption::standard},
        {ModifierFlags::shift, CleanerApplyOption::leaveOnClipboard},
        {ModifierFlags::option, CleanerApplyOption::cleanClipboard},
        {ModifierFlags::shift | ModifierFlags::option, CleanerApplyOption::leaveOnClipboard},
    };
    for (const auto& c : cases) EXPECT_EQ(applyOptionFromModifiers(c.flags), c.option) << c.flags;
}

TEST_F(GlobalMenuTest, StatusMenuListsHeaderGroupsCurrentGroupAndShowPurlane) {
    const struct {
        uint64_t flags;
        std::optional<std::string> front;
        std::string header;
    } cases[] = {
        {0, "Editor", "Purlane 9 : Clean text in 'Editor'"},
        {0, std::nullopt, "Purlane 9 : Clean text in 'Current App'"},
        {ModifierFlags::shift, "Editor", "Purlane 9 : Leave Results on Clipboard"},
        {ModifierFlags::option, "Editor", "Purlane 9 : Apply to Contents on Clipboard"},
    };
    defaults.setString(GlobalMenu::kSelectedGroupKey, "Mine");
    auto gmenu = makeMenu();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.header);
        modifiers.setFlags(c.flags);
        delegate.front = c.front;
        gmenu->menuNeedsUpdate();
        gmenu->menuNeedsUpdate();  // rebuilt, not appended
        const Menu& menu = gmenu->statusMenu;
        EXPECT_EQ(titles(menu),
                  (std::vector<std::string>{"search", c.header, "-", "Groups", "Display As Popover",
                                            "-", "Mine", "Head", "Red one", "Plain", "-", "-", "-",
                                            "Show Purlane"}));
        EXPECT_EQ(menu.items()[0].viewKind, MenuItem::kSearchFieldView);
        EXPECT_EQ(menu.items()[0].actionName, "searchMenu:");
        EXPECT_FALSE(menu.items()[1].action);
        EXPECT_EQ(menu.items()[4].actionName, "displayAsPopover:");
        EXPECT_FALSE(menu.items()[6].action);
        EXPECT_EQ(menu.items().back().actionName, "showPurlane:");
        for (const auto& item : menu.items())
            if (!item.isSeparatorItem()) EXPECT_EQ(item.target, gmenu.get()) << item.title;
    }
    EXPECT_EQ(gmenu->keyboardModifiers, ModifierFlags::option);
}

TEST_F(GlobalMenuTest, GroupsSubmenuHasBuiltinGroupsWithoutLibraryThenUserGroups) {
    auto gmenu = makeMenu();
    gmenu->menuNeedsUpdate();
    const MenuItem& groups = gmenu->statusMenu.items()[3];
    EXPECT_EQ(groups.actionName, "doNothing:");
    ASSERT_TRUE(groups.hasSubmenu());
    EXPECT_EQ(groups.submenu()->title, "subgroup");
    EXPECT_EQ(titles(*groups.submenu()),
              (std::vector<std::string>{"Standard", "Basic", "Empty", "Custom", "-", "Mine"}));
    for (const auto& item : groups.submenu()->items())
        if (!item.isSeparatorItem()) EXPECT_EQ(item.actionName, "changeGroup:");

    client.load({Group("Standard", Group::kStandardUuid, cleaners("std", 2))}, {}, {});
    auto withoutUser = makeMenu();
    withoutUser->menuNeedsUpdate();
    const auto names = titles(*withoutUser->statusMenu.items()[3].submenu());
    EXPECT_EQ(std::count(names.begin(), names.end(), "-"), 0);
}

TEST_F(GlobalMenuTest, GroupItemsFollowTheirTokens) {
    auto gmenu = makeMenu();
    Menu menu;
    gmenu->appendGroupItems(menu, "Mine", true);
    ASSERT_EQ(menu.numberOfItems(), 5u);
    const MenuItem& label = menu.items()[0];
    EXPECT_EQ(label.title, "Head");
    EXPECT_FALSE(label.action);
    EXPECT_TRUE(label.actionName.empty());
    EXPECT_EQ(label.indentationLevel, 0);

    const MenuItem& red = menu.items()[1];
    EXPECT_EQ(red.actionName, "applyItem:");
    EXPECT_EQ(red.indentationLevel, 1);
    EXPECT_EQ(*red.representedString(), "#red");
    EXPECT_TRUE(red.keyEquivalent.empty());
    const auto sys = systemColor(ItemColor::red);
    EXPECT_EQ(red.titleColor, (RgbColor{sys.red, sys.green, sys.blue}));
    EXPECT_FALSE(menu.items()[2].titleColor);        // auto
    EXPECT_TRUE(menu.items()[3].isSeparatorItem());  // "#SPACER" named "whatever"
    EXPECT_TRUE(menu.items()[4].isSeparatorItem());  // named "-"

    Menu plain;
    gmenu->appendGroupItems(plain, "Mine", false);
    EXPECT_FALSE(plain.items()[1].titleColor);
    Menu unknown;
    gmenu->appendGroupItems(unknown, "No such group", true);
    EXPECT_EQ(unknown.numberOfItems(), 0u);
}

TEST_F(GlobalMenuTest, MoreThanSixCustomCleanersReplaceStandardByBasicAndASubmenu) {
    const auto standardRows = [] {
        std::vector<std::string> rows{"std1", "std2", "Custom"};
        for (int i = 1; i <= 6; ++i) rows.push_back("custom" + std::to_string(i));
        return rows;
    }();
    const struct {
        int custom;
        std::vector<std::string> rows;
    } cases[] = {
        {6, standardRows},
        {7, {"basic1", "basic2", "-", "Custom Cleaners"}},
    };
    defaults.setString(GlobalMenu::kSelectedGroupKey, standardName());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.custom);
        loadLibrary(c.custom);
        auto gmenu = makeMenu();
        gmenu->menuNeedsUpdate();
        EXPECT_EQ(groupRows(gmenu->statusMenu), c.rows);
        const MenuItem* custom = gmenu->statusMenu.itemWithTitle("Custom Cleaners");
        EXPECT_EQ(custom != nullptr, c.custom == 7);
        if (!custom) continue;
        EXPECT_FALSE(custom->action);
        EXPECT_EQ(custom->submenu()->title, "subgroup");
        EXPECT_EQ(custom->submenu()->numberOfItems(), 7u);
        EXPECT_EQ(custom->submenu()->items()[6].actionName, "applyItem:");
    }
}

TEST_F(GlobalMenuTest, CurrentGroupWithoutItemsFallsBackToStandard) {
    const struct {
        std::string stored;
        std::string current;
    } cases[] = {
        {"Empty", standardName()},
        {"Mine", "Mine"},
        {"No such group", "No such group"},  // unknown: kept, lists nothing
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        defaults.setString(GlobalMenu::kSelectedGroupKey, c.stored);
        auto gmenu = makeMenu();
        gmenu->menuNeedsUpdate();
        EXPECT_EQ(gmenu->currentGroup, c.current);
        EXPECT_EQ(gmenu->statusMenu.items()[6].title, c.current);
    }
    defaults.removeObjectForKey(GlobalMenu::kSelectedGroupKey);
    EXPECT_EQ(makeMenu()->currentGroup, "Standard");
}

TEST_F(GlobalMenuTest, ChosenGroupIsStoredAndSurvivesARestart) {
    auto gmenu = makeMenu();
    gmenu->menuNeedsUpdate();
    Menu& groups = *gmenu->statusMenu.items()[3].submenu();
    ASSERT_TRUE(groups.performActionForItemAt(*groups.indexOfItemWithTitle("Mine")));
    EXPECT_EQ(gmenu->currentGroup, "Mine");
    EXPECT_EQ(defaults.stringForKey(GlobalMenu::kSelectedGroupKey), "Mine");

    auto restarted = makeMenu();
    EXPECT_EQ(restarted->currentGroup, "Mine");
    restarted->menuNeedsUpdate();
    EXPECT_EQ(restarted->statusMenu.items()[6].title, "Mine");
}

TEST_F(GlobalMenuTest, ChosenCleanerIsAppliedWithTheKeysHeldWhenTheMenuOpened) {
    defaults.setString(GlobalMenu::kSelectedGroupKey, "Mine");
    auto gmenu = makeMenu();
    modifiers.setFlags(ModifierFlags::shift | ModifierFlags::option);
    gmenu->menuNeedsUpdate();
    modifiers.setFlags(0);  // released before the pick: the opening's keys count
    ASSERT_TRUE(gmenu->statusMenu.performActionForItemAt(8));
    EXPECT_EQ(delegate.applied,
              (std::vector<Applied>{{"#red", CleanerApplyOption::leaveOnClipboard}}));

    MenuItem noToken("x", "applyItem:");
    noToken.representedObject = PropertyList(int64_t{5});
    gmenu->applyItem(noToken);
    EXPECT_EQ(delegate.applied.size(), 1u);

    gmenu->statusMenu.performActionForItemAt(4);
    EXPECT_EQ(delegate.popovers, 1);
    gmenu->statusMenu.performActionForItemAt(gmenu->statusMenu.numberOfItems() - 1);
    EXPECT_EQ(launches, 1);
}

TEST_F(GlobalMenuTest, GroupMenuPopsUpAtThePointerAndSaysWhenItCannot) {
    defaults.setString(GlobalMenu::kSelectedGroupKey, "Mine");
    auto gmenu = makeMenu();
    modifiers.setFlags(ModifierFlags::option);
    gmenu->menuNeedsUpdate();
    modifiers.setFlags(ModifierFlags::shift);  // a pop-up does not read the keys again

    presenter.mouse = {300, 400};
    presenter.chooseIndex(2);
    gmenu->showGroupMenuWithName("#current");
    ASSERT_EQ(presenter.shown.size(), 1u);
    EXPECT_EQ(presenter.shown[0].menu.title, "popup");
    EXPECT_EQ(titles(presenter.shown[0].menu),
              (std::vector<std::string>{"Head", "Red one", "Plain", "-", "-"}));
    EXPECT_EQ(presenter.shown[0].location, (Point{300, 400}));
    EXPECT_EQ(delegate.applied,
              (std::vector<Applied>{{"#plain", CleanerApplyOption::cleanClipboard}}));

    presenter.dismiss();
    gmenu->showGroupMenuWithName("Basic");
    EXPECT_EQ(titles(presenter.shown[1].menu), (std::vector<std::string>{"basic1", "basic2"}));
    EXPECT_FALSE(printed("Could not popup menu for hotkey"));

    presenter.refuse = true;
    gmenu->showGroupMenuWithName("Basic");
    EXPECT_TRUE(printed("Could not popup menu for hotkey"));
}

}  // namespace
