// The Global HotKeys pane on the sim: rows and labels, adding, the two ways of deleting, the
// recorder's changes reaching the registered hot keys, and the action editor's presentation.

#include "platform/input/ModifierFlags.h"
#include "tests/agent/prefs/hotkeys/HotKeysPaneFixture.h"

using platform::ModifierFlags;

namespace hotkeystest {
namespace {

constexpr uint16_t kJ = 38;
constexpr uint64_t kControlOption = ModifierFlags::control | ModifierFlags::option;
constexpr uint32_t kCarbonControlOption = 0x1800;

using Pane = HotKeysPaneFixture;

TEST_F(Pane, AFreshInstallationShowsThePopoverRowThatOnlyTheRowActionDeletes) {
    showPane();
    ASSERT_EQ(labels(), std::vector<std::string>{"Show Purlane Popover"});
    EXPECT_FALSE(pane.cellForRow(0).shortcut);

    for (std::optional<int> selected : {std::optional<int>(), std::optional<int>(0)}) {
        view.selected = selected;
        pane.removeShortcutAction();
    }
    EXPECT_EQ(sounds.beeps, 4);  // two each time
    EXPECT_EQ(pane.numberOfRows(), 1);

    EXPECT_TRUE(
        pane.rowActions(0, PLPrefsGlobalShortcutsController::RowActionEdge::leading).empty());
    auto actions = pane.rowActions(0, PLPrefsGlobalShortcutsController::RowActionEdge::trailing);
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0].title, "Delete");
    EXPECT_TRUE(actions[0].destructive);
    const int reloads = view.reloads;
    actions[0].perform();
    EXPECT_EQ(pane.numberOfRows(), 0);
    EXPECT_TRUE(stored().empty());
    // The table is reloaded later, never inside the control that asked.
    EXPECT_EQ(view.reloads, reloads);
    world.runUntilIdle();
    EXPECT_EQ(view.reloads, reloads + 1);
}

TEST_F(Pane, TheAddMenuAddsRecordsLabelledByTheirAction) {
    struct Case {
        size_t menuItem;
        ActionType type;
        std::string label;
    };
    for (const Case& c : {Case{0, ActionType::cleantext, "Apply Cleaner: Scrub"},
                          Case{1, ActionType::showmenu, "Show Group: Current"}}) {
        SCOPED_TRACE(c.label);
        showPane();
        pane.addShortcutAction();
        ASSERT_EQ(view.addMenu, &pane.addMenu);
        ASSERT_TRUE(pane.addMenu.performActionForItemAt(c.menuItem));
        ASSERT_EQ(pane.numberOfRows(), 2 + static_cast<int>(c.menuItem));
        const auto cell = pane.cellForRow(pane.numberOfRows() - 1);
        EXPECT_EQ(cell.label, c.label);
        EXPECT_EQ(cell.item.type, c.type);
        EXPECT_FALSE(cell.shortcut);
        EXPECT_EQ(stored().back(), cell.item);
    }
}

TEST_F(Pane, RecordingAndClearingARowRegistersAndUnregistersItsHotKey) {
    showPane();
    pane.addApplyCleanerAction();
    Shortcut carried = pane.cellForRow(1).item;  // what the row's recorder holds

    pane.shortcutValueChanged(carried, MASShortcut(kJ, kControlOption));
    EXPECT_EQ(stored()[1].keycode, kJ);
    EXPECT_EQ(stored()[1].modifiersRaw, kControlOption);
    ASSERT_EQ(systemHotKeys.registrations().size(), 1u);
    EXPECT_EQ(systemHotKeys.registrations()[0].keyCode, kJ);
    EXPECT_EQ(systemHotKeys.registrations()[0].carbonModifiers, kCarbonControlOption);
    EXPECT_EQ(pane.cellForRow(1).shortcut, MASShortcut(kJ, kControlOption));

    pane.shortcutValueChanged(carried, std::nullopt);
    EXPECT_EQ(stored()[1].keycode, 0u);
    EXPECT_EQ(stored()[1].modifiersRaw, 0u);
    EXPECT_EQ(carried.keycode, 0u);
    EXPECT_TRUE(systemHotKeys.registrations().empty());
}

