// The recorder on a real X desktop: keys typed with xdotool reach it through the key-code map,
// and while it records it holds the keyboard, so a combination another connection has grabbed
// as a global hot key is recorded instead of fired.

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <memory>
#include <string>

#include "agent/shortcuts/MASShortcutView.h"
#include "platform/input/KeyCodeMap.h"
#include "platform/input/ModifierFlags.h"
#include "platform/sim/SimKeyboardLayout.h"
#include "platform/sim/SimSounds.h"
#include "tests/support/QtTestApp.h"
#include "tests/support/QtWidgetsApp.h"
#include "tests/support/Subprocess.h"
#include "tests/support/XDesktop.h"

using platform::ModifierFlags;

namespace {

constexpr uint16_t kU = 32;
constexpr uint64_t kControlOption = ModifierFlags::control | ModifierFlags::option;

struct AnyModifier : ShortcutChecks {
    bool isValid(const MASShortcut& s) override { return s.modifierFlags() != 0; }
    bool isTaken(const MASShortcut&, std::string&) override { return false; }
};

// Control-Alt-U grabbed on the root window by a connection of its own, as a hot key would be.
class RootGrab {
  public:
    RootGrab() : connection_(xcb_connect(nullptr, nullptr)) {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        const auto grab = xcb_grab_key_checked(
            connection_, 1, screen->root, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1,
            *platform::KeyCodeMap::x11KeyCode(kU), XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        ok_ = xcb_request_check(connection_, grab) == nullptr;
    }
    ~RootGrab() { xcb_disconnect(connection_); }
    bool ok() const { return ok_; }
    // Key presses that reached the grab since the last call.
    int presses() {
        int count = 0;
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
            if ((event->response_type & 0x7f) == XCB_KEY_PRESS) ++count;
            free(event);
        }
        return count;
    }

  private:
    xcb_connection_t* connection_;
    bool ok_ = false;
};

class ShortcutRecording : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        desktop = new testsupport::XDesktop();  // before the application, which takes DISPLAY
        if (!desktop->ready()) return;
        testsupport::ensureQtWidgetsApplication();
    }

    void SetUp() override {
        if (!desktop->ready()) GTEST_SKIP() << "no X desktop: " << desktop->error();
        view = std::make_unique<MASShortcutView>(registry, checks, layout, sounds);
        view->resize(200, 24);
        view->show();
        view->activateWindow();
        ASSERT_TRUE(testsupport::spinUntil([&] { return view->isActiveWindow(); }, 20));
    }

    static void type(const std::string& keys) {
        ASSERT_EQ(testsupport::run({"/usr/bin/xdotool", "key", keys}).status, 0);
    }

    static inline testsupport::XDesktop* desktop = nullptr;
    ShortcutRecorderRegistry registry;
    AnyModifier checks;
    platform::SimKeyboardLayout layout;
    platform::SimSounds sounds;
    std::unique_ptr<MASShortcutView> view;
};

TEST_F(ShortcutRecording, AGrabbedHotKeyIsRecordedNotFired) {
    RootGrab hotKey;
    ASSERT_TRUE(hotKey.ok());
    view->recorder().setRecording(true);
    type("ctrl+alt+u");
    ASSERT_TRUE(testsupport::spinUntil([&] { return !view->recorder().recording(); }, 20));
    EXPECT_EQ(view->recorder().shortcutValue(), MASShortcut(kU, kControlOption));
    EXPECT_EQ(hotKey.presses(), 0);

    // Once recording ends the keyboard is let go and the hot key fires again. The release
    // reaches the server when the application gets round to it, so press until it fires.
    int presses = 0;
    for (int attempt = 0; attempt < 20 && presses == 0; ++attempt) {
        type("ctrl+alt+u");
        testsupport::spinUntil([&] { return (presses += hotKey.presses()) > 0; }, 1);
    }
    EXPECT_GT(presses, 0);
}

TEST_F(ShortcutRecording, HeldModifiersShowAndEscapeKeepsTheShortcut) {
    view->recorder().setShortcutValue(MASShortcut(kU, kControlOption));
    view->recorder().setRecording(true);
    ASSERT_EQ(testsupport::run({"/usr/bin/xdotool", "keydown", "super+shift"}).status, 0);
    EXPECT_TRUE(testsupport::spinUntil(
        [&] { return view->recorder().shortcutPlaceholder() == std::optional<std::string>("⇧⌘"); },
        20));
    ASSERT_EQ(testsupport::run({"/usr/bin/xdotool", "keyup", "super+shift"}).status, 0);
    type("Escape");
    ASSERT_TRUE(testsupport::spinUntil([&] { return !view->recorder().recording(); }, 20));
    EXPECT_EQ(view->recorder().shortcutValue(), MASShortcut(kU, kControlOption));
    EXPECT_EQ(view->lastAnnouncement(), "Shortcut set");
}

}  // namespace
