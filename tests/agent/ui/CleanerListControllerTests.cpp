// The cleaner list's decisions on the sim: filtering, rows, display options, the default group,
// the group popup, keyboard commands and choices.

#include <gtest/gtest.h>

#include "agent/ui/PLCleanerListViewController.h"
#include "tests/agent/ui/CleanerListFixture.h"

using namespace uitest;
using Kind = CleanerListRowKind;
using TextSize = CleanerListPref::TextSize;
using platform::ModifierFlags;

namespace {

const std::string kMatches = "#LABEL:Library Matches";
const std::vector<std::string> kStandardRows = {"#LABEL:Spaces", "trim",          "collapse",
                                                "#SPACER",       "upper",         "#SPACER",
                                                "dash",          "#LABEL:Custom", "mine"};

TEST_F(CleanerListFixture, FilterRules) {
    struct Case {
        std::string filter;
        std::vector<std::string> rows;
    } cases[] = {
        {"", kStandardRows},                     // labels and separators shown
        {"   ", {}},                             // only empty words: nothing at all
        {"trim upper", {"trim", "upper"}},       // either word, group order
        {"TRIM", {"trim"}},                      // any letter case
        {"case", {"upper", kMatches, "lower"}},  // library match after the label
        {"spaces", {"collapse"}},                // label and named separator hidden
        {"slug", {kMatches, "slug"}},            // only library matches
        {"my", {"mine"}},                        // listed once, no label
        {"-", {}},                               // "-" rows never match
        {"url", {}},                             // descriptions are not searched
        {"tri\tcol", {"trim", "collapse"}},      // tabs split words too
    };
    loadList();
    for (const auto& c : cases) {
        list->searchTextDidChange(c.filter);
        EXPECT_EQ(rowTokens(), c.rows) << "filter '" << c.filter << "'";
        EXPECT_EQ(list->lastFilter(), c.filter);
        EXPECT_EQ(view.searchText, c.filter);
    }
    // The label is the localized text under its prefix, named by it, without description.
    list->searchTextDidChange("slug");
    EXPECT_EQ(list->itemAt(0)->name, "Library Matches");
    EXPECT_EQ(list->itemAt(0)->desc, "");
}

TEST_F(CleanerListFixture, RowKindsAndGeometry) {
    EXPECT_EQ(PLCleanerListViewController::rowKind(spacer("Any Name")), Kind::separator);
    EXPECT_EQ(PLCleanerListViewController::rowKind(cleaner("x", "-")), Kind::separator);
    EXPECT_EQ(PLCleanerListViewController::rowKind(label("Head")), Kind::label);
    EXPECT_EQ(PLCleanerListViewController::rowKind(cleaner("x", "X")), Kind::cleaner);

    for (bool compact : {true, false}) {
        defaults.setBool("AppGroupDisplayCompact", compact);
        loadList();
        const double row = compact ? 20 : 25;
        EXPECT_EQ(list->heightOfRow(0), row) << "label rows are as high as cleaners";
        EXPECT_EQ(list->heightOfRow(1), row);
        EXPECT_EQ(list->heightOfRow(3), 10);
        EXPECT_EQ(list->rowDisplay(1).buttonHeight, compact ? 18 : 23);
        EXPECT_EQ(list->entryFontSize(), compact ? 12 : 14);
        EXPECT_EQ(list->entryFontCapHeight(), compact ? 6 : 7);
        EXPECT_TRUE(list->isGroupRow(0));
        EXPECT_FALSE(list->shouldSelectRow(0));
        EXPECT_TRUE(list->shouldSelectRow(1));
        EXPECT_FALSE(list->shouldSelectRow(3));
    }
}

TEST_F(CleanerListFixture, RowDisplayFollowsColorStyle) {
    const platform::RgbColor red{255, 59, 48};
    struct Case {
        int style;
        bool titleColored, boxShown;
    } cases[] = {{0, true, false}, {1, false, true}, {2, true, true}, {7, true, false}};
    for (const auto& c : cases) {
        defaults.setInteger("AppGroupColorStyle", c.style);
        loadList();
        const CleanerListRow row = list->rowDisplay(1);  // "Trim", red
        EXPECT_EQ(row.title, "Trim");
        EXPECT_EQ(row.toolTip, "Remove white space");
        EXPECT_EQ(row.titleColor.has_value(), c.titleColored) << c.style;
        if (row.titleColor) EXPECT_EQ(*row.titleColor, red);
        EXPECT_EQ(row.colorBoxHidden, !c.boxShown) << c.style;
        if (c.boxShown) {
            EXPECT_EQ(row.colorBoxColor, std::optional(red));
        }
        // The auto colour is the view's own text colour.
        EXPECT_FALSE(list->rowDisplay(8).titleColor.has_value());
    }
    const CleanerListRow heading = list->rowDisplay(0);
    EXPECT_EQ(heading.kind, Kind::label);
    EXPECT_EQ(heading.title, "SPACES");
}

TEST_F(CleanerListFixture, DefaultGroup) {
    struct Case {
        std::optional<std::string> stored;
        std::string uuid;
    } cases[] = {{std::nullopt, "##Standard"}, {"##Basic", "##Basic"},
                 {"##Gone", "##Standard"},     {"Web", kWebUuid},
                 {"Nowhere", "##MISSING"},     {kWebUuid, kWebUuid}};
    for (const auto& c : cases) {
        defaults.setObject("AppDefaultGroup", c.stored
                                                  ? std::optional(platform::PropertyList(*c.stored))
                                                  : std::nullopt);
        loadList();
        EXPECT_EQ(list->currentGroup().uuid, c.uuid) << c.stored.value_or("(none)");
        EXPECT_EQ(delegate.groupAtLoad, "##Standard") << "the host sees the standard group";
        EXPECT_EQ(list->listPopupMenu().itemAt(0)->title, list->currentGroup().name);
    }
}

TEST_F(CleanerListFixture, ChoosingInThePopupRemembersOnlyWithOptionOrCommand) {
    struct Case {
        uint64_t flags;
        bool remembered;
    } cases[] = {{0, false},
                 {ModifierFlags::option, true},
                 {ModifierFlags::command, true},
                 {ModifierFlags::shift, false}};
    for (const auto& c : cases) {
        defaults.removeObjectForKey("AppDefaultGroup");
        loadList();
        list->searchTextDidChange("e");
        modifiers.setFlags(c.flags);
        const auto index = list->listPopupMenu().indexOfItemWithTitle("Web");
        ASSERT_TRUE(index);
        ASSERT_TRUE(list->listPopupMenu().performActionForItemAt(*index));
        EXPECT_EQ(list->currentGroup().uuid, kWebUuid);
        EXPECT_EQ(list->lastFilter(), "e") << "the filter survives a group change";
        EXPECT_EQ(rowTokens(), (std::vector<std::string>{"url", kMatches, "collapse", "upper",
                                                         "lower", "slug", "mine"}));
        EXPECT_EQ(defaults.stringForKey("AppDefaultGroup"),
                  c.remembered ? std::optional<std::string>("Web") : std::nullopt);
    }
}

TEST_F(CleanerListFixture, PopupContentsFollowTheOptionBits) {
    const std::vector<std::string> groups = {"Standard", "Standard", "Basic", "Library",
                                             "Custom",   "---",      "Web"};
    struct Case {
        uint32_t options;
        std::vector<std::string> tail;
        bool hidden;
    } cases[] = {{0, {}, true},
                 {1, {"Customize…"}, true},
                 {2, {}, true},
                 {3, {"---", "Customize…"}, true},
                 {7, {"---", "Customize…"}, false}};
    for (const auto& c : cases) {
        makeList().setPopupOptions(c.options);
        list->viewDidLoad();
        list->viewWillAppear();
        auto expected = groups;
        expected.insert(expected.end(), c.tail.begin(), c.tail.end());
        EXPECT_EQ(popupTitles(), expected) << c.options;
        EXPECT_EQ(view.popupHidden, c.hidden) << c.options;
    }
    // Item 1 is the current group, checked.
    EXPECT_EQ(list->listPopupMenu().itemAt(1)->state, platform::MenuItem::State::on);
    list->listPopupMenu().performActionForItemAt(list->listPopupMenu().numberOfItems() - 1);
    EXPECT_EQ(delegate.customize, 1);
}

TEST_F(CleanerListFixture, TableCommands) {
    using C = CleanerListCommand;
    struct Case {
        int selected;
        C command;
        bool ignoreReturn;
        bool handled;
        int selectedAfter;
        std::string focus;
        size_t choices;
    } cases[] = {
        {2, C::escape, false, true, -1, "search", 0},
        {1, C::return_, false, true, -1, "", 1},
        {1, C::return_, true, false, 1, "", 0},  // passed to the table
        {0, C::up, false, true, -1, "search", 0},
        {2, C::up, false, false, 2, "", 0},  // the table moves the selection
    };
    for (const auto& c : cases) {
        loadList();
        list->ignoreReturnKey = c.ignoreReturn;
        list->tableSelectionDidChange(c.selected);
        view.focus.clear();
        delegate.chosen.clear();
        EXPECT_EQ(list->tableViewProcessCommand(c.command), c.handled);
        EXPECT_EQ(list->selectedRow(), c.selectedAfter);
        EXPECT_EQ(view.focus, c.focus);
        EXPECT_EQ(delegate.chosen.size(), c.choices);
    }
    EXPECT_EQ(cleanerListCommandForKeyCode(36), C::return_);
    EXPECT_EQ(cleanerListCommandForKeyCode(53), C::escape);
    EXPECT_EQ(cleanerListCommandForKeyCode(126), C::up);
    EXPECT_EQ(cleanerListCommandForKeyCode(125), std::nullopt);
}

TEST_F(CleanerListFixture, SearchFieldCommands) {
    struct Case {
        std::string selector;
        int selectedBefore;
        bool handled;
        int selectedAfter;
    } cases[] = {{"moveDown:", -1, true, 0},  // row 0 is a label, selected all the same
                 {"insertTab:", -1, true, 0},
                 {"moveDown:", 2, true, 2},
                 {"moveUp:", -1, false, -1},
                 {"insertNewline:", -1, false, -1}};
    for (const auto& c : cases) {
        loadList();
        list->tableSelectionDidChange(c.selectedBefore);
        view.focus.clear();
        EXPECT_EQ(list->doCommandBySelector(c.selector), c.handled) << c.selector;
        EXPECT_EQ(list->selectedRow(), c.selectedAfter) << c.selector;
        EXPECT_EQ(view.focus, c.handled ? "table" : "") << c.selector;
    }
}

TEST_F(CleanerListFixture, Choices) {
    loadList();
    list->applyCleanerButton(1);
    list->doubleAction(4);
    EXPECT_EQ(delegate.chosen, (std::vector<std::string>{"trim|Trim|Remove white space",
                                                         "upper|UPPER CASE|Capitals"}));
    list->applyCleanerButton(-1);
    EXPECT_EQ(sounds.beeps, 1);
    list->doubleAction(-1);  // outside any row: silent
    list->tableSelectionDidChange(-1);
    list->tableViewProcessCommand(CleanerListCommand::return_);
    EXPECT_EQ(sounds.beeps, 2);
    EXPECT_EQ(delegate.chosen.size(), 2u);

    std::vector<int> taken;
    list->setDoubleAction([&](int row) { taken.push_back(row); });
    list->performDoubleAction(2);
    EXPECT_EQ(taken, std::vector<int>{2});
    EXPECT_EQ(delegate.chosen.size(), 2u);
}

TEST_F(CleanerListFixture, NotificationsAndAppearance) {
    loadList();
    list->searchTextDidChange("trim");
    list->tableSelectionDidChange(0);

    // A reloaded library replaces the shown group; the filter stays.
    auto data = sampleLibrary();
    data.builtin.groups[0].items.push_back(cleaner("trim2", "Trim Lines"));
    client.clientData().update(data);
    agent.notificationCenter().post("com.purlane.clientinfoUpdated");
    EXPECT_EQ(rowTokens(), (std::vector<std::string>{"trim", "trim2"}));

    const int reloads = view.reloads;
    defaults.setBool("AppGroupDisplayCompact", true);
    agent.notificationCenter().post("com.purlane.listDisplayOptionsUpdated");
    EXPECT_EQ(list->activeDisplaySize(), TextSize::compact);
    EXPECT_GT(view.reloads, reloads);

    // Before an appearance: a changed order rebuilds, the selection goes, focus on request.
    defaults.setInteger("AppGroupDisplayOrder", 2);
    list->autoFocusOnSearch = true;
    list->showGroupPopup = false;
    list->tableSelectionDidChange(1);
    view.focus.clear();
    list->viewWillAppear();
    EXPECT_EQ(list->groupListOrder(), CleanerListPref::DisplayOrder::customOnly);
    EXPECT_EQ(popupTitles(), (std::vector<std::string>{"Standard", "Web", "---", "Customize…"}));
    EXPECT_EQ(list->selectedRow(), -1);
    EXPECT_EQ(view.focus, "search");
    EXPECT_TRUE(view.popupHidden);
}

}  // namespace
