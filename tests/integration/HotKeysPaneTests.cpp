// The Global HotKeys pane on a real X desktop: a row added through the add button's menu and a
// combination recorded in it with real key presses becomes a stored record that the hot keys
// register, so pressing the combination anywhere runs the row's action.

#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "agent/prefs/GlobalShortcutsPaneWidget.h"
#include "agent/shortcuts/GlobalHotKeys.h"
#include "agent/shortcuts/ValidatorChecks.h"
#include "platform/input/ModifierFlags.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/linux/x11/X11HotKeys.h"
#include "platform/linux/x11/X11SystemShortcuts.h"
#include "platform/linux/x11/XkbKeyboardLayout.h"
#include "platform/sim/SimProcess.h"
#include "platform/sim/SimSounds.h"
#include "platform/sim/SimWorld.h"
#include "tests/agent/prefs/hotkeys/HotKeysPaneFixture.h"
#include "tests/support/QtTestApp.h"
#include "tests/support/Subprocess.h"
#include "tests/support/XDesktop.h"

using platform::ModifierFlags;
using testsupport::run;
using testsupport::spinUntil;

namespace {

constexpr uint16_t kJ = 38;

// What the actions manager would be asked to do.
struct RecordingActions : GlobalActionsDelegate {
    void applyCleaner(const std::string& cleaner, CleanerApplyOption) override {
        calls.push_back("apply " + cleaner);
    }
    std::optional<std::string> frontAppName() override { return std::nullopt; }
    void popoverStateChangeWithIsActive(bool) override {}
    void showPalette() override { calls.push_back("palette"); }
    void showGroupMenuWithName(const std::string& name) override {
        calls.push_back("menu " + name);
    }
    std::vector<std::string> calls;
};

void click(const QWidget& widget, QPoint at) {
    const QPoint global = widget.mapToGlobal(at);
    ASSERT_EQ(run({"/usr/bin/xdotool", "mousemove", std::to_string(global.x()),
                   std::to_string(global.y()), "click", "1"})
                  .status,
              0);
}

class HotKeysPaneOnDesktop : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        desktop = new testsupport::XDesktop();  // before the application, which takes DISPLAY
        if (!desktop->ready()) return;
        static int argc = 1;
        static char arg0[] = "hotkeys_pane_desktop_tests";
        static char* argv[] = {arg0, nullptr};
        new QApplication(argc, argv);
    }

    void SetUp() override {
        if (!desktop->ready()) GTEST_SKIP() << "no X desktop: " << desktop->error();
        ASSERT_EQ(run({"/usr/bin/setxkbmap", "-layout", "us"}).status, 0);
        mainQueue = std::make_unique<platform::QtMainQueue>();
        x11 = platform::X11HotKeys::open(
            [this](std::function<void()> task) { mainQueue->async(std::move(task)); });
        layout = platform::XkbKeyboardLayout::fromDisplay();
        ASSERT_TRUE(x11 && layout);
        systemShortcuts = std::make_unique<platform::X11SystemShortcuts>(*x11);
        // The agent has no main menu on Linux: only the desktop's own shortcuts can collide.
        validator =
            std::make_unique<MASShortcutValidator>(defaults, *systemShortcuts, *layout, nullptr);
        checks = std::make_unique<ValidatorChecks>(*validator);
        monitor = std::make_unique<MASShortcutMonitor>(*x11, *mainQueue);
        hotKeys = std::make_unique<GlobalHotKeys>(*monitor, *validator, list, defaults);
        hotKeys->delegate = &actions;
        // As the actions manager does: every save registers the hot keys again.
        observer = agent.notificationCenter().addObserver(
            ShortcutList::kHotkeysChanged, nullptr,
            [this](const platform::Notification&) { hotKeys->registerAll(); });
        hotKeys->registerAll();
        client.clientData().update(hotkeystest::sampleLibrary());

        // Made as the preferences window makes it: the pane, then its view from its maker.
        pane = GlobalShortcutsPaneWidget::makePane(
            {&list, &client, &defaults, &sounds, mainQueue.get(), checks.get()},
            {&registry, checks.get(), layout.get(), &sounds});
        widget.reset(static_cast<GlobalShortcutsPaneWidget*>(pane->makeView(nullptr)));
        ASSERT_TRUE(widget);
        widget->resize(widget->sizeHint());
        pane->viewWillAppear();
        widget->show();
        widget->activateWindow();
        ASSERT_TRUE(spinUntil([&] { return widget->isActiveWindow(); }, 20));
    }

    void TearDown() override {
        widget.reset();
        pane.reset();
        if (observer) agent.notificationCenter().removeObserver(observer);
    }

    static inline testsupport::XDesktop* desktop = nullptr;
    platform::SimWorld world;
    platform::SimProcess& agent = world.launch("com.halvik.purlane.agent");
    platform::UserDefaults& defaults = agent.standardUserDefaults();
    platform::SimSounds sounds;
    PLClient client{{nullptr, nullptr, &agent.notificationCenter(), nullptr, nullptr}};
    ShortcutList list{defaults, agent.notificationCenter()};
    ShortcutRecorderRegistry registry;
    RecordingActions actions;
    std::unique_ptr<platform::QtMainQueue> mainQueue;
    std::unique_ptr<platform::X11HotKeys> x11;
    std::unique_ptr<platform::XkbKeyboardLayout> layout;
    std::unique_ptr<platform::X11SystemShortcuts> systemShortcuts;
    std::unique_ptr<MASShortcutValidator> validator;
    std::unique_ptr<ValidatorChecks> checks;
    std::unique_ptr<MASShortcutMonitor> monitor;
    std::unique_ptr<GlobalHotKeys> hotKeys;
    platform::ObserverToken observer = 0;
    std::shared_ptr<PLPrefsGlobalShortcutsController> pane;
    std::unique_ptr<GlobalShortcutsPaneWidget> widget;
};

