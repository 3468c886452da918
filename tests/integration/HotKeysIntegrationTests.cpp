// Global hot keys on a real X server with a window manager: presses by xdotool through the XTest
// extension, lock keys on, a combination another client holds, a modifier-map change. (The key
// staying put on another layout is pressed through the agent in HotKeyIntegrationTests.)

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/input/HotKeys.h"
#include "platform/input/KeyCodeMap.h"
#include "platform/linux/x11/X11HotKeys.h"
#include "platform/linux/x11/X11SystemShortcuts.h"
#include "tests/support/Subprocess.h"
#include "tests/support/WaitFor.h"
#include "tests/support/XDesktop.h"

using namespace platform;
using testsupport::run;
using testsupport::waitFor;
using testsupport::XDesktop;

namespace {

using Calls = std::vector<std::pair<uint32_t, uint32_t>>;
constexpr uint32_t kSig = 0x4D415353;
constexpr uint16_t kU = 32, kI = 34;
constexpr uint32_t kCtrlOpt = CarbonModifier::kControl | CarbonModifier::kOption;
constexpr uint16_t ctrlAlt = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;  // kCtrlOpt on the server

void key(const std::string& keys) {
    ASSERT_EQ(run({"/usr/bin/xdotool", "key", keys}).status, 0) << keys;
}

// Another X client, holding grabs of its own.
struct OtherClient {
    OtherClient() : c(xcb_connect(nullptr, nullptr)) {
        root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    }
    ~OtherClient() { xcb_disconnect(c); }
    bool grab(uint16_t keyCode, uint16_t mask) {
        auto cookie = xcb_grab_key_checked(c, 1, root, mask, *KeyCodeMap::x11KeyCode(keyCode),
                                           XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        xcb_generic_error_t* error = xcb_request_check(c, cookie);
        free(error);
        return !error;
    }
    void ungrab(uint16_t keyCode, uint16_t mask) {
        xcb_ungrab_key(c, *KeyCodeMap::x11KeyCode(keyCode), root, mask);
        xcb_flush(c);
    }
    // The server's modifier state of the moment.
    uint16_t modifierState() {
        auto* r = xcb_query_pointer_reply(c, xcb_query_pointer(c, root), nullptr);
        const uint16_t mask = r ? r->mask & 0xff : 0;
        free(r);
        return mask;
    }
    xcb_connection_t* c;
    xcb_window_t root;
};

class HotKeysOnX11 : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(desktop.ready()) << desktop.error();
        ASSERT_EQ(run({"/usr/bin/setxkbmap", "-layout", "us"}).status, 0);
        // The handler runs on the key thread here: the test's "main queue" is a locked list.
        hotKeys = X11HotKeys::open([](std::function<void()> task) { task(); });
        ASSERT_TRUE(hotKeys);
        hotKeys->setHandler([this](uint32_t sig, uint32_t id) {
            std::lock_guard lock(mutex);
            calls.emplace_back(sig, id);
        });
    }
    HotKeys::Ref add(uint16_t keyCode, uint32_t mods, uint32_t id,
                     int expected = HotKeyStatus::kNoErr) {
        HotKeys::Ref ref = 0;
        EXPECT_EQ(hotKeys->registerHotKey(keyCode, mods, kSig, id, ref), expected);
        return ref;
    }
    Calls seen() {
        std::lock_guard lock(mutex);
        return calls;
    }
    bool seenCount(size_t n) {
        return waitFor([&] { return seen().size() >= n; });
    }

    XDesktop desktop;
    std::unique_ptr<X11HotKeys> hotKeys;
    std::mutex mutex;
    Calls calls;
};

}  // namespace

TEST_F(HotKeysOnX11, ExactCombinationFiresWithItsIdentifierUntilUnregistered) {
    EXPECT_TRUE(hotKeys->detectsAutoRepeat());
    const auto first = add(kU, kCtrlOpt, 1);
    const auto replacement = add(kU, kCtrlOpt, 2);
    add(kI, kCtrlOpt, 3);
    // Unregistering the first registration of a key keeps its replacement's grab.
    hotKeys->unregisterHotKey(first);
    // Near misses first: had any fired, it would be seen before the presses that follow.
    key("ctrl+u");
    key("alt+u");
    key("ctrl+alt+shift+u");
    key("ctrl+alt+u");
    key("ctrl+alt+i");
    ASSERT_TRUE(seenCount(2));
    hotKeys->unregisterHotKey(replacement);
    key("ctrl+alt+u");
    key("ctrl+alt+i");
    ASSERT_TRUE(seenCount(3));
    EXPECT_EQ(seen(), (Calls{{kSig, 2}, {kSig, 3}, {kSig, 3}}));
    OtherClient other;
    EXPECT_TRUE(other.grab(kU, ctrlAlt)) << "unregistering let the grab go";
}

