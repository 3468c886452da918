#include <gtest/gtest.h>

#include "agent/shortcuts/MASShortcut.h"
#include "agent/shortcuts/MASShortcutMonitor.h"
#include "platform/input/ModifierFlags.h"
#include "platform/sim/SimKeyboardLayout.h"
#include "platform/sim/SimWorld.h"
#include "tests/agent/shortcuts/FakeHotKeys.h"

using platform::ModifierFlags;
using platform::PropertyList;

namespace {

constexpr uint64_t kShift = ModifierFlags::shift;
constexpr uint64_t kControl = ModifierFlags::control;
constexpr uint64_t kOption = ModifierFlags::option;
constexpr uint64_t kCommand = ModifierFlags::command;
constexpr int64_t kNotFound = MASShortcut::kNotFound;

TEST(MASShortcut, KeepsOnlyTheFourDeviceIndependentModifiers) {
    const struct {
        uint64_t given;
        uint64_t kept;
    } cases[] = {
        {kCommand | ModifierFlags::capsLock, kCommand},
        {kShift | ModifierFlags::function, kShift},
        {kControl | kOption | 0x1 | 0x8 | 0x100, kControl | kOption},
        {kShift | kControl | kOption | kCommand | 0xFFFFFFFF00000000, 0x1E0000},
        {ModifierFlags::capsLock | ModifierFlags::function, 0},
    };
    for (const auto& c : cases) {
        const MASShortcut shortcut(0, c.given);
        EXPECT_EQ(shortcut.modifierFlags(), c.kept) << std::hex << c.given;
        EXPECT_EQ(shortcut, MASShortcut(0, c.kept));
        EXPECT_EQ(std::hash<MASShortcut>()(shortcut), std::hash<MASShortcut>()({0, c.kept}));
    }
}

TEST(MASShortcut, CarbonCodeAndFlags) {
    const struct {
        int64_t keyCode;
        uint64_t flags;
        uint32_t carbonKeyCode;
        uint32_t carbonFlags;
    } cases[] = {
        {0, kCommand, 0, 0x100},
        {49, kShift, 49, 0x200},
        {53, kOption, 53, 0x800},
        {122, kControl, 122, 0x1000},
        {32, kShift | kControl | kOption | kCommand, 32, 0x1B00},
        {kNotFound, ModifierFlags::capsLock, 0, 0},
    };
    for (const auto& c : cases) {
        const MASShortcut shortcut(c.keyCode, c.flags);
        EXPECT_EQ(shortcut.carbonKeyCode(), c.carbonKeyCode) << c.keyCode;
        EXPECT_EQ(shortcut.carbonFlags(), c.carbonFlags) << c.keyCode;
    }
}

TEST(MASShortcut, CodingWritesMinusOneForNoKeyAndClampsOnReading) {
    const MASShortcut none(kNotFound, kCommand);
    const PropertyList::Dictionary coded = none.encode();
    EXPECT_EQ(coded, (PropertyList::Dictionary{{"KeyCode", -1}, {"ModifierFlags", 0x100000}}));
    EXPECT_EQ(MASShortcut::decode(coded), none);
    EXPECT_EQ(MASShortcut(32, kShift | kCommand).encode(),
              (PropertyList::Dictionary{{"KeyCode", 32}, {"ModifierFlags", 0x120000}}));

    const struct {
        PropertyList::Dictionary coded;
        int64_t keyCode;
        uint64_t flags;
    } cases[] = {
        {{{"KeyCode", 32}, {"ModifierFlags", 0x120000}}, 32, 0x120000},
        {{{"KeyCode", -7}, {"ModifierFlags", 0}}, kNotFound, 0},
        // Stored flags are not masked again.
        {{{"KeyCode", 1}, {"ModifierFlags", 0x130001}}, 1, 0x130001},
        {{}, 0, 0},
    };
    for (const auto& c : cases) {
        const MASShortcut decoded = MASShortcut::decode(c.coded);
        EXPECT_EQ(decoded.keyCode(), c.keyCode);
        EXPECT_EQ(decoded.modifierFlags(), c.flags);
    }
}

TEST(MASShortcut, ModifierGlyphsInTheFixedOrder) {
    const struct {
        uint64_t flags;
        const char* glyphs;
    } cases[] = {
        {0, ""},
        {kCommand | kShift, "⇧⌘"},
        {kCommand | kOption, "⌥⌘"},
        {kShift | kControl | kOption | kCommand, "⌃⌥⇧⌘"},
        {kControl | ModifierFlags::capsLock, "⌃"},
    };
    for (const auto& c : cases) EXPECT_EQ(MASShortcut(0, c.flags).modifierFlagsString(), c.glyphs);
}

class KeyNames : public testing::Test {
  protected:
    platform::SimKeyboardLayout layout;
};

TEST_F(KeyNames, FixedNamesAndLayoutNames) {
    layout.setKey(6, "ß");
    layout.setKey(7, "é");
    layout.setKey(8, "\x01");     // a control character: no name
    layout.setKey(9, "a\u200B");  // a format character among letters: no name
    platform::KeyTranslation cyrillic;
    cyrillic.characters = "ф";
    cyrillic.commandCharacters = "a";  // the Latin group's character
    layout.setKey(11, cyrillic);
    platform::KeyTranslation noCommand;
    noCommand.characters = "q";
    layout.setKey(12, noCommand);

    // Fixed glyphs and names; then the layout's, symbols included, upper-cased; then F20 and a
    // code past the keyboard, which the layout has neither of.
    const struct {
        int64_t keyCode;
        const char* name;
    } cases[] = {{36, "↩"},   {48, "⇥"},  {49, "Space"}, {51, "⌫"},       {53, "⎋"},  {65, "."},
                 {67, "*"},   {69, "+"},  {71, "⌧"},     {75, "/"},       {76, "⌅"},  {78, "–"},
                 {81, "="},   {82, "0"},  {89, "7"},     {91, "8"},       {92, "9"},  {114, "?"},
                 {115, "↖"},  {116, "⇞"}, {117, "⌦"},    {119, "↘"},      {121, "⇟"}, {123, "←"},
                 {124, "→"},  {125, "↓"}, {126, "↑"},    {122, "F1"},     {96, "F5"}, {64, "F17"},
                 {80, "F19"}, {0, "A"},   {27, "-"},     {29, "0"},       {42, "\\"}, {24, "="},
                 {50, "`"},   {6, "SS"},  {7, "É"},      {8, ""},         {9, ""},    {11, "A"},
                 {12, ""},    {90, ""},   {300, ""},     {kNotFound, ""}, {-1, ""}};
    for (const auto& c : cases)
        EXPECT_EQ(MASShortcut(c.keyCode, 0).keyCodeString(layout), c.name) << c.keyCode;
}

TEST_F(KeyNames, KeyEquivalents) {
    layout.setKey(1, "ab");
    const struct {
        int64_t keyCode;
        const char* equivalent;
    } cases[] = {
        {49, " "},      {96, "\uF708"},  {122, "\uF704"}, {80, "\uF716"}, {64, "\uF714"},  {0, "a"},
        {36, "\u21A9"}, {116, "\u21DE"}, {27, "-"},       {1, ""},        {kNotFound, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MASShortcut(c.keyCode, kCommand).keyCodeStringForKeyEquivalent(layout),
                  c.equivalent)
            << c.keyCode;
    }
}

TEST_F(KeyNames, DescriptionIsGlyphsThenName) {
    EXPECT_EQ(MASShortcut(9, kControl | kOption | kCommand).description(layout), "⌃⌥⌘V");
    EXPECT_EQ(MASShortcut(49, kShift | kCommand).description(layout), "⇧⌘Space");
    EXPECT_EQ(MASShortcut(96, 0).description(layout), "F5");
    EXPECT_EQ(MASShortcut(kNotFound, kCommand).description(layout), "⌘");
}

class Monitor : public testing::Test {
  protected:
    // The last registration the service holds for `id`, or nullptr.
    const FakeHotKeys::Registration* registration(uint32_t id) const {
        for (const auto& [ref, r] : hotKeys.live)
            if (r.id == id) return &r;
        return nullptr;
    }
    MASShortcutMonitor::Action count(int& counter) {
        return [&counter] { ++counter; };
    }
    // Hot key `id` of the monitor's signature pressed, and the main queue run.
    void press(uint32_t id) {
        hotKeys.press(kSignature, id);
        world.runUntilIdle();
    }
    static constexpr uint32_t kSignature = 0x4D415353;  // 'MASS'

