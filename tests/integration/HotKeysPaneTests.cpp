// The Global HotKeys pane beside the real agent on a desktop of the test's own: a row added
// through the add button's menu, given a cleaner in its editor and a combination recorded with
// real key presses is stored in the agent's defaults, the agent registers it, and pressing it
// in a foreign GTK field cleans the field's text.

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <chrono>
#include <memory>
#include <thread>

#include "agent/engine/PLClient.h"
#include "agent/prefs/GlobalShortcutsPaneWidget.h"
#include "agent/prefs/ShortcutActionEditorWidget.h"
#include "agent/shortcuts/ValidatorChecks.h"
#include "platform/defaults/RegistrationDomain.h"
#include "platform/input/ModifierFlags.h"
#include "platform/linux/FileDefaultsStore.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/linux/x11/X11HotKeys.h"
#include "platform/linux/x11/X11SystemShortcuts.h"
#include "platform/linux/x11/XkbKeyboardLayout.h"
#include "platform/sim/SimSounds.h"
#include "tests/support/AgentDesktopTest.h"
#include "tests/support/QtTestApp.h"

using platform::ModifierFlags;
using testsupport::AgentSession;
using testsupport::run;
using testsupport::spinUntil;

namespace {

class HotKeysPaneWithAgent : public testsupport::AgentDesktopTest {
  protected:
    void SetUp() override {
        AgentDesktopTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_EQ(run({"/usr/bin/setxkbmap", "-layout", "us"}).status, 0);
        static int argc = 1;
        static char arg0[] = "hotkeys_pane_desktop_tests";
        static char* argv[] = {arg0, nullptr};
        // On this test's desktop (XDesktop set DISPLAY); one test, one application.
        new QApplication(argc, argv);
        mainQueue = std::make_unique<platform::QtMainQueue>();
        // The agent's own defaults domain, in the session's library.
        defaults = std::make_unique<platform::UserDefaults>(
            std::make_shared<platform::FileDefaultsStore>(mainQueue.get(), session->userLibrary()),
            std::make_shared<platform::RegistrationDomain>(), AgentSession::kAgentID,
            mainQueue.get());
        x11 = platform::X11HotKeys::open(
            [this](std::function<void()> task) { mainQueue->async(std::move(task)); });
        layout = platform::XkbKeyboardLayout::fromDisplay();
        ASSERT_TRUE(x11 && layout);
        systemShortcuts = std::make_unique<platform::X11SystemShortcuts>(*x11);
        // The agent has no main menu on Linux: only the desktop's own shortcuts can collide.
        validator =
            std::make_unique<MASShortcutValidator>(*defaults, *systemShortcuts, *layout, nullptr);
        checks = std::make_unique<ValidatorChecks>(*validator);
        list = std::make_unique<ShortcutList>(*defaults, center);
        SharedPurlaneData2 library;
        library.builtin.library = Group(
            "Library", "##Library",
            {{.token = "#UPPER", .name = "Upper Case"}, {.token = "cc.shout", .name = "Shout"}});
        client.clientData().update(library);

        pane = GlobalShortcutsPaneWidget::makePane(
            {list.get(), &client, defaults.get(), &sounds, mainQueue.get(), checks.get()},
            {&registry, checks.get(), layout.get(), &sounds});
        widget.reset(static_cast<GlobalShortcutsPaneWidget*>(pane->makeView(nullptr)));
        widget->resize(widget->sizeHint());
        pane->viewWillAppear();
        widget->show();
        widget->activateWindow();
        ASSERT_TRUE(spinUntil([&] { return widget->isActiveWindow(); }, 20));
    }

    void TearDown() override {
        widget.reset();
        pane.reset();
        AgentDesktopTest::TearDown();
    }

