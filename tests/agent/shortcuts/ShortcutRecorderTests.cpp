#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "agent/shortcuts/ShortcutRecorder.h"
#include "platform/input/ModifierFlags.h"
#include "platform/sim/SimKeyboardLayout.h"
#include "platform/sim/SimSounds.h"

using platform::ModifierFlags;
using KeyResult = ShortcutRecorder::KeyResult;

namespace {

constexpr uint64_t kShift = ModifierFlags::shift;
constexpr uint64_t kControl = ModifierFlags::control;
constexpr uint64_t kOption = ModifierFlags::option;
constexpr uint64_t kCommand = ModifierFlags::command;
constexpr uint16_t kA = 0, kU = 32, kS = 1, kW = 13, kQ = 12, kTab = 48, kDelete = 51,
                   kForwardDelete = 117, kEscape = 53, kF5 = 96, kCommandKey = 55, kShiftKey = 56;
const std::string kTakenExplanation = "Used by the desktop.";

// Combinations with Command or Control, and function keys, are usable; `taken` ones collide.
struct TableChecks : ShortcutChecks {
    bool isValid(const MASShortcut& s) override {
        return (s.modifierFlags() & (kCommand | kControl)) || s.keyCode() == kF5;
    }
    bool isTaken(const MASShortcut& s, std::string& explanation) override {
        if (!taken.count(s)) return false;
        explanation = kTakenExplanation;
        return true;
    }
    std::unordered_set<MASShortcut> taken;
};

class ShortcutRecorderTest : public testing::Test {
  protected:
    ShortcutRecorderTest() { watch(recorder); }

    void watch(ShortcutRecorder& r) {
        r.shortcutValueChange = [this](ShortcutRecorder&) { ++valueChanges; };
        r.showAlert = [this](const ShortcutRecorder::Alert& alert) { alerts.push_back(alert); };
        r.announce = [this](const std::string& text, int priority) {
            announcements.push_back(text);
            EXPECT_EQ(priority, 90);
        };
    }
    KeyResult press(uint16_t code, uint64_t flags = 0) {
        return recorder.handleKeyEvent(code, flags, false);
    }
    void startWith(std::optional<MASShortcut> value) {
        recorder.setShortcutValue(value);
        recorder.setRecording(true);
        valueChanges = 0;
    }

    ShortcutRecorderRegistry registry;
    TableChecks checks;
    platform::SimKeyboardLayout layout;
    platform::SimSounds sounds;
    ShortcutRecorder recorder{registry, checks, layout, sounds};
    int valueChanges = 0;
    std::vector<ShortcutRecorder::Alert> alerts;
    std::vector<std::string> announcements;
};

TEST_F(ShortcutRecorderTest, KeysWhileRecording) {
    const MASShortcut old(kU, kControl | kOption);
    const auto pass = KeyResult::PassThrough, swallow = KeyResult::Swallow;
    const std::vector<std::string> none, set{"Shortcut set"}, cleared{"Shortcut cleared"};
    const struct {
        const char* what;
        uint16_t code;
        uint64_t flags;
        KeyResult result;
        bool recordingAfter;
        std::optional<MASShortcut> valueAfter;
        int beeps;
        const std::vector<std::string>& announced;
    } cases[] = {
        {"Tab passes", kTab, 0, pass, true, old, 0, none},
        {"Shift-Tab passes", kTab, kShift, pass, true, old, 0, none},
        {"Delete clears", kDelete, 0, swallow, false, std::nullopt, 0, cleared},
        {"Forward Delete clears", kForwardDelete, 0, swallow, false, std::nullopt, 0, cleared},
        {"Escape keeps", kEscape, 0, swallow, false, old, 0, set},
        {"Command-W stops and passes", kW, kCommand, pass, false, old, 0, set},
        {"Command-Q stops and passes", kQ, kCommand, pass, false, old, 0, set},
        {"Command-Shift-W is recorded", kW, kCommand | kShift, swallow, false,
         MASShortcut(kW, kCommand | kShift), 0, set},
        {"A alone beeps", kA, 0, swallow, true, old, 1, none},
        {"Option-A beeps", kA, kOption, swallow, true, old, 1, none},
        {"Shift-Delete is a key like any other", kDelete, kShift, swallow, true, old, 1, none},
        {"valid sets and stops", kA, kControl | ModifierFlags::capsLock, swallow, false,
         MASShortcut(kA, kControl), 0, set},
        {"F5 alone sets", kF5, 0, swallow, false, MASShortcut(kF5, 0), 0, set},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        startWith(old);
        sounds.beeps = 0;
        announcements.clear();
        EXPECT_EQ(press(c.code, c.flags), c.result);
        EXPECT_EQ(recorder.recording(), c.recordingAfter);
        EXPECT_EQ(recorder.shortcutValue(), c.valueAfter);
        EXPECT_EQ(valueChanges, c.valueAfter == old ? 0 : 1);
        EXPECT_EQ(sounds.beeps, c.beeps);
        EXPECT_EQ(announcements, c.announced);
        EXPECT_EQ(registry.recording(), c.recordingAfter ? &recorder : nullptr);
        recorder.setRecording(false);
    }
    EXPECT_TRUE(alerts.empty());
}

TEST_F(ShortcutRecorderTest, TakenCombinationAlertsWithItsDescriptionAndClearsThePlaceholder) {
    const MASShortcut taken(kS, kCommand | kShift);
    checks.taken.insert(taken);
    startWith(std::nullopt);
    recorder.handleKeyEvent(kShiftKey, kCommand | kShift, true);
    ASSERT_EQ(recorder.shortcutPlaceholder(), "⇧⌘");
    // Keys reaching the recorder while the alert is up are not recorded.
    recorder.showAlert = [&](const ShortcutRecorder::Alert& alert) {
        alerts.push_back(alert);
        EXPECT_EQ(recorder.handleKeyEvent(kEscape, 0, false), KeyResult::PassThrough);
        recorder.windowResignedKey();
    };
    EXPECT_EQ(press(kS, kCommand | kShift), KeyResult::Swallow);
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].messageText, "The key combination ⇧⌘S cannot be used");
    EXPECT_EQ(alerts[0].informativeText, kTakenExplanation);
    EXPECT_EQ(alerts[0].button, "OK");
    EXPECT_TRUE(recorder.recording());
    EXPECT_FALSE(recorder.shortcutPlaceholder());
    EXPECT_EQ(recorder.shortcutValue(), std::nullopt);
    EXPECT_EQ(valueChanges, 0);
    // Still recording: the next usable combination is taken.
    EXPECT_EQ(press(kS, kCommand), KeyResult::Swallow);
    EXPECT_EQ(recorder.shortcutValue(), MASShortcut(kS, kCommand));
}