    platform::SimWorld world;
    platform::SimMainQueue mainQueue{world};
    FakeHotKeys hotKeys;
    MASShortcutMonitor monitor{hotKeys, mainQueue};
};

TEST_F(Monitor, RegistersWithIdsFromOneAndTheMASSSignature) {
    int fired = 0;
    ASSERT_TRUE(monitor.registerShortcut({32, kControl | kOption}, count(fired)));
    ASSERT_TRUE(monitor.registerShortcut({96, 0}, count(fired)));
    ASSERT_EQ(hotKeys.live.size(), 2u);
    const auto* first = registration(1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->signature, kSignature);
    EXPECT_EQ(first->keyCode, 32);
    EXPECT_EQ(first->modifiers, 0x1800u);
    ASSERT_NE(registration(2), nullptr);
    EXPECT_EQ(registration(2)->keyCode, 96);
    EXPECT_TRUE(monitor.isShortcutRegistered({32, kControl | kOption | ModifierFlags::capsLock}));
    EXPECT_FALSE(monitor.isShortcutRegistered({32, kControl}));
}

TEST_F(Monitor, APressRunsOnlyItsOwnActionLaterOnTheMainQueue) {
    int first = 0, second = 0;
    monitor.registerShortcut({32, kCommand}, count(first));
    monitor.registerShortcut({33, kCommand}, count(second));
    hotKeys.press(0x4D415354, 1);  // 'MAST'
    hotKeys.press(0, 1);
    press(99);
    EXPECT_EQ(first + second, 0) << "another signature or an unknown id ran an action";
    hotKeys.press(kSignature, 2);
    EXPECT_EQ(second, 0) << "ran inside the hot-key callback";
    world.runUntilIdle();
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1);
    // Queued before unregistering: it still runs.
    hotKeys.press(kSignature, 1);
    monitor.unregisterAllShortcuts();
    world.runUntilIdle();
    EXPECT_EQ(first, 1);
}

