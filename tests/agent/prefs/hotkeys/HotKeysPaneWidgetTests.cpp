// The Global HotKeys pane drawn offscreen (written to build/screenshots/ for a look): rows with
// their whole labels and recorders, the editor popover, and the Delete row action.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <filesystem>

#include "agent/prefs/GlobalShortcutsPaneWidget.h"
#include "agent/prefs/ShortcutActionEditorWidget.h"
#include "platform/input/ModifierFlags.h"
#include "tests/agent/prefs/hotkeys/HotKeysPaneFixture.h"
#include "tests/support/QtWidgetsApp.h"

using platform::ModifierFlags;

namespace hotkeystest {
namespace {

void shoot(QWidget& widget, const std::string& name) {
    testsupport::saveScreenshot(widget, "HotKeysPane-" + name);
}

class PaneWidget : public HotKeysPaneFixture {
  public:
    PaneWidget() {
        testsupport::ensureQtWidgetsApplication();
        Shortcut palette = list.list.front();
        palette.keycode = 49;  // Space
        palette.modifiersRaw = ModifierFlags::option;
        Shortcut apply = Shortcut::make();
        apply.cleaner = "mine";
        apply.keycode = 38;  // J
        apply.modifiersRaw = ModifierFlags::control | ModifierFlags::option;
        Shortcut show = Shortcut::make();
        show.type = ActionType::showmenu;
        list.list = {palette, apply, show};
        list.save();
        widget = std::make_unique<GlobalShortcutsPaneWidget>(
            pane, ShortcutActionCellView::Recorders{&registry, &checks, &layout, &sounds});
        widget->resize(widget->sizeHint());
        pane.viewWillAppear();
        widget->show();
    }

    ShortcutRecorderRegistry registry;
    std::unique_ptr<GlobalShortcutsPaneWidget> widget;
};

TEST_F(PaneWidget, RowsShowTheirWholeLabelsBesideTheirRecorders) {
    ASSERT_EQ(widget->shortcutsTableView()->count(), 3);
    const std::vector<std::string> expected = {"⌥Space", "⌃⌥J", "Record Shortcut"};
    for (int row = 0; row < 3; ++row) {
        SCOPED_TRACE(row);
        ShortcutActionCellView* cell = widget->cellAt(row);
        ASSERT_NE(cell, nullptr);
        const QPushButton* label = cell->labelButton;
        EXPECT_EQ(label->text().toStdString(), pane.cellForRow(row).label);
        EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()));
        EXPECT_LE(label->geometry().right(), cell->actionShortcutView->geometry().left());
        EXPECT_EQ(cell->actionShortcutView->recorder().shortcutTitle(), expected[row]);
    }
    shoot(*widget, "rows");
}

TEST_F(PaneWidget, TheLabelOpensTheEditorPopoverOnTheRecordsChoice) {
    widget->cellAt(1)->labelButton->click();
    ShortcutActionEditorWidget* editor = widget->editorWidget(pane.applyCleanersActionController);
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->cleanerItemsPopup()->currentText().toStdString(), "My Upper Cleaner");
    shoot(*editor, "cleaner-editor");

    editor->cleanerItemsFilter()->setText("SLUG");
    ASSERT_EQ(editor->cleanerItemsPopup()->count(), 1);
    editor->cleanerItemsPopup()->activated(0);
    editor->hide();  // a click elsewhere
    world.runUntilIdle();
    EXPECT_EQ(widget->cellAt(1)->labelButton->text().toStdString(), "Apply Cleaner: Make Slug");

    widget->cellAt(2)->labelButton->click();
    ShortcutActionEditorWidget* groups = widget->editorWidget(pane.showGroupsActionController);
    ASSERT_NE(groups, nullptr);
    EXPECT_EQ(groups->groupItemsPopup()->currentText().toStdString(), "Current");
    shoot(*groups, "group-editor");
    widget->cellAt(2)->labelButton->click();  // the second click closes it
    EXPECT_FALSE(groups->isVisible());
}