TEST_F(ShortcutRecorderTest, ModifiersAloneShowAsPlaceholder) {
    startWith(std::nullopt);
    const struct {
        uint16_t code;
        uint64_t flags;
        std::optional<std::string> placeholder;
        std::string title;
    } steps[] = {
        {kCommandKey, kCommand, "⌘", "⌘"},
        {kShiftKey, kCommand | kShift, "⇧⌘", "⇧⌘"},
        {kShiftKey, kCommand | kShift | ModifierFlags::capsLock, "⇧⌘", "⇧⌘"},
        {kCommandKey, kShift, "⇧", "⇧"},
        {kShiftKey, 0, std::nullopt, "Type Shortcut"},
    };
    for (const auto& s : steps) {
        EXPECT_EQ(recorder.handleKeyEvent(s.code, s.flags, true), KeyResult::Swallow);
        EXPECT_EQ(recorder.shortcutPlaceholder(), s.placeholder);
        EXPECT_EQ(recorder.shortcutTitle(), s.title);
    }
    EXPECT_TRUE(recorder.recording());
    recorder.handleKeyEvent(kCommandKey, kCommand | kControl, true);
    recorder.setRecording(false);
    EXPECT_FALSE(recorder.shortcutPlaceholder()) << "leaving recording forgets the placeholder";
}

