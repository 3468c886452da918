// Key-code lookup and key presses on the sim keyboard.

#include <gtest/gtest.h>

#include "agent/actions/CGKeyCodeLookup.h"
#include "platform/core/Log.h"
#include "platform/input/ModifierFlags.h"
#include "platform/input/VirtualKeyCodes.h"
#include "platform/linux/x11/XkbKeyboardLayout.h"
#include "platform/sim/SimKeyEvents.h"
#include "platform/sim/SimKeyboardLayout.h"
#include "platform/sim/SimProcess.h"

using namespace platform;

namespace {

class KeyCodeLookupTest : public ::testing::Test {
  public:
    ScopedLogCapture logs;
    SimWorld world;
    SimProcess& process = world.launch("com.halvik.purlane.agent");
    SimKeyboardLayout layout;
    SimKeyEvents events{world};
    CGKeyCodeLookup lookup{layout, events, process.standardUserDefaults(), process.clock()};
};

TEST_F(KeyCodeLookupTest, LookupsLowerCaseTheFirstCharacterAndMissUntypeableOnes) {
    using Key = CGKeyCodeLookup::Key;
    struct Case {
        const char* text;
        bool command;
        Key expected;
    };
    const Case cases[] = {
        {"c", true, {8, false, true}},         {"C", true, {8, false, true}},
        {"cat", false, {8, false, false}},     {"v", true, {9, false, true}},
        {"\xc3\xa9", false, {0, true, false}},  // é: no key types it here
        {"\xc3\xa9", true, {0, true, true}},   {"\xff", false, {0, true, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(lookup.keyFor(c.text, c.command), c.expected);
    }
    EXPECT_TRUE(logs.sink.printed.empty());
    EXPECT_EQ(lookup.keyFor("", true), (Key{0, true, false}));
    EXPECT_EQ(logs.sink.printed, std::vector<std::string>{"'' is invalid key char"});
}

TEST_F(KeyCodeLookupTest, TablesSortKeysByKindAndFollowTheLayoutOnlyWhenRebuilt) {
    const auto& info = lookup.info();
    EXPECT_EQ(info.specialKeys.at(0xF700), 126);
    // A later key code wins: right Command (54) gives way to Command (55), Shift (56) to right
    // Shift.
    EXPECT_EQ(info.modifierFlagKeys.at(ModifierFlags::command), VirtualKey::kCommand);
    EXPECT_EQ(info.modifierFlagKeys.at(ModifierFlags::shift), VirtualKey::kRightShift);
    EXPECT_EQ(info.characterKeys.count("\x10"), 0u);

    // A layout where "c" is typed on the physical I key (as on a Dvorak keyboard).
    layout.setKey(34, "c");
    layout.setKey(8, "j");
    EXPECT_EQ(lookup.keyFor("c", true).code, 8);
    lookup.rebuildTable();
    EXPECT_EQ(lookup.keyFor("c", true).code, 34);
}

TEST_F(KeyCodeLookupTest, PressesPostDownAndUpThenPauseByTheDelaySetting) {
    struct Case {
        int64_t delay;
        double pause;
    };
    auto& defaults = process.standardUserDefaults();
    for (const Case c : {Case{0, 0.1}, Case{2, 0.3}, Case{-7, 0.1}, Case{INT64_MAX, 5.1}}) {
        SCOPED_TRACE(c.delay);
        defaults.setInteger(CGKeyCodeLookup::kKeystrokeDelay, c.delay);
        const double before = world.now();
        events.posted.clear();
        lookup.pressKey(77, lookup.keyFor("c", true));
        EXPECT_NEAR(world.now() - before, c.pause, 1e-9);
        ASSERT_EQ(events.posted.size(), 2u);
        EXPECT_EQ(events.posted[0].pid, 77);
        EXPECT_TRUE(events.posted[0].event.down);
        EXPECT_EQ(events.posted[0].event.flags, ModifierFlags::command);
        EXPECT_FALSE(events.posted[1].event.down);
        EXPECT_EQ(events.posted[1].event.flags, 0u);
    }
}

TEST_F(KeyCodeLookupTest, NoProcessMeansTheSystemStreamAndMissingPiecesPostNothing) {
    lookup.pressKey(-1, lookup.keyFor("v", false));
    lookup.pressKey(std::nullopt, lookup.keyFor("v", false));
    ASSERT_EQ(events.posted.size(), 4u);
    for (const auto& p : events.posted) EXPECT_EQ(p.pid, -1);

    events.posted.clear();
    const double before = world.now();
    lookup.pressKey(77, lookup.keyFor("\xc3\xa9", true));  // absent: no message, no pause
    events.eventSource = false;
    lookup.pressKey(77, lookup.keyFor("c", true));
    EXPECT_TRUE(events.posted.empty());
    EXPECT_EQ(world.now(), before);
    EXPECT_EQ(logs.sink.logged, std::vector<std::string>{"Simulated Keystroke: No event source"});
}

}  // namespace

namespace {

// The table on real keymaps: Command-C is typed by another physical key on Dvorak, and AZERTY
// swaps A and Q.
TEST(KeyCodeLookupOnKeymaps, CommandKeysFollowTheLayout) {
    struct Case {
        const char* layout;
        const char* variant;
        uint16_t c, v, a, q;
    };
    const Case cases[] = {
        {"us", "", 8, 9, 0, 12},
        {"us", "dvorak", 34, 47, 0, 7},
        {"fr", "", 8, 9, 12, 0},
    };
    SimWorld world;
    SimProcess& process = world.launch("com.halvik.purlane.agent");
    SimKeyEvents events{world};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.layout) + " " + c.variant);
        auto layout = XkbKeyboardLayout::fromNames({c.layout, c.variant, "", "", ""});
        ASSERT_TRUE(layout);
        CGKeyCodeLookup lookup(*layout, events, process.standardUserDefaults(), process.clock());
        EXPECT_EQ(lookup.keyFor("C", true).code, c.c);
        EXPECT_EQ(lookup.keyFor("v", true).code, c.v);
        EXPECT_EQ(lookup.keyFor("a", true).code, c.a);
        EXPECT_EQ(lookup.keyFor("q", false).code, c.q);
        EXPECT_TRUE(lookup.keyFor("\xe2\x82\xac", false).absent);  // €: no plain key types it
    }
}

}  // namespace