TEST_F(Pane, TheRemoveButtonDeletesTheSelectedRowBelowTheFirst) {
    struct Case {
        std::optional<int> selected;
        int beeps;
        std::vector<std::string> left;
    };
    const std::vector<Case> cases = {
        {std::nullopt, 2, {"#palette", "A", "B"}},
        {0, 2, {"#palette", "A", "B"}},
        {1, 0, {"#palette", "B"}},
        {2, 0, {"#palette", "A"}},
        {3, 2, {"#palette", "A", "B"}},  // a selection the table no longer has
    };
    pane.setView(&view);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selected.value_or(-1));
        list.list = {list.list.front(), Shortcut::make(), Shortcut::make()};
        list.list[1].uuid = "A";
        list.list[2].uuid = "B";
        sounds.beeps = 0;
        view.selected = c.selected;
        pane.removeShortcutAction();
        std::vector<std::string> left;
        for (const auto& s : list.list) left.push_back(s.uuid);
        EXPECT_EQ(left, c.left);
        EXPECT_EQ(sounds.beeps, c.beeps);
    }
}

TEST_F(Pane, StoredRecordsArePickedUpAndUnusableKeysShowAnEmptyRecorder) {
    Shortcut noModifier = Shortcut::make();
    noModifier.keycode = kJ;  // a letter alone is no hot key
    noModifier.type = ActionType::showmenu;
    noModifier.group = "Web";
    Shortcut tagged = Shortcut::make();
    tagged.cleaner = "slug";
    tagged.keycode = kJ;
    tagged.modifiersRaw = ModifierFlags::command;
    ShortcutList other(defaults, agent.notificationCenter());
    other.list = {other.list.front(), noModifier, tagged};
    other.save();

    showPane();
    EXPECT_EQ(labels(), (std::vector<std::string>{"Show Purlane Popover", "Show Group: Web",
                                                  "Apply Cleaner: Make Slug"}));
    EXPECT_FALSE(pane.cellForRow(1).shortcut);
    EXPECT_EQ(pane.cellForRow(2).shortcut, MASShortcut(kJ, ModifierFlags::command));
    EXPECT_EQ(systemHotKeys.registrations().size(), 1u);
}

TEST_F(Pane, ALabelOpensItsEditorAndASecondClickClosesIt) {
    showPane();
    pane.addShowGroupAction();
    pane.addApplyCleanerAction();

    pane.changeHotKeyAction(0);  // the popover's row has no editor
    EXPECT_TRUE(view.presented.empty());

    pane.changeHotKeyAction(1);
    ASSERT_EQ(view.presented,
              std::vector<ShortcutActionController*>{&pane.showGroupsActionController});
    EXPECT_EQ(view.presentedRow, 1);
    auto& editor = pane.showGroupsActionController;
    EXPECT_EQ(editor.delegate, &pane);
    EXPECT_EQ(editor.item().uuid, list.list[1].uuid);
    editor.selectGroup(*editor.groupItemsPopup.menu.indexOfItemWithTitle("Web"));

    pane.changeHotKeyAction(2);  // any label while an editor is open only closes it
    EXPECT_EQ(view.presented.size(), 1u);
    EXPECT_EQ(view.dismissals, 1);
    EXPECT_EQ(pane.presentedEditor(), nullptr);
    EXPECT_EQ(stored()[1].group, "Web");
    world.runUntilIdle();
    EXPECT_EQ(labels()[1], "Show Group: Web");
    pane.actionEditorDidClose();  // the view's late report writes nothing twice
    EXPECT_EQ(list.list[1].group, "Web");

    pane.changeHotKeyAction(2);
    EXPECT_EQ(view.presented.back(), &pane.applyCleanersActionController);
    pane.applyCleanersActionController.controlTextDidChange("SLUG");
    pane.applyCleanersActionController.selectCleaner(0);
    pane.actionEditorDidClose();  // closed by a click elsewhere
    EXPECT_EQ(labels()[2], "Apply Cleaner: Make Slug");
    EXPECT_EQ(stored()[2].cleaner, "slug");
}

TEST_F(Pane, IdentityInThePreferencesWindow) {
    EXPECT_EQ(pane.keyName(), "hotkeys");
    EXPECT_EQ(pane.itemLabel(), "Global HotKeys");
}

}  // namespace
}  // namespace hotkeystest
