// The user's hot keys on a desktop of the test's own: a shortcut stored from the shell, pressed
// with xdotool in a real GTK field (zenity), cleans its selection through the agent and the
// sample engine of the build.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "tests/support/AgentDesktopTest.h"

using testsupport::AgentSession;
using testsupport::run;
using testsupport::RunResult;
using testsupport::Subprocess;

namespace {

constexpr const char* kAgentID = "com.halvik.purlane.agent";

// The stored form of one clean-text shortcut on Control-Option plus the key at `keycode`.
std::string shortcuts(int keycode, const std::string& cleaner) {
    return "<dict><key>list</key><array><dict>"
           "<key>uuid</key><string>A1</string>"
           "<key>keycode</key><integer>" +
           std::to_string(keycode) +
           "</integer>"
           "<key>modifiersRaw</key><integer>786432</integer>"
           "<key>group</key><string>#current</string>"
           "<key>cleaner</key><string>" +
           cleaner +
           "</string>"
           "<key>type</key><integer>0</integer>"
           "</dict></array></dict>";
}

class HotKeysOnDesktop : public testsupport::AgentDesktopTest {
  protected:
    // Stores the shortcut and waits until the agent registered it again.
    void store(int keycode, const std::string& cleaner) {
        const size_t before = hotKeyRegistrations();
        const RunResult r = session->ctl(
            {"defaults", "write", kAgentID, "agent.shortcuts", shortcuts(keycode, cleaner)});
        ASSERT_EQ(r.status, 0) << r.err;
        ASSERT_TRUE(AgentSession::waitFor([&] { return hotKeyRegistrations() > before; }))
            << agent->stderrText();
    }
};

// A combination another client holds is the X11 hot key tests' business.
TEST_F(HotKeysOnDesktop, AStoredShortcutCleansTheSelectionWhateverTheLocksAndAfterEdits) {
    store(32, "#UPPER");  // Control-Option-U
    openEditor("press me");
    xdotool({"key", "ctrl+alt+u"});
    EXPECT_TRUE(editorShows("PRESS ME")) << field->stdoutText();

    // Caps Lock and Num Lock on: the hot key fires and the copy and paste still work.
    openEditor("locked keys");
    xdotool({"key", "Caps_Lock", "Num_Lock"});
    xdotool({"key", "ctrl+alt+u"});
    const bool locked = editorShows("LOCKED KEYS");
    xdotool({"key", "Caps_Lock", "Num_Lock"});
    EXPECT_TRUE(locked) << field->stdoutText();

    // The record now names another cleaner: the next press uses it, no restart.
    store(32, "cc.shout");
    openEditor("edited");
    xdotool({"key", "ctrl+alt+u"});
    EXPECT_TRUE(editorShows("EDITED!")) << field->stdoutText();

    // On Dvorak the key at the same place types "g": the hot key stays on the key. (A Qt editor
    // here: GTK reads a Control key on a switched layout as its emoji shortcut.)
    ASSERT_EQ(run({"/usr/bin/setxkbmap", "-layout", "us", "-variant", "dvorak"}).status, 0);
    openEditor("moved layout");
    xdotool({"key", "ctrl+alt+g"});
    const bool cleaned = editorShows("MOVED LAYOUT!");
    run({"/usr/bin/setxkbmap", "-layout", "us"});
    EXPECT_TRUE(cleaned) << field->stdoutText();
}

}  // namespace
