// The global menu on the sim: the status menu's rows for the current group, the groups
// submenu, the custom-cleaners rule, group items, the apply option from the held keys and the
// pop-up group menu.

#include "agent/surfaces/GlobalMenu.h"

#include "platform/sim/SimMenuPresenter.h"
#include "platform/workspace/Localization.h"
#include "tests/agent/surfaces/SurfacesFixture.h"

using namespace platform;
using namespace surfacestest;

namespace {

class RecordingMenuDelegate : public GlobalMenuDelegate {
  public:
    void applyCleaner(const std::string& c, CleanerApplyOption o) override {
        applied.push_back(c + " " + std::to_string(static_cast<int>(o)));
    }
    void displayAsPopover() override {}
    void displayAsMenu() override {}
    std::optional<std::string> frontAppName() override { return front; }

    std::vector<std::string> applied;
    std::optional<std::string> front = "Editor";
};

using Titles = std::vector<std::string>;

Titles titles(const Menu& menu) {
    Titles out;
    for (const auto& item : menu.items()) out.push_back(item.isSeparatorItem() ? "-" : item.title);
    return out;
}

class GlobalMenuTest : public SurfacesFixture {
  public:
    GlobalMenuTest() { loadLibrary(3); }

    void loadLibrary(int customCount) {
        client.load(
            {Group("Standard", Group::kStandardUuid, cleaners("std", 2)),
             Group("Basic", "##Basic", cleaners("basic", 2)), Group("Empty", "u-empty")},
            {Group("Mine", "u-mine",
                   {makeItem("#LABEL:Head", "Head", "", ItemColor::auto_),
                    cleaner("#red", "Red one", ItemColor::red), cleaner("#plain", "Plain"),
                    makeItem("#SPACER", "whatever", "", ItemColor::auto_), cleaner("#dash", "-")})},
            cleaners("custom", customCount));
    }

    std::unique_ptr<GlobalMenu> makeMenu(const std::string& selected) {
        defaults.setString(GlobalMenu::kSelectedGroupKey, selected);
        auto menu = std::make_unique<GlobalMenu>(
            GlobalMenu::Collaborators{client, defaults, &modifiers, &presenter});
        menu->delegate = &delegate;
        menu->menuNeedsUpdate();
        return menu;
    }

    // The rows after the current group's title item, up to the closing separator.
    static Titles groupRows(const Menu& menu) {
        auto all = titles(menu);
        return {all.begin() + 7, all.end() - 2};
    }

