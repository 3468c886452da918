// The user's shortcuts as hot keys: what gets registered, in which order, and what a press does.

#include <gtest/gtest.h>

#include "agent/shortcuts/GlobalHotKeys.h"
#include "platform/core/Log.h"
#include "platform/sim/SimKeyboardLayout.h"
#include "platform/sim/SimProcess.h"
#include "tests/agent/shortcuts/FakeHotKeys.h"

using namespace platform;

namespace {

constexpr uint64_t kControlOption = 0xC0000;
constexpr uint32_t kCarbonControlOption = 0x1800;

// What the actions manager was asked to do.
struct RecordingDelegate : GlobalActionsDelegate {
    void applyCleaner(const std::string& cleaner, CleanerApplyOption option) override {
        calls.push_back("apply " + cleaner + " " + std::to_string(static_cast<int>(option)));
    }
    std::optional<std::string> frontAppName() override { return std::nullopt; }
    void popoverStateChangeWithIsActive(bool) override {}
    void showPalette() override { calls.push_back("palette"); }
    void showGroupMenuWithName(const std::string& name) override {
        calls.push_back("menu " + name);
    }
    std::vector<std::string> calls;
};

class GlobalHotKeysTest : public ::testing::Test {
  public:
    GlobalHotKeysTest() { hotKeys.delegate = &delegate; }

    Shortcut record(const std::string& uuid, uint64_t keycode, uint64_t modifiers,
                    ActionType type = ActionType::cleantext,
                    const std::string& cleaner = "#UPPER") {
        Shortcut s;
        s.uuid = uuid;
        s.keycode = keycode;
        s.modifiersRaw = modifiers;
        s.type = type;
        s.cleaner = cleaner;
        s.group = "Basic";
        return s;
    }
    void store(std::vector<Shortcut> records) {
        list.list = std::move(records);
        list.save();
    }
    // A press of the combination as the system delivers it, then the main queue.
    void press(uint16_t keyCode, uint32_t carbonModifiers) {
        for (const auto& [ref, r] : fake.live)
            if (r.keyCode == keyCode && r.modifiers == carbonModifiers)
                fake.press(r.signature, r.id);
        world.runUntilIdle();
    }

    ScopedLogCapture logs;
    SimWorld world;
    SimProcess& process = world.launch("com.halvik.purlane.agent");
    UserDefaults& defaults = process.standardUserDefaults();
    SimKeyboardLayout layout;
    FakeHotKeys fake;
    MASShortcutMonitor monitor{fake, process.mainQueue()};
    MASShortcutValidator validator{defaults, fake, layout};
    NotificationCenter center;
    ShortcutList list{defaults, center};
    GlobalHotKeys hotKeys{monitor, validator, list, defaults};
    RecordingDelegate delegate;
};

TEST_F(GlobalHotKeysTest, WithNothingStoredOnlyThePaletteRecordExistsAndNothingIsRegistered) {
    hotKeys.registerAll();
    EXPECT_EQ(list.list.size(), 1u);
    EXPECT_TRUE(fake.live.empty());
}

TEST_F(GlobalHotKeysTest, ValidRecordsAreRegisteredAndEachPressRunsItsAction) {
    store({record("no key", 0, 0), record("shift alone", 32, 0x20000),
           record("option letter", 32, 0x80000), record("clean", 32, kControlOption),
           record("menu", 46, kControlOption, ActionType::showmenu),
           record("palette", 122, 0, ActionType::showpalette)});
    hotKeys.registerAll();
    EXPECT_EQ(fake.live.size(), 3u);

    press(32, kCarbonControlOption);
    press(46, kCarbonControlOption);
    press(122, 0);
    EXPECT_EQ(delegate.calls,
              (std::vector<std::string>{"apply #UPPER 0", "menu Basic", "palette"}));
}

TEST_F(GlobalHotKeysTest, TheLaterOfTwoEqualCombinationsWinsAndRegisteringAgainLeavesNoneStale) {
    store({record("first", 32, kControlOption, ActionType::cleantext, "#UPPER"),
           record("second", 32, kControlOption, ActionType::cleantext, "#LOWER")});
    hotKeys.registerAll();
    hotKeys.registerAll();
    EXPECT_EQ(fake.live.size(), 1u);
    press(32, kCarbonControlOption);
    EXPECT_EQ(delegate.calls, std::vector<std::string>{"apply #LOWER 0"});
}

TEST_F(GlobalHotKeysTest, APressReadsTheRecordAsItIsNowAndIgnoresDeletedOnes) {
    store({record("A", 32, kControlOption)});
    hotKeys.registerAll();
    list.list[0].cleaner = "#TITLE";
    press(32, kCarbonControlOption);
    list.list[0].type = ActionType::showpalette;
    press(32, kCarbonControlOption);
    list.list.clear();
    press(32, kCarbonControlOption);
    hotKeys.delegate = nullptr;
    list.list.push_back(record("A", 32, kControlOption));
    press(32, kCarbonControlOption);
    EXPECT_EQ(delegate.calls, (std::vector<std::string>{"apply #TITLE 0", "palette"}));
}

TEST_F(GlobalHotKeysTest, ARefusedCombinationIsSkippedSilently) {
    fake.refused.insert({32, kCarbonControlOption});
    store({record("refused", 32, kControlOption), record("fine", 33, kControlOption)});
    hotKeys.registerAll();
    EXPECT_EQ(fake.live.size(), 1u);
    EXPECT_TRUE(logs.sink.printed.empty());
    EXPECT_TRUE(logs.sink.logged.empty());
}

}  // namespace
