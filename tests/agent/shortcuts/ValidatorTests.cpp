#include <gtest/gtest.h>

#include "agent/shortcuts/MASShortcutValidator.h"
#include "agent/shortcuts/ValidatorChecks.h"
#include "platform/input/ModifierFlags.h"
#include "platform/sim/SimKeyboardLayout.h"
#include "platform/sim/SimProcess.h"
#include "platform/sim/SimWorld.h"
#include "tests/agent/shortcuts/FakeHotKeys.h"

using platform::Menu;
using platform::MenuItem;
using platform::ModifierFlags;

namespace {

constexpr uint64_t kShift = ModifierFlags::shift;
constexpr uint64_t kControl = ModifierFlags::control;
constexpr uint64_t kOption = ModifierFlags::option;
constexpr uint64_t kCommand = ModifierFlags::command;
constexpr int64_t kA = 0, kS = 1, kSpace = 49, kEscape = 53, kF5 = 96, kF20 = 90;

const char* const kSystemExplanation =
    "This combination cannot be used because it is already used by a system-wide keyboard "
    "shortcut.\nIf you really want to use this key combination, most shortcuts can be changed "
    "in the Keyboard & Mouse panel in System Preferences.";

class Validator : public testing::Test {
  protected:
    Validator() : process(world.launch("com.halvik.purlane.agent")) {
        process.standardUserDefaults().registerDefaults({{"ShortcutIgnoreKeyValidation", false}});
    }