TEST_F(ShortcutRecorderTest, Clicks) {
    const ShortcutRecorder::Rect bounds{0, 0, 150, 22};  // hint rectangle from x = 127
    const MASShortcut set(kU, kControl);
    const struct {
        const char* what;
        std::optional<MASShortcut> value;
        bool recording;
        double x;
        bool recordingAfter;
        std::optional<MASShortcut> valueAfter;
    } cases[] = {
        {"empty: anywhere records", std::nullopt, false, 140, true, std::nullopt},
        {"set: the shortcut area records", set, false, 126, true, set},
        {"set: the hint deletes", set, false, 127, false, std::nullopt},
        {"recording: the hint cancels", set, true, 149, false, set},
        {"recording: elsewhere nothing", set, true, 10, true, set},
        {"recording empty: the hint cancels", std::nullopt, true, 130, false, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        recorder.setShortcutValue(c.value);
        recorder.setRecording(c.recording);
        EXPECT_TRUE(recorder.mouseDown(c.x, 11, bounds));
        EXPECT_EQ(recorder.recording(), c.recordingAfter);
        EXPECT_EQ(recorder.shortcutValue(), c.valueAfter);
        recorder.setRecording(false);
    }
}

TEST_F(ShortcutRecorderTest, DisabledRecorderNeitherRecordsNorTakesClicks) {
    recorder.setRecording(true);
    recorder.setEnabled(false);
    EXPECT_FALSE(recorder.recording()) << "disabling stops recording";
    EXPECT_FALSE(recorder.mouseDown(5, 5, {0, 0, 150, 22}));
    recorder.setRecording(true);
    EXPECT_FALSE(recorder.accessibilityPress());
    EXPECT_FALSE(recorder.recording());
    EXPECT_EQ(registry.recording(), nullptr);
    recorder.setEnabled(true);
    EXPECT_TRUE(recorder.accessibilityPress());
    EXPECT_FALSE(recorder.accessibilityPress()) << "refused while recording";
    recorder.windowResignedKey();
    EXPECT_FALSE(recorder.recording());
}

TEST_F(ShortcutRecorderTest, OnlyTheOneRecorderRecordingTakesKeys) {
    EXPECT_EQ(press(kDelete), KeyResult::PassThrough) << "not recording";
    ShortcutRecorder second(registry, checks, layout, sounds);
    watch(second);
    recorder.setRecording(true);
    second.setRecording(true);
    EXPECT_FALSE(recorder.recording());
    EXPECT_TRUE(second.recording());
    EXPECT_EQ(registry.recording(), &second);
    EXPECT_EQ(announcements, std::vector<std::string>{"Shortcut cleared"});
    EXPECT_EQ(press(kA, kCommand), KeyResult::PassThrough) << "the first no longer records";
    EXPECT_EQ(recorder.shortcutValue(), std::nullopt);
    {
        ShortcutRecorder third(registry, checks, layout, sounds);
        third.setRecording(true);
        EXPECT_FALSE(second.recording());
    }
    EXPECT_EQ(registry.recording(), nullptr) << "a destroyed recorder leaves no trace";
}

TEST_F(ShortcutRecorderTest, TitlesPerState) {
    const MASShortcut set(kU, kControl | kOption);
    const struct {
        std::optional<MASShortcut> value;
        bool recording, hinting, showsDelete;
        std::optional<uint64_t> held;
        std::string shortcutTitle, hintTitle;
    } cases[] = {
        {set, false, false, true, {}, "⌃⌥U", "✕"},
        {set, false, true, false, {}, "⌃⌥U", ""},
        {set, true, true, true, {}, "Use Old Shortcut", "⎋"},
        {set, true, false, true, kOption, "⌥", "⎋"},
        {set, true, false, true, {}, "Type New Shortcut", "⎋"},
        {std::nullopt, true, true, true, kShift, "Cancel", "⎋"},
        {std::nullopt, true, false, true, kShift, "⇧", "⎋"},
        {std::nullopt, true, false, true, {}, "Type Shortcut", "⎋"},
        {std::nullopt, false, true, true, {}, "Record Shortcut", ""},
    };
    const ShortcutRecorder::Rect bounds{0, 0, 150, 22};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shortcutTitle);
        recorder.setShortcutValue(c.value);
        recorder.setShowsDeleteButton(c.showsDelete);
        recorder.setRecording(c.recording);
        recorder.setHinting(c.hinting);
        if (c.held) recorder.handleKeyEvent(kShiftKey, *c.held, true);
        EXPECT_EQ(recorder.shortcutTitle(), c.shortcutTitle);
        EXPECT_EQ(recorder.hintTitle(), c.hintTitle);
        EXPECT_EQ(recorder.titleRect(bounds),
                  c.value || c.recording ? recorder.shortcutRect(bounds) : bounds);
        recorder.setRecording(false);
    }
}

TEST_F(ShortcutRecorderTest, HintWidthPerStyle) {
    const double widths[] = {23, 25, 26, 15};
    const ShortcutRecorder::Rect bounds{10, 4, 200, 22};
    for (int style = 0; style < 4; ++style) {
        recorder.setStyle(style);
        EXPECT_EQ(recorder.hintWidth(), widths[style]) << style;
        const auto hint = recorder.hintRect(bounds);
        const auto shortcut = recorder.shortcutRect(bounds);
        EXPECT_EQ(hint, (ShortcutRecorder::Rect{210 - widths[style], 4, widths[style], 22}));
        EXPECT_EQ(shortcut, (ShortcutRecorder::Rect{10, 4, 200 - widths[style], 22}));
    }
    recorder.setStyle(7);
    EXPECT_EQ(recorder.style(), ShortcutRecorder::Flat) << "unknown styles are ignored";
}

// The accessibility labels are checked on the drawn view.
TEST_F(ShortcutRecorderTest, ToolTipsAndAccessibilityHelp) {
    EXPECT_FALSE(recorder.toolTips());
    EXPECT_EQ(recorder.accessibilityHelp(),
              "To record a new shortcut, click this button, and then type the new shortcut, or "
              "press delete to clear an existing shortcut.");
    recorder.setShortcutValue(MASShortcut(kA, kCommand | kShift));
    ASSERT_TRUE(recorder.toolTips());
    EXPECT_EQ(recorder.toolTips()->shortcut, "Click to record new shortcut");
    EXPECT_EQ(recorder.toolTips()->hint, "Delete shortcut");
    recorder.setRecording(true);
    EXPECT_FALSE(recorder.toolTips());
    recorder.setRecording(false);
    recorder.setEnabled(false);
    EXPECT_FALSE(recorder.toolTips());
}

}  // namespace
