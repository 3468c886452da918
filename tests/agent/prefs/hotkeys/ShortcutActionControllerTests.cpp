// The action editor: which groups and cleaners its popups list, which item they select, the
// cleaner filter, and what goes back into the record when it closes.

#include "tests/agent/prefs/hotkeys/HotKeysPaneFixture.h"

namespace hotkeystest {
namespace {

std::vector<std::string> titles(const ShortcutActionController::Popup& popup) {
    std::vector<std::string> out;
    for (const auto& item : popup.menu.items())
        out.push_back(item.isSeparatorItem() ? "---" : item.title);
    return out;
}

std::optional<std::string> selectedTitle(const ShortcutActionController::Popup& popup) {
    if (!popup.selectedIndex) return std::nullopt;
    return popup.menu.itemAt(*popup.selectedIndex)->title;
}

class ActionEditor : public HotKeysPaneFixture {
  public:
    ShortcutActionController& cleaners = pane.applyCleanersActionController;
    ShortcutActionController& groups = pane.showGroupsActionController;
};

TEST_F(ActionEditor, GroupPopupListsCurrentThenBuiltInThenUserGroups) {
    struct Case {
        std::string groupName;
        std::string selected;
    };
    for (const Case& c : {Case{"#current", "Current"}, Case{"Basic", "Basic"}, Case{"Web", "Web"},
                          Case{"Gone", "Current"}}) {
        SCOPED_TRACE(c.groupName);
        groups.groupName = c.groupName;
        groups.fillGroupPopup();
        EXPECT_EQ(titles(groups.groupItemsPopup),
                  (std::vector<std::string>{"Current", "---", "Standard", "Basic", "Library",
                                            "Custom", "---", "Web"}));
        EXPECT_TRUE(groups.groupItemsPopup.enabled);
        EXPECT_EQ(selectedTitle(groups.groupItemsPopup), c.selected);
    }
    groups.selectGroup(0);
    EXPECT_EQ(groups.groupName, "#current");
}

TEST_F(ActionEditor, CleanerPopupIsTheSortedLibraryFilteredInAnyCase) {
    struct Case {
        std::string typed;
        std::vector<std::string> titles;
    };
    const std::vector<Case> cases = {
        {"", {"---", "Make Slug", "My Upper Cleaner", "Scrub", "Trim", "UPPER CASE", "lower case"}},
        {"UPPER", {"My Upper Cleaner", "UPPER CASE"}},
        {"Case", {"UPPER CASE", "lower case"}},  // the heading "Case" is never listed
        {"nothing", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        cleaners.controlTextDidChange(c.typed);
        EXPECT_EQ(titles(cleaners.cleanerItemsPopup), c.titles);
    }
    cleaners.controlTextDidChange("");
    EXPECT_EQ(*cleaners.cleanerItemsPopup.menu.itemAt(2)->representedString(), "mine");
}

TEST_F(ActionEditor, CleanerPopupSelectsTheRecordsCleaner) {
    struct Case {
        std::string filter;
        std::string token;
        std::optional<std::string> selected;
    };
    const std::vector<Case> cases = {
        {"", "trim", "Trim"},
        {"slug", "slug", "Make Slug"},  // first item of a filtered popup
        {"", "Scrub", "Scrub"},         // no such token, but a title
        {"", "gone", std::nullopt},
        {"", "", ""},  // the first item, whatever it is
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.token);
        cleaners.cleanerToken = c.token;
        cleaners.controlTextDidChange(c.filter);
        EXPECT_EQ(selectedTitle(cleaners.cleanerItemsPopup), c.selected);
    }
}

TEST_F(ActionEditor, ClosingWritesOnlyTheChoiceOfItsType) {
    list.list.push_back(Shortcut::make());
    Shortcut record = list.list.back();
    record.group = "Basic";
    record.cleaner = "trim";
    list.update(record);

    struct Case {
        ShortcutActionController* editor;
        std::string cleaner, group;
        ActionType type;
    };
    // Each editor starts from the record as stored, never from a choice made for another row.
    for (const Case& c : {Case{&cleaners, "upper", "Basic", ActionType::cleantext},
                          Case{&groups, "upper", "Web", ActionType::showmenu}}) {
        c.editor->setItem(list.list.back());
        c.editor->cleanerToken = "upper";
        c.editor->groupName = "Web";
        c.editor->delegate = &pane;
        c.editor->viewWillDisappear();
        EXPECT_EQ(stored().back().cleaner, c.cleaner);
        EXPECT_EQ(stored().back().group, c.group);
        EXPECT_EQ(stored().back().type, c.type);
    }
    cleaners.setItem(record);
    EXPECT_EQ(cleaners.cleanerToken, "trim");
    EXPECT_EQ(cleaners.groupName, "Basic");
}

}  // namespace
}  // namespace hotkeystest