TEST_F(Monitor, AnEqualShortcutRegisteredAgainKeepsOnlyTheNewer) {
    int older = 0, newer = 0;
    monitor.registerShortcut({32, kCommand}, count(older));
    monitor.registerShortcut({32, kCommand | ModifierFlags::function}, count(newer));
    ASSERT_EQ(hotKeys.live.size(), 1u);
    EXPECT_EQ(registration(1), nullptr);
    ASSERT_NE(registration(2), nullptr);
    press(1);
    press(2);
    EXPECT_EQ(older, 0);
    EXPECT_EQ(newer, 1);
}

TEST_F(Monitor, ARefusedCombinationKeepsNothingAndItsIdIsNotReused) {
    int fired = 0;
    hotKeys.refused.insert({32, 0x100});
    EXPECT_FALSE(monitor.registerShortcut({32, kCommand}, count(fired)));
    EXPECT_FALSE(monitor.isShortcutRegistered({32, kCommand}));
    EXPECT_TRUE(hotKeys.live.empty());
    ASSERT_TRUE(monitor.registerShortcut({33, kCommand}, count(fired)));
    EXPECT_NE(registration(2), nullptr);
}

TEST_F(Monitor, UnregisteringReleasesTheSystemRegistration) {
    int fired = 0;
    monitor.registerShortcut({32, kCommand}, count(fired));
    monitor.registerShortcut({33, kCommand}, count(fired));
    monitor.registerShortcut({34, kCommand}, count(fired));
    monitor.unregisterShortcut({33, kCommand});
    monitor.unregisterShortcut({35, kCommand});
    EXPECT_FALSE(monitor.isShortcutRegistered({33, kCommand}));
    EXPECT_EQ(registration(2), nullptr);
    EXPECT_EQ(hotKeys.live.size(), 2u);
    press(2);
    EXPECT_EQ(fired, 0);

    monitor.unregisterAllShortcuts();
    EXPECT_TRUE(hotKeys.live.empty());
    EXPECT_FALSE(monitor.isShortcutRegistered({32, kCommand}));
}

TEST(MonitorLifetime, DestroyingTheMonitorReleasesEverything) {
    platform::SimWorld world;
    platform::SimMainQueue mainQueue{world};
    FakeHotKeys hotKeys;
    {
        MASShortcutMonitor monitor(hotKeys, mainQueue);
        monitor.registerShortcut({32, kCommand}, [] {});
        ASSERT_TRUE(hotKeys.handler);
    }
    EXPECT_TRUE(hotKeys.live.empty());
    EXPECT_FALSE(hotKeys.handler);
}

}  // namespace
