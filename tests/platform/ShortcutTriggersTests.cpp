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

// Qt's own constants check the numbers the service is sent.
const Case kCases[] = {
    {0, Mod::kControl | Mod::kShift, "CTRL+SHIFT+a", "<Control><Shift>a",
     Qt::CTRL | Qt::SHIFT | Qt::Key_A},
    {49, Mod::kCmd, "LOGO+space", "<Super>space", Qt::META | Qt::Key_Space},
    {29, Mod::kCmd | Mod::kOption | Mod::kControl | Mod::kShift, "CTRL+ALT+SHIFT+LOGO+0",
     "<Control><Alt><Shift><Super>0", Qt::CTRL | Qt::ALT | Qt::SHIFT | Qt::META | Qt::Key_0},
    {122, 0, "F1", "F1", Qt::Key_F1},
    {90, Mod::kOption, "ALT+F20", "<Alt>F20", Qt::ALT | Qt::Key_F20},
    {43, Mod::kCmd, "LOGO+comma", "<Super>comma", Qt::META | Qt::Key_Comma},
    {50, Mod::kControl, "CTRL+grave", "<Control>grave", Qt::CTRL | Qt::Key_QuoteLeft},
    {36, Mod::kCmd, "LOGO+Return", "<Super>Return", Qt::META | Qt::Key_Return},
    {76, 0, "KP_Enter", "KP_Enter", Qt::KeypadModifier | Qt::Key_Enter},
    {92, Mod::kShift, "SHIFT+KP_9", "<Shift>KP_9",
     Qt::ShiftModifier | Qt::KeypadModifier | Qt::Key_9},
    {114, 0, "Insert", "Insert", Qt::Key_Insert},
    {116, Mod::kCmd, "LOGO+Page_Up", "<Super>Page_Up", Qt::META | Qt::Key_PageUp},
    {117, 0, "Delete", "Delete", Qt::Key_Delete},
    {51, 0, "BackSpace", "BackSpace", Qt::Key_Backspace},
    {126, Mod::kControl, "CTRL+Up", "<Control>Up", Qt::CTRL | Qt::Key_Up},
    {74, 0, "XF86AudioMute", "XF86AudioMute", Qt::Key_VolumeMute},
    {110, 0, "Menu", "Menu", Qt::Key_Menu},
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
    struct Pair {
        const char* asked;
        const char* described;
        bool same;
    };
    const Pair pairs[] = {
        {"CTRL+SHIFT+a", "Shift+Ctrl+A", true},
        {"SHIFT+LOGO+a", "Meta+Shift+A", true},
        {"LOGO+space", "Super + Space", true},
        {"CTRL+ALT+KP_Add", "Control+Alt+kp_add", true},
        {"CTRL+SHIFT+a", "Ctrl+A", false},
        {"CTRL+a", "Ctrl+B", false},
        {"LOGO+a", "Alt+A", false},
        {"CTRL+a", "", false},
    };
    for (const auto& p : pairs)
        EXPECT_EQ(ShortcutTriggers::sameTrigger(p.asked, p.described), p.same)
            << p.asked << " / " << p.described;
}

}  // namespace