TEST_F(HotKeysOnX11, FiresWhateverLocksAreOn) {
    OtherClient probe;
    add(kU, kCtrlOpt, 1);
    // Caps Lock, then Num Lock as well, then Num Lock alone.
    size_t presses = 0;
    for (const char* lock : {"Caps_Lock", "Num_Lock", "Caps_Lock"}) {
        const uint16_t before = probe.modifierState();
        key(lock);
        ASSERT_TRUE(waitFor([&] { return probe.modifierState() != before; })) << lock;
        key("ctrl+alt+u");
        ASSERT_TRUE(seenCount(++presses)) << lock;
    }
    EXPECT_EQ(seen(), Calls(3, {kSig, 1}));
}

TEST_F(HotKeysOnX11, CombinationHeldElsewhereIsRefusedWithNothingLeftGrabbed) {
    OtherClient other;
    // Only the Num Lock variant is the other client's, so the plain one is grabbed first and
    // must be let go again.
    ASSERT_TRUE(other.grab(kU, ctrlAlt | XCB_MOD_MASK_2));
    add(kU, kCtrlOpt, 1, HotKeyStatus::kEventHotKeyExistsErr);
    X11SystemShortcuts system(*hotKeys);
    EXPECT_TRUE(system.isTaken(kU, kCtrlOpt));
    EXPECT_FALSE(system.isTaken(kU, CarbonModifier::kControl));
    {
        OtherClient third;
        EXPECT_TRUE(third.grab(kU, ctrlAlt)) << "a refused registration left a grab behind";
        EXPECT_TRUE(third.grab(kU, ctrlAlt | XCB_MOD_MASK_LOCK));
    }
    other.ungrab(kU, ctrlAlt | XCB_MOD_MASK_2);
    EXPECT_FALSE(system.isTaken(kU, kCtrlOpt));
    add(kU, kCtrlOpt, 2);
    // Our own registration is never the system's, and the probe leaves it in place.
    EXPECT_FALSE(system.isTaken(kU, kCtrlOpt));
    EXPECT_FALSE(other.grab(kU, ctrlAlt));
    key("ctrl+alt+u");
    ASSERT_TRUE(seenCount(1));
    EXPECT_EQ(seen(), (Calls{{kSig, 2}}));
}

TEST_F(HotKeysOnX11, ModifierMapChangeRegrabsWithTheNewBits) {
    add(kU, CarbonModifier::kCmd, 1);
    key("super+u");
    ASSERT_TRUE(seenCount(1));
    // Super moves from Mod4 to Mod3.
    OtherClient other;
    auto* map = xcb_get_modifier_mapping_reply(other.c, xcb_get_modifier_mapping(other.c), nullptr);
    ASSERT_TRUE(map);
    const int per = map->keycodes_per_modifier;
    std::vector<xcb_keycode_t> codes(xcb_get_modifier_mapping_keycodes(map),
                                     xcb_get_modifier_mapping_keycodes(map) + 8 * per);
    free(map);
    for (int k = 0; k < per; ++k) std::swap(codes[5 * per + k], codes[6 * per + k]);
    auto* set = xcb_set_modifier_mapping_reply(
        other.c, xcb_set_modifier_mapping(other.c, static_cast<uint8_t>(per), codes.data()),
        nullptr);
    ASSERT_TRUE(set && set->status == XCB_MAPPING_STATUS_SUCCESS);
    free(set);
    // The re-grab follows the server's notice; press until it is in place.
    EXPECT_TRUE(waitFor([&] {
        run({"/usr/bin/xdotool", "key", "super+u"});
        return seen().size() >= 2;
    }));
    EXPECT_FALSE(other.grab(kU, XCB_MOD_MASK_3)) << "not grabbed with the new Super bit";
    EXPECT_TRUE(other.grab(kU, XCB_MOD_MASK_4)) << "the old grab is still held";
}
