#include "platform/input/KeyCodeMap.h"

#include <gtest/gtest.h>

#include <set>

using platform::KeyCodeMap;

TEST(KeyCodeMap, AnchorsMatchTheEvdevKeymap) {
    const struct {
        uint16_t virtualKey;
        uint8_t x11;
        const char* name;
    } anchors[] = {
        {0, 38, "A"},         {8, 54, "C"},          {9, 55, "V"},         {36, 36, "Return"},
        {49, 65, "Space"},    {122, 67, "F1"},       {123, 113, "Left"},   {124, 114, "Right"},
        {125, 116, "Down"},   {126, 111, "Up"},      {53, 9, "Escape"},    {51, 22, "BackSpace"},
        {48, 23, "Tab"},      {50, 49, "grave"},     {10, 94, "LSGT"},     {55, 133, "Super_L"},
        {54, 134, "Super_R"}, {59, 37, "Control_L"}, {58, 64, "Alt_L"},    {61, 108, "Alt_R"},
        {56, 50, "Shift_L"},  {57, 66, "Caps_Lock"}, {117, 119, "Delete"}, {114, 118, "Insert"},
        {115, 110, "Home"},   {119, 115, "End"},     {116, 112, "Prior"},  {121, 117, "Next"},
        {111, 96, "F12"},     {105, 191, "F13"},     {90, 198, "F20"},     {76, 104, "KP_Enter"},
        {82, 90, "KP_0"},     {92, 81, "KP_9"},      {34, 31, "I"},        {12, 24, "Q"},
    };
    for (const auto& a : anchors) {
        EXPECT_EQ(KeyCodeMap::x11KeyCode(a.virtualKey), a.x11) << a.name;
        EXPECT_EQ(KeyCodeMap::virtualKeyCode(a.x11), a.virtualKey) << a.name;
    }
}

TEST(KeyCodeMap, EveryKeyRoundTripsAndNoTwoShareAnX11Code) {
    std::set<uint8_t> x11Codes;
    uint16_t previous = 0;
    for (const auto& e : KeyCodeMap::entries()) {
        EXPECT_LT(e.virtualKeyCode, 128);
        EXPECT_GE(e.x11KeyCode, 8);  // X reserves 0-7
        EXPECT_TRUE(x11Codes.insert(e.x11KeyCode).second) << int(e.x11KeyCode);
        if (&e != &KeyCodeMap::entries().front()) EXPECT_GT(e.virtualKeyCode, previous);
        previous = e.virtualKeyCode;
        EXPECT_EQ(KeyCodeMap::virtualKeyCode(*KeyCodeMap::x11KeyCode(e.virtualKeyCode)),
                  e.virtualKeyCode);
    }
    // 128 codes less the eight that no keyboard has and the Fn key, which X never sees.
    EXPECT_EQ(KeyCodeMap::entries().size(), 119u);
}

TEST(KeyCodeMap, CodesWithoutAKeyHaveNoCounterpart) {
    for (uint16_t code : {52, 63, 66, 68, 70, 77, 108, 112, 127, 128, 0xFFFF})
        EXPECT_FALSE(KeyCodeMap::x11KeyCode(code).has_value()) << code;
    for (uint32_t code : {0u, 7u, 8u, 255u, 256u, 0xFFFFFFFFu})
        EXPECT_FALSE(KeyCodeMap::virtualKeyCode(code).has_value()) << code;
}
