// The layout on real keymaps compiled from xkeyboard-config names, without a display.

#include "platform/linux/x11/XkbKeyboardLayout.h"

#include <gtest/gtest.h>

#include "platform/input/ModifierFlags.h"

using namespace platform;

namespace {

std::unique_ptr<XkbKeyboardLayout> keymap(const std::string& layout,
                                          const std::string& variant = {}) {
    auto result = XkbKeyboardLayout::fromNames({layout, variant, "", "", ""});
    EXPECT_TRUE(result) << layout << "(" << variant << ")";
    return result;
}

// As the key-code table is built: ascending codes, a later code overwrites an earlier one.
std::optional<uint16_t> codeTyping(KeyboardLayout& layout, const std::string& text, bool command) {
    std::optional<uint16_t> found;
    for (uint16_t code = 0; code < 128; ++code) {
        const auto t = layout.translate(code);
        if (!t || t->specialKey) continue;
        const auto& chars = command ? t->commandCharacters : t->characters;
        if (chars == text) found = code;
    }
    return found;
}

std::string characters(KeyboardLayout& layout, uint16_t code) {
    const auto t = layout.translate(code);
    return t && t->characters ? *t->characters : "<none>";
}

}  // namespace

TEST(XkbKeyboardLayout, CommandKeysFollowTheLayout) {
    const struct {
        const char* layout;
        const char* variant;
        uint16_t c, v, a;
    } cases[] = {
        {"us", "", 8, 9, 0},  {"us", "dvorak", 34, 47, 0},  // Dvorak: c on I, v on the period key
        {"fr", "", 8, 9, 12},                               // AZERTY: a on Q
        {"de", "", 8, 9, 0},  {"ru", "", 8, 9, 0},          // no Latin group at all: US positions
        {"gr", "", 8, 9, 0},
    };
    for (const auto& c : cases) {
        auto layout = keymap(c.layout, c.variant);
        if (!layout) continue;
        SCOPED_TRACE(std::string(c.layout) + "(" + c.variant + ")");
        EXPECT_EQ(codeTyping(*layout, "c", true), c.c);
        EXPECT_EQ(codeTyping(*layout, "v", true), c.v);
        EXPECT_EQ(codeTyping(*layout, "a", true), c.a);
    }
}

TEST(XkbKeyboardLayout, CharactersAreThoseOfTheCurrentGroup) {
    auto azerty = keymap("fr");
    ASSERT_TRUE(azerty);
    EXPECT_EQ(characters(*azerty, 12), "a");
    EXPECT_EQ(characters(*azerty, 0), "q");

    auto dvorak = keymap("us", "dvorak");
    ASSERT_TRUE(dvorak);
    EXPECT_EQ(characters(*dvorak, 34), "c");
    EXPECT_EQ(characters(*dvorak, 8), "j");

    auto russian = keymap("ru");
    ASSERT_TRUE(russian);
    EXPECT_EQ(characters(*russian, 8), "\xd1\x81");  // Cyrillic es on the C key
    EXPECT_EQ(russian->translate(8)->commandCharacters, "c");
    EXPECT_FALSE(codeTyping(*russian, "c", false));
    EXPECT_FALSE(russian->commandGroup());
}

TEST(XkbKeyboardLayout, ANonLatinGroupTakesCommandCharactersFromTheLatinGroup) {
    auto layout = keymap("us,ru");
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->commandGroup(), 0u);
    const uint64_t before = layout->generation();
    layout->setCurrentGroup(1);
    EXPECT_NE(layout->generation(), before);
    EXPECT_EQ(layout->currentGroup(), 1u);
    EXPECT_EQ(layout->commandGroup(), 0u);
    EXPECT_EQ(characters(*layout, 9), "\xd0\xbc");  // Cyrillic em on the V key
    EXPECT_EQ(codeTyping(*layout, "v", true), 9);

    auto reversed = keymap("ru,fr");
    ASSERT_TRUE(reversed);
    EXPECT_EQ(reversed->currentGroup(), 0u);
    EXPECT_EQ(reversed->commandGroup(), 1u);
    EXPECT_EQ(codeTyping(*reversed, "a", true), 12);  // from the AZERTY group
}

TEST(XkbKeyboardLayout, ControlKeysTypeTheirCharactersAndCodesWithoutAKeyGiveNothing) {
    auto layout = keymap("us");
    ASSERT_TRUE(layout);
    const std::pair<uint16_t, const char*> keys[] = {
        {36, "\r"},   {48, "\t"},   {49, " "},
        {53, "\x1b"}, {51, "\x7f"}, {76, "\x03"},  // keypad Enter, unlike Return
        {83, "1"},                                 // the keypad types digits
        {65, "."},
    };
    for (const auto& [code, text] : keys) {
        EXPECT_EQ(characters(*layout, code), text) << code;
        EXPECT_EQ(layout->translate(code)->commandCharacters, text) << code;
    }
    for (uint16_t code : {52, 63, 127, 128, 500}) EXPECT_FALSE(layout->translate(code)) << code;
    EXPECT_FALSE(XkbKeyboardLayout::fromNames({"no-such-layout", "", "", "", ""}));
}

TEST(XkbKeyboardLayout, SpecialKeysCarryFunctionKeyValues) {
    auto layout = keymap("fr");
    ASSERT_TRUE(layout);
    const std::pair<uint16_t, uint32_t> keys[] = {
        {126, 0xF700}, {125, 0xF701}, {123, 0xF702}, {124, 0xF703}, {122, 0xF704},
        {120, 0xF705}, {111, 0xF70F}, {114, 0xF727}, {117, 0xF728}, {115, 0xF729},
        {119, 0xF72B}, {116, 0xF72C}, {121, 0xF72D}, {71, 0xF739},
    };
    for (const auto& [code, value] : keys) {
        const auto t = layout->translate(code);
        ASSERT_TRUE(t) << code;
        EXPECT_EQ(t->type, KeyTranslation::Type::KeyDown) << code;
        EXPECT_EQ(t->specialKey, value) << code;
        EXPECT_FALSE(t->characters) << code;
    }
}

TEST(XkbKeyboardLayout, ModifierKeysReportTheirFlag) {
    for (const char* name : {"us", "fr"}) {
        auto layout = keymap(name);
        ASSERT_TRUE(layout);
        const std::pair<uint16_t, uint64_t> keys[] = {
            {55, ModifierFlags::command},  {54, ModifierFlags::command},
            {56, ModifierFlags::shift},    {60, ModifierFlags::shift},
            {59, ModifierFlags::control},  {62, ModifierFlags::control},
            {58, ModifierFlags::option},   {61, ModifierFlags::option},  // AltGr on AZERTY
            {57, ModifierFlags::capsLock},
        };
        for (const auto& [code, flag] : keys) {
            const auto t = layout->translate(code);
            ASSERT_TRUE(t) << name << " " << code;
            EXPECT_EQ(t->type, KeyTranslation::Type::FlagsChanged) << name << " " << code;
            EXPECT_EQ(t->modifierFlags, flag) << name << " " << code;
        }
    }
}