TEST_F(PaneWidget, ARecordedKeyIsSavedAndTheRecorderKeepsItsRow) {
    ShortcutActionCellView* cell = widget->cellAt(2);
    ShortcutRecorder& recorder = cell->actionShortcutView->recorder();
    recorder.setRecording(true);
    // The recorder goes on (ends recording, announces) after telling the pane: its row must
    // still be there, so nothing reloads the table from inside the change.
    recorder.handleKeyEvent(38, ModifierFlags::control | ModifierFlags::command, false);
    EXPECT_FALSE(recorder.recording());
    EXPECT_EQ(widget->cellAt(2), cell);
    EXPECT_EQ(stored()[2].keycode, 38u);
    EXPECT_EQ(stored()[2].modifiersRaw, ModifierFlags::control | ModifierFlags::command);
    EXPECT_EQ(cell->actionShortcutView->item.keycode, 38u);
}

TEST_F(PaneWidget, TheRowMenuDeletesEvenTheFirstRow) {
    auto menu = widget->rowMenu(0);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions().front()->text().toStdString(), "Delete");
    menu->actions().front()->trigger();
    world.runUntilIdle();
    EXPECT_EQ(widget->shortcutsTableView()->count(), 2);
    EXPECT_EQ(widget->cellAt(0)->labelButton->text().toStdString(),
              "Apply Cleaner: My Upper Cleaner");
}

TEST_F(PaneWidget, AViewDeletedAfterItsPaneLeavesItAlone) {
    // As when the window rebuilds its pane list: the old view is deleted later.
    widget->cellAt(1)->labelButton->click();
    auto pane2 = std::make_unique<PLPrefsGlobalShortcutsController>(
        PLPrefsGlobalShortcutsController::Collaborators{&list, &client, &defaults, &sounds,
                                                        &agent.mainQueue(), &checks});
    auto orphan = std::make_unique<GlobalShortcutsPaneWidget>(
        *pane2, ShortcutActionCellView::Recorders{&registry, &checks, &layout, &sounds});
    pane2->changeHotKeyAction(1);
    pane2.reset();
    orphan.reset();  // must not touch the destroyed pane (the sanitizer build checks)
    world.runUntilIdle();
    SUCCEED();
}

TEST_F(PaneWidget, WithoutGlobalShortcutsRowsShowTheCommandAndItsInstallButton) {
    std::vector<std::vector<std::string>> ran;
    DesktopShortcutBindings bindings("purlanectl", [&ran](const std::vector<std::string>& argv) {
        ran.push_back(argv);
        const bool schemas = argv.at(1) == "list-schemas";
        return std::optional<std::string>(schemas ? DesktopShortcutBindings::kSchema : "@as []");
    });
    PLPrefsGlobalShortcutsController fallback(
        {&list, &client, &defaults, &sounds, &agent.mainQueue(), &checks, &bindings});
    GlobalShortcutsPaneWidget view(
        fallback, ShortcutActionCellView::Recorders{&registry, &checks, &layout, &sounds});
    view.resize(view.sizeHint());
    view.show();
    ASSERT_NE(view.explanation(), nullptr);
    EXPECT_TRUE(view.explanation()->isVisible());
    ASSERT_EQ(view.shortcutsTableView()->count(), 3);
    EXPECT_EQ(view.cellAt(1), nullptr);
    for (int row : {0, 1}) {
        QWidget* cells = view.bindingRowAt(row);
        ASSERT_NE(cells, nullptr);
        const auto* command = cells->findChild<QLineEdit*>("commandLine");
        EXPECT_EQ(command->text().toStdString(), fallback.cellForRow(row).command);
        EXPECT_TRUE(command->isEnabled());
        EXPECT_NE(cells->findChild<QPushButton*>("installBinding"), nullptr);
    }
    shoot(view, "desktop-bindings");
    view.bindingRowAt(1)->findChild<QPushButton*>("installBinding")->click();
    EXPECT_EQ(ran.back().back(), "['" + DesktopShortcutBindings::customPath(list.list[1]) + "']");
    EXPECT_EQ(sounds.beeps, 0);
}

}  // namespace
}  // namespace hotkeystest