    platform::SimWorld world;
    platform::SimProcess& process;
    platform::SimKeyboardLayout layout;
    FakeHotKeys system;
    Menu mainMenu;
    const Menu* currentMenu = &mainMenu;
    MASShortcutValidator validator{process.standardUserDefaults(), system, layout,
                                   [this] { return currentMenu; }};
};

TEST_F(Validator, UsableCombinations) {
    const struct {
        int64_t keyCode;
        uint64_t flags;
        bool valid;
        bool validWithAnyOption;
    } cases[] = {
        {kF5, 0, true, true},
        {kF20, kShift, true, true},
        {kA, 0, false, false},
        {kA, kShift, false, false},
        {kA, kOption, false, true},
        {kA, kOption | kShift, false, true},
        {kSpace, kOption, true, true},
        {kEscape, kOption, true, true},
        {kA, kControl, true, true},
        {kA, kCommand, true, true},
        {kA, kCommand | kOption | kShift, true, true},
        {kA, ModifierFlags::capsLock, false, false},
    };
    for (const auto& c : cases) {
        const MASShortcut shortcut(c.keyCode, c.flags);
        EXPECT_EQ(validator.isShortcutValid(shortcut), c.valid) << c.keyCode << " " << c.flags;
        validator.setAllowAnyShortcutWithOptionModifier(true);
        EXPECT_EQ(validator.isShortcutValid(shortcut), c.validWithAnyOption) << c.keyCode;
        validator.setAllowAnyShortcutWithOptionModifier(false);
    }
}

TEST_F(Validator, SystemShortcutsMatchKeyAndExactCarbonModifiers) {
    system.systemTaken.insert({kSpace, 0x100});  // Command-Space
    std::string explanation;
    EXPECT_TRUE(validator.isShortcutAlreadyTakenBySystem({kSpace, kCommand}, &explanation));
    EXPECT_EQ(explanation, kSystemExplanation);
    EXPECT_TRUE(validator.isShortcutAlreadyTakenBySystem({kSpace, kCommand}));
    EXPECT_FALSE(validator.isShortcutAlreadyTakenBySystem({kSpace, kCommand | kShift}));
    EXPECT_FALSE(validator.isShortcutAlreadyTakenBySystem({kA, kCommand}));
}

TEST_F(Validator, IgnoreKeyValidationSkipsEveryCheck) {
    system.systemTaken.insert({kSpace, 0x100});
    mainMenu.addItem("Save", "save:", "s");
    process.standardUserDefaults().setBool("ShortcutIgnoreKeyValidation", true);
    std::string explanation = "untouched";
    EXPECT_FALSE(validator.isShortcutAlreadyTakenBySystem({kSpace, kCommand}, &explanation));
    EXPECT_FALSE(validator.isShortcutAlreadyTakenBySystem({kS, kCommand}, &explanation));
    EXPECT_EQ(explanation, "untouched");
}

TEST_F(Validator, MenuKeyEquivalentsWithTheirCase) {
    Menu file("File");
    file.addItem("Save As…", "saveAs:", "S");
    MenuItem fileItem("File");
    fileItem.setSubmenu(file);
    mainMenu.addItem(std::move(fileItem));
    MenuItem find("Find Next", "findNext:", "g");
    find.keyEquivalentModifierMask = kCommand | kOption | ModifierFlags::capsLock;
    mainMenu.addItem(std::move(find));
    MenuItem spaced("Play", "play:", " ");
    spaced.keyEquivalentModifierMask = kControl;
    mainMenu.addItem(std::move(spaced));
    MenuItem f5("Reload", "reload:", "\uF708");
    f5.keyEquivalentModifierMask = 0;
    mainMenu.addItem(std::move(f5));

    const struct {
        int64_t keyCode;
        uint64_t flags;
        const char* takenBy;  // nullptr: free
    } cases[] = {
        {kS, kCommand | kShift, "Save As…"},
        {kS, kCommand, nullptr},
        {kS, kShift, nullptr},
        {5, kCommand | kOption, "Find Next"},
        {5, kCommand, nullptr},
        {kSpace, kControl, "Play"},
        {kF5, 0, "Reload"},
        {kF5, kCommand, nullptr},
    };
    for (const auto& c : cases) {
        std::string explanation;
        const bool taken =
            validator.isShortcutAlreadyTakenBySystem({c.keyCode, c.flags}, &explanation);
        EXPECT_EQ(taken, c.takenBy != nullptr) << c.keyCode << " " << c.flags;
        if (c.takenBy) {
            EXPECT_EQ(explanation, std::string("This shortcut cannot be used because it is "
                                               "already used by the menu item ‘") +
                                       c.takenBy + "’.");
        }
    }
}

TEST_F(Validator, ASubmenuIsSearchedBeforeItsOwnItem) {
    Menu inner;
    inner.addItem("Inner", "inner:", "k");
    MenuItem outer("Outer", "outer:", "k");
    outer.setSubmenu(inner);
    mainMenu.addItem(std::move(outer));
    std::string explanation;
    EXPECT_TRUE(validator.isShortcut({40, kCommand}, mainMenu, &explanation));
    EXPECT_NE(explanation.find("‘Inner’"), std::string::npos) << explanation;
}

TEST_F(Validator, NoMainMenuIsAnEmptyMenu) {
    currentMenu = nullptr;
    EXPECT_FALSE(validator.isShortcutAlreadyTakenBySystem({kS, kCommand}));
    MASShortcutValidator withoutMenu(process.standardUserDefaults(), system, layout);
    EXPECT_FALSE(withoutMenu.isShortcutAlreadyTakenBySystem({kS, kCommand}));
}

}  // namespace

namespace {

// The recorder asks the validator through its checks: usable, and not the system's.
TEST_F(Validator, RecorderChecksAnswerThroughTheValidator) {
    ValidatorChecks checks(validator);
    system.systemTaken.insert({kS, 0x100});
    std::string why;
    EXPECT_FALSE(checks.isValid(MASShortcut(kA, 0)));
    EXPECT_TRUE(checks.isValid(MASShortcut(kS, kCommand)));
    EXPECT_TRUE(checks.isTaken(MASShortcut(kS, kCommand), why));
    EXPECT_EQ(why, kSystemExplanation);
    EXPECT_FALSE(checks.isTaken(MASShortcut(kA, kCommand), why));
}

}  // namespace