    const std::string standardName =
        localized(Group::kStandardUuid, Group::kBuiltinGroupsComment, Group::kBuiltinGroupsTable);
    SimMenuPresenter presenter;
    RecordingMenuDelegate delegate;
};

TEST_F(GlobalMenuTest, HeaderNamesTheOptionOfTheHeldKeysShiftWinning) {
    const struct {
        uint64_t flags;
        std::optional<std::string> front;
        std::string header;
    } cases[] = {
        {ModifierFlags::command, "Editor", "Purlane 9 : Clean text in 'Editor'"},
        {0, std::nullopt, "Purlane 9 : Clean text in 'Current App'"},
        {ModifierFlags::shift, "Editor", "Purlane 9 : Leave Results on Clipboard"},
        {ModifierFlags::option, "Editor", "Purlane 9 : Apply to Contents on Clipboard"},
        {ModifierFlags::shift | ModifierFlags::option, "Editor",
         "Purlane 9 : Leave Results on Clipboard"},
    };
    for (const auto& c : cases) {
        modifiers.setFlags(c.flags);
        delegate.front = c.front;
        auto gmenu = makeMenu("Mine");
        gmenu->menuNeedsUpdate();  // rebuilt, not appended
        const Menu& menu = gmenu->statusMenu;
        EXPECT_EQ(titles(menu),
                  (Titles{"search", c.header, "-", "Groups", "Display As Popover", "-", "Mine",
                          "Head", "Red one", "Plain", "-", "-", "-", "Show Purlane"}));
        EXPECT_EQ(menu.items()[0].viewKind, MenuItem::kSearchFieldView);
        EXPECT_FALSE(menu.items()[1].action);
        EXPECT_FALSE(menu.items()[6].action);
    }
}

TEST_F(GlobalMenuTest, GroupsSubmenuHasBuiltinGroupsWithoutLibraryThenUserGroups) {
    const auto gmenu = makeMenu("Mine");
    const MenuItem& groups = gmenu->statusMenu.items()[3];
    ASSERT_TRUE(groups.hasSubmenu());
    EXPECT_EQ(titles(*groups.submenu()),
              (Titles{"Standard", "Basic", "Empty", "Custom", "-", "Mine"}));
}

TEST_F(GlobalMenuTest, GroupItemsFollowTheirTokens) {
    auto gmenu = makeMenu("Mine");
    Menu menu, plain;
    gmenu->appendGroupItems(menu, "Mine", true);
    gmenu->appendGroupItems(plain, "Mine", false);
    ASSERT_EQ(menu.numberOfItems(), 5u);
    const MenuItem& label = menu.items()[0];
    EXPECT_FALSE(label.action);
    EXPECT_EQ(label.indentationLevel, 0);
    const MenuItem& red = menu.items()[1];
    EXPECT_EQ(red.indentationLevel, 1);
    EXPECT_EQ(*red.representedString(), "#red");
    const auto sys = systemColor(ItemColor::red);
    EXPECT_EQ(red.titleColor, (RgbColor{sys.red, sys.green, sys.blue}));
    EXPECT_FALSE(menu.items()[2].titleColor);        // auto
    EXPECT_FALSE(plain.items()[1].titleColor);       // colours off
    EXPECT_TRUE(menu.items()[3].isSeparatorItem());  // "#SPACER" named "whatever"
    EXPECT_TRUE(menu.items()[4].isSeparatorItem());  // named "-"
    Menu unknown;
    gmenu->appendGroupItems(unknown, "No such group", true);
    EXPECT_EQ(unknown.numberOfItems(), 0u);
}

TEST_F(GlobalMenuTest, MoreThanSixCustomCleanersReplaceStandardByBasicAndASubmenu) {
    Titles standardRows{"std1", "std2", "Custom"};
    for (int i = 1; i <= 6; ++i) standardRows.push_back("custom" + std::to_string(i));
    const struct {
        int custom;
        Titles rows;
    } cases[] = {{6, standardRows}, {7, {"basic1", "basic2", "-", "Custom Cleaners"}}};
    for (const auto& c : cases) {
        loadLibrary(c.custom);
        auto gmenu = makeMenu(standardName);
        EXPECT_EQ(groupRows(gmenu->statusMenu), c.rows);
        if (const MenuItem* custom = gmenu->statusMenu.itemWithTitle("Custom Cleaners")) {
            EXPECT_FALSE(custom->action);
            EXPECT_EQ(custom->submenu()->numberOfItems(), 7u);
        }
    }
}

TEST_F(GlobalMenuTest, CurrentGroupWithoutItemsFallsBackToStandard) {
    const struct {
        std::string stored, current;
    } cases[] = {
        {"Empty", standardName},
        {"Mine", "Mine"},
        {"No such group", "No such group"},  // unknown: kept, lists nothing
    };
    for (const auto& c : cases) {
        auto gmenu = makeMenu(c.stored);
        EXPECT_EQ(gmenu->currentGroup, c.current);
        EXPECT_EQ(gmenu->statusMenu.items()[6].title, c.current);
    }
    defaults.removeObjectForKey(GlobalMenu::kSelectedGroupKey);
    EXPECT_EQ(GlobalMenu({client, defaults}).currentGroup, "Standard");
}

TEST_F(GlobalMenuTest, ChosenGroupIsStoredAndSurvivesARestart) {
    auto gmenu = makeMenu(standardName);
    Menu& groups = *gmenu->statusMenu.items()[3].submenu();
    ASSERT_TRUE(groups.performActionForItemAt(*groups.indexOfItemWithTitle("Mine")));
    EXPECT_EQ(defaults.stringForKey(GlobalMenu::kSelectedGroupKey), "Mine");
    EXPECT_EQ(GlobalMenu({client, defaults}).currentGroup, "Mine");
}

TEST_F(GlobalMenuTest, CleanersApplyWithTheKeysHeldWhenTheStatusMenuLastOpened) {
    modifiers.setFlags(ModifierFlags::shift | ModifierFlags::option);
    auto gmenu = makeMenu("Mine");
    modifiers.setFlags(ModifierFlags::option);  // later keys count for neither menu
    ASSERT_TRUE(gmenu->statusMenu.performActionForItemAt(8));

    presenter.mouse = {300, 400};
    presenter.chooseIndex(2);
    gmenu->showGroupMenuWithName("#current");
    ASSERT_EQ(presenter.shown.size(), 1u);
    EXPECT_EQ(titles(presenter.shown[0].menu), (Titles{"Head", "Red one", "Plain", "-", "-"}));
    EXPECT_EQ(presenter.shown[0].location, (Point{300, 400}));
    EXPECT_EQ(delegate.applied, (Titles{"#red 1", "#plain 1"}));

    MenuItem noToken("x", "applyItem:");
    noToken.representedObject = PropertyList(int64_t{5});
    gmenu->applyItem(noToken);
    EXPECT_EQ(delegate.applied.size(), 2u);

    presenter.dismiss();
    gmenu->showGroupMenuWithName("Basic");
    EXPECT_EQ(titles(presenter.shown[1].menu), (Titles{"basic1", "basic2"}));
    EXPECT_FALSE(printed("Could not popup menu for hotkey"));
    presenter.refuse = true;
    gmenu->showGroupMenuWithName("Basic");
    EXPECT_TRUE(printed("Could not popup menu for hotkey"));
}

}  // namespace
