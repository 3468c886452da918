// Synthetic keys on a real X server with a window manager: typing into and copying from a GTK
// field of another program (zenity), with a modifier held, on Dvorak and on a Cyrillic group.

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <thread>

#include "platform/core/Utf8.h"
#include "platform/input/KeyCodeMap.h"
#include "platform/input/ModifierFlags.h"
#include "platform/linux/x11/X11KeyTarget.h"
#include "platform/linux/x11/XTestKeyEvents.h"
#include "platform/linux/x11/XkbKeyboardLayout.h"
#include "tests/support/Subprocess.h"
#include "tests/support/XDesktop.h"

using namespace platform;
using testsupport::run;
using testsupport::Subprocess;
using testsupport::XDesktop;

namespace {

bool waitFor(const std::function<bool()>& done, double seconds = 20) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(int(seconds * 1000));
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return done();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::string clipboard() {
    return run({"/usr/bin/xclip", "-o", "-selection", "clipboard"}, {}, 5).out;
}

class Keyboard : public testing::Test {
  protected:
    // A desktop of the suite's own: layouts switched here never reach other tests.
    static void SetUpTestSuite() {
        desktop = new XDesktop();
        if (!desktop->ready()) return;
        connection = xcb_connect(nullptr, nullptr);
        root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        target = new X11KeyTarget(connection, root);
        run({"/usr/bin/setxkbmap", "-layout", "us"});
    }
    static void TearDownTestSuite() {
        delete target;
        target = nullptr;
        if (connection) xcb_disconnect(connection);
        connection = nullptr;
        delete desktop;
        desktop = nullptr;
    }
    static bool hasWindowManager() {
        const char* name = "_NET_SUPPORTING_WM_CHECK";
        auto* atom = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, strlen(name), name), nullptr);
        auto* prop = xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, root, atom->atom, XCB_ATOM_WINDOW, 0, 1),
            nullptr);
        const bool found = prop && xcb_get_property_value_length(prop) == 4;
        free(atom);
        free(prop);
        return found;
    }

    void SetUp() override {
        ASSERT_TRUE(desktop->ready()) << desktop->error();
        ASSERT_TRUE(hasWindowManager()) << "openbox did not start";
        run({"/usr/bin/setxkbmap", "-layout", "us"});
        layout = XkbKeyboardLayout::fromDisplay();
        ASSERT_TRUE(layout);
        events = std::make_unique<XTestKeyEvents>(*layout, [] { return PropertyList(); });
        ASSERT_TRUE(events->hasEventSource());
        field = std::make_unique<Subprocess>(
            std::vector<std::string>{"/usr/bin/zenity", "--entry", "--text=type here"});
        ASSERT_TRUE(waitFor([&] { return target->windowOfProcess(field->pid()).has_value(); }))
            << field->stderrText();
    }
    void TearDown() override {
        field.reset();
        events.reset();
        layout.reset();
    }

    void press(uint16_t code, uint64_t flags = 0) {
        events->postToPid(field->pid(), {code, true, flags});
        events->postToPid(field->pid(), {code, false, 0});
    }
    // Types `text` with the keys that type its characters in the current group, without
    // modifiers, as the key-code table finds them.
    void type(const std::string& text) {
        std::map<std::string, uint16_t> keys;
        for (uint16_t code = 0; code < 128; ++code) {
            const auto t = layout->translate(code);
            if (t && !t->specialKey && t->characters) keys[*t->characters] = code;
        }
        size_t i = 0;
        char32_t c = 0;
        while (i < text.size()) {
            const size_t start = i;
            ASSERT_TRUE(Utf8::next(text, i, c));
            const auto key = keys.find(text.substr(start, i - start));
            ASSERT_NE(key, keys.end()) << text.substr(start, i - start);
            press(key->second);
        }
    }
    std::optional<uint16_t> commandKey(const std::string& character) {
        std::optional<uint16_t> found;
        for (uint16_t code = 0; code < 128; ++code) {
            const auto t = layout->translate(code);
            if (t && !t->specialKey && t->commandCharacters == character) found = code;
        }
        return found;
    }
    // Replaces the field's text with `text`, selects it and copies it.
    void replaceSelectAndCopy(const std::string& text) {
        const auto a = commandKey("a");
        const auto c = commandKey("c");
        ASSERT_TRUE(a && c);
        press(*a, ModifierFlags::command);
        type(text);
        press(*a, ModifierFlags::command);
        press(*c, ModifierFlags::command);
    }
    bool keyDown(uint8_t key) {
        auto* keymap = xcb_query_keymap_reply(connection, xcb_query_keymap(connection), nullptr);
        const bool down = keymap && (keymap->keys[key / 8] & (1 << (key % 8)));
        free(keymap);
        return down;
    }

    static inline xcb_connection_t* connection = nullptr;
    static inline uint32_t root = 0;
    static inline X11KeyTarget* target = nullptr;
    static inline XDesktop* desktop = nullptr;
    std::unique_ptr<XkbKeyboardLayout> layout;
    std::unique_ptr<XTestKeyEvents> events;
    std::unique_ptr<Subprocess> field;
};

}  // namespace

TEST_F(Keyboard, CommandKeysSelectAndCopyInAForeignGtkField) {
    replaceSelectAndCopy("hello world");
    EXPECT_TRUE(waitFor([] { return clipboard() == "hello world"; })) << clipboard();
    const auto active = target->activeWindow();
    EXPECT_EQ(active, target->windowOfProcess(field->pid()));
}

TEST_F(Keyboard, AHeldAltKeyIsLetGoForTheCopyAndPressedAgainAfter) {
    const uint8_t alt = *KeyCodeMap::x11KeyCode(58);
    ASSERT_EQ(run({"/usr/bin/xdotool", "keydown", "alt"}).status, 0);
    ASSERT_TRUE(waitFor([&] { return keyDown(alt); }));
    replaceSelectAndCopy("alt held");
    const bool stillHeld = keyDown(alt);
    run({"/usr/bin/xdotool", "keyup", "alt"});
    EXPECT_TRUE(waitFor([] { return clipboard() == "alt held"; })) << clipboard();
    EXPECT_TRUE(stillHeld);
}

TEST_F(Keyboard, CopyWorksOnDvorak) {
    ASSERT_EQ(run({"/usr/bin/setxkbmap", "-layout", "us", "-variant", "dvorak"}).status, 0);
    ASSERT_TRUE(waitFor([&] {
        const auto t = layout->translate(34);
        return t && t->characters == "c";
    }));
    EXPECT_EQ(commandKey("c"), 34);
    replaceSelectAndCopy("dvorak keys");
    EXPECT_TRUE(waitFor([] { return clipboard() == "dvorak keys"; })) << clipboard();
}

TEST_F(Keyboard, CopyWorksWhileTheGroupIsCyrillic) {
    // The Cyrillic group is the first and current one; the Latin group comes second.
    ASSERT_EQ(run({"/usr/bin/setxkbmap", "-layout", "ru,us"}).status, 0);
    ASSERT_TRUE(waitFor([&] { return layout->commandGroup() == 1u; }));
    EXPECT_EQ(layout->currentGroup(), 0u);
    replaceSelectAndCopy("\xd0\xbf\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82");  // привет
    EXPECT_TRUE(waitFor([] {
        return clipboard() == "\xd0\xbf\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82";
    })) << clipboard();
    // The user's group comes back after each Command key.
    EXPECT_TRUE(waitFor([&] { return layout->currentGroup() == 0u; }));
}