    platform::NotificationCenter center;
    PLClient client{{nullptr, nullptr, &center, nullptr, nullptr}};
    platform::SimSounds sounds;
    ShortcutRecorderRegistry registry;
    std::unique_ptr<platform::QtMainQueue> mainQueue;
    std::unique_ptr<platform::UserDefaults> defaults;
    std::unique_ptr<platform::X11HotKeys> x11;
    std::unique_ptr<platform::XkbKeyboardLayout> layout;
    std::unique_ptr<platform::X11SystemShortcuts> systemShortcuts;
    std::unique_ptr<MASShortcutValidator> validator;
    std::unique_ptr<ValidatorChecks> checks;
    std::unique_ptr<ShortcutList> list;
    std::shared_ptr<PLPrefsGlobalShortcutsController> pane;
    std::unique_ptr<GlobalShortcutsPaneWidget> widget;
};

TEST_F(HotKeysPaneWithAgent, ARecordedRowCleansAForeignFieldThroughTheAgent) {
    ASSERT_EQ(widget->shortcutsTableView()->count(), 1);
    // The add menu runs an event loop of its own: its item is chosen from another thread.
    std::thread chooser([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
        xdotool({"key", "Down"});
        xdotool({"key", "Return"});
    });
    const QPoint add = widget->addButton()->mapToGlobal(widget->addButton()->rect().center());
    xdotool({"mousemove", std::to_string(add.x()), std::to_string(add.y()), "click", "1"});
    const bool added = spinUntil([&] { return widget->shortcutsTableView()->count() == 2; }, 20);
    chooser.join();
    ASSERT_TRUE(added);
    EXPECT_EQ(widget->cellAt(1)->labelButton->text().toStdString(), "Apply Cleaner: #SCRUB");

    // The row's cleaner, chosen in its editor.
    widget->cellAt(1)->labelButton->click();
    ShortcutActionEditorWidget* editor = widget->editorWidget(pane->applyCleanersActionController);
    ASSERT_NE(editor, nullptr);
    editor->cleanerItemsFilter()->setText("UPPER");
    ASSERT_EQ(editor->cleanerItemsPopup()->count(), 1);
    editor->cleanerItemsPopup()->activated(0);
    editor->hide();
    ASSERT_TRUE(spinUntil(
        [&] { return widget->cellAt(1)->labelButton->text() == "Apply Cleaner: Upper Case"; }, 20));

    // Control-Option-J typed into the row's recorder.
    const size_t before = hotKeyRegistrations();
    ShortcutView& recorder = *widget->cellAt(1)->actionShortcutView;
    const QPoint at = recorder.mapToGlobal(QPoint(20, recorder.height() / 2));
    ASSERT_EQ(
        xdotool({"mousemove", std::to_string(at.x()), std::to_string(at.y()), "click", "1"}).status,
        0);
    ASSERT_TRUE(spinUntil([&] { return recorder.recorder().recording(); }, 20));
    ASSERT_EQ(xdotool({"key", "ctrl+alt+j"}).status, 0);
    ASSERT_TRUE(spinUntil([&] { return !recorder.recorder().recording(); }, 20));

    // Stored in the agent's defaults, and the agent registered its hot keys again.
    auto stored = defaults->objectForKey(ShortcutList::kDefaultsKey);
    ASSERT_TRUE(stored);
    ShortcutList reader(*defaults, center);
    reader.load(*stored);
    ASSERT_EQ(reader.list.size(), 2u);
    EXPECT_EQ(reader.list[1].keycode, 38u);
    EXPECT_EQ(reader.list[1].modifiersRaw, ModifierFlags::control | ModifierFlags::option);
    EXPECT_EQ(reader.list[1].cleaner, "#UPPER");
    ASSERT_TRUE(AgentSession::waitFor([&] { return hotKeyRegistrations() > before; }))
        << agent->stderrText();

    spinUntil([] { return false; }, 0.3);  // the recorder's last repaint reaches the screen
    desktop->screenshot("HotKeysPane-desktop");
    widget->hide();
    // The Qt editor reports each change: the result is awaited, not raced by a Return.
    openEditor("press me");
    xdotool({"key", "ctrl+alt+j"});
    EXPECT_TRUE(editorShows("PRESS ME")) << field->stdoutText();
}

}  // namespace
