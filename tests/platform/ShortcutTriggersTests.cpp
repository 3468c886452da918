#include "platform/input/ShortcutTriggers.h"

#include <gtest/gtest.h>

#include <Qt>

#include "platform/input/HotKeys.h"
#include "platform/input/KeyCodeMap.h"

using platform::ShortcutTriggers;
namespace Mod = platform::CarbonModifier;

namespace {

struct Case {
    uint16_t keyCode;
    uint32_t modifiers;
    const char* portal;
    const char* gtk;
    QKeyCombination qt;
};

// One key of each kind; Qt's own constants check the numbers the service is sent.
const Case kCases[] = {
    {0, Mod::kControl | Mod::kShift, "CTRL+SHIFT+a", "<Control><Shift>a",
     Qt::CTRL | Qt::SHIFT | Qt::Key_A},
    {49, Mod::kCmd, "LOGO+space", "<Super>space", Qt::META | Qt::Key_Space},
    {29, Mod::kCmd | Mod::kOption | Mod::kControl | Mod::kShift, "CTRL+ALT+SHIFT+LOGO+0",
     "<Control><Alt><Shift><Super>0", Qt::CTRL | Qt::ALT | Qt::SHIFT | Qt::META | Qt::Key_0},
    {90, Mod::kOption, "ALT+F20", "<Alt>F20", Qt::ALT | Qt::Key_F20},
    {50, Mod::kControl, "CTRL+grave", "<Control>grave", Qt::CTRL | Qt::Key_QuoteLeft},
    {76, 0, "KP_Enter", "KP_Enter", Qt::KeypadModifier | Qt::Key_Enter},
    {116, Mod::kCmd, "LOGO+Page_Up", "<Super>Page_Up", Qt::META | Qt::Key_PageUp},
    {74, 0, "XF86AudioMute", "XF86AudioMute", Qt::Key_VolumeMute},
};

TEST(ShortcutTriggersTest, WritesEachServicesSyntax) {
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.portal);
        EXPECT_EQ(ShortcutTriggers::portalTrigger(c.keyCode, c.modifiers), c.portal);
        EXPECT_EQ(ShortcutTriggers::gtkAccelerator(c.keyCode, c.modifiers), c.gtk);
        EXPECT_EQ(ShortcutTriggers::qtKeyCombination(c.keyCode, c.modifiers), c.qt.toCombined());
    }
}

TEST(ShortcutTriggersTest, NamesEveryMappedKeyButModifiersAndJisKeys) {
    for (const auto& entry : platform::KeyCodeMap::entries()) {
        const uint16_t code = entry.virtualKeyCode;
        const bool unnamed = (code >= 54 && code <= 62) || code == 71 ||
                             (code >= 93 && code <= 95) || code == 102 || code == 104;
        EXPECT_EQ(ShortcutTriggers::keysymName(code).has_value(), !unnamed) << code;
    }
    EXPECT_FALSE(ShortcutTriggers::portalTrigger(55, Mod::kShift));
    EXPECT_FALSE(ShortcutTriggers::qtKeyCombination(128, 0));
}

TEST(ShortcutTriggersTest, SameTriggerIgnoresSpellingAndOrderOfModifiers) {
    const std::tuple<const char*, const char*, bool> pairs[] = {
        {"CTRL+SHIFT+a", "Shift+Ctrl+A", true},
        {"SHIFT+LOGO+a", "Meta+Shift+A", true},
        {"LOGO+space", "Super + Space", true},
        {"CTRL+ALT+KP_Add", "Control+Alt+kp_add", true},
        {"CTRL+SHIFT+a", "Ctrl+A", false},
        {"CTRL+a", "Ctrl+B", false},
        {"LOGO+a", "Alt+A", false},
        {"CTRL+a", "", false},
    };
    for (const auto& [asked, described, same] : pairs)
        EXPECT_EQ(ShortcutTriggers::sameTrigger(asked, described), same)
            << asked << " / " << described;
}

}  // namespace