TEST_F(HotKeysPaneOnDesktop, ARowAddedAndRecordedWithRealKeysBecomesAHotKey) {
    ASSERT_EQ(widget->shortcutsTableView()->count(), 1);

    // The add menu runs its own event loop: its item is chosen from another thread.
    std::thread chooser([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
        run({"/usr/bin/xdotool", "key", "Down"});
        run({"/usr/bin/xdotool", "key", "Return"});
    });
    click(*widget->addButton(), widget->addButton()->rect().center());
    const bool added = spinUntil([&] { return widget->shortcutsTableView()->count() == 2; }, 20);
    chooser.join();
    ASSERT_TRUE(added);
    ShortcutActionCellView* cell = widget->cellAt(1);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->labelButton->text().toStdString(), "Apply Cleaner: Scrub");

    ShortcutView& recorderView = *cell->actionShortcutView;
    click(recorderView, QPoint(20, recorderView.height() / 2));
    ASSERT_TRUE(spinUntil([&] { return recorderView.recorder().recording(); }, 20));
    ASSERT_EQ(run({"/usr/bin/xdotool", "key", "ctrl+alt+j"}).status, 0);
    ASSERT_TRUE(spinUntil([&] { return !recorderView.recorder().recording(); }, 20));
    desktop->screenshot("HotKeysPane-desktop");

    // The stored record, as the agent reads it at start-up.
    ShortcutList stored(defaults, agent.notificationCenter());
    auto value = defaults.objectForKey(ShortcutList::kDefaultsKey);
    ASSERT_TRUE(value);
    stored.load(*value);
    ASSERT_EQ(stored.list.size(), 2u);
    EXPECT_EQ(stored.list[1].keycode, kJ);
    EXPECT_EQ(stored.list[1].modifiersRaw, ModifierFlags::control | ModifierFlags::option);
    EXPECT_EQ(stored.list[1].type, ActionType::cleantext);
    EXPECT_EQ(stored.list[1].cleaner, "#SCRUB");

    // Registered: the combination now fires the row's action. The recorder lets the keyboard
    // go when the application gets round to it, so press until it fires.
    for (int attempt = 0; attempt < 20 && actions.calls.empty(); ++attempt) {
        run({"/usr/bin/xdotool", "key", "ctrl+alt+j"});
        spinUntil([&] { return !actions.calls.empty(); }, 1);
    }
    EXPECT_EQ(actions.calls, std::vector<std::string>{"apply #SCRUB"});
}

}  // namespace
