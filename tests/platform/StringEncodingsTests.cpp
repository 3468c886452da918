#include "platform/coding/StringEncodings.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace platform {
namespace {

constexpr uint32_t kMacRoman = 0;
constexpr uint32_t kUtf8 = 0x08000100;
constexpr uint32_t kUtf16 = 0x0100;
constexpr uint32_t kUtf16BE = 0x10000100;
constexpr uint32_t kUtf32LE = 0x1C000100;
constexpr uint32_t kIsoLatin1 = 0x0201;
constexpr uint32_t kAscii = 0x0600;
constexpr uint32_t kShiftJis = 0x0A01;
constexpr uint32_t kWindowsCyrillic = 0x0502;

TEST(StringEncodings, TableHasUniqueValuesAndNames) {
    const auto& all = StringEncodings::available();
    ASSERT_GE(all.size(), 40u);
    std::set<uint32_t> values;
    std::set<std::string> names;
    for (const auto& e : all) {
        EXPECT_TRUE(values.insert(e.value).second) << e.value;
        EXPECT_TRUE(names.insert(e.name).second) << e.name;
        EXPECT_EQ(StringEncodings::find(e.value), &e);
        // Every Unicode encoding sorts with the Unicode group, and nothing else does.
        EXPECT_EQ(e.name.starts_with("Unicode ("),
                  e.mostCompatibleMacEncoding == StringEncodings::kMacUnicode)
            << e.name;
    }
    EXPECT_EQ(StringEncodings::find(0xDEADBEEF), nullptr);
}

TEST(StringEncodings, EveryEncodingRoundTripsPlainTextAndUnicodeOnesEveryCharacter) {
    const std::string text = "caf\u00e9 \u65e5\u672c \U0001F600 \u0416";
    for (const auto& e : StringEncodings::available()) {
        EXPECT_EQ(StringEncodings::fromUtf8("", e.value), "") << e.name;
        const std::string sample =
            e.mostCompatibleMacEncoding == StringEncodings::kMacUnicode ? text : "Hello";
        auto bytes = StringEncodings::fromUtf8(sample, e.value);
        ASSERT_TRUE(bytes) << e.name;
        EXPECT_EQ(StringEncodings::toUtf8(*bytes, e.value), sample) << e.name;
    }
    EXPECT_EQ(StringEncodings::fromUtf8("A", kUtf16BE), std::string("\0A", 2));
    EXPECT_EQ(StringEncodings::fromUtf8("A", kUtf32LE), std::string("A\0\0\0", 4));
    // A byte order mark decides the byte order of plain UTF-16.
    EXPECT_EQ(StringEncodings::toUtf8(std::string("\xFF\xFEZ\0", 4), kUtf16), "Z");
    EXPECT_EQ(StringEncodings::toUtf8(std::string("\xFE\xFF\0A", 4), kUtf16), "A");
}

TEST(StringEncodings, LegacyEncodingsMapTheirOwnBytes) {
    EXPECT_EQ(StringEncodings::fromUtf8("\u00e9", kMacRoman), "\x8E");
    EXPECT_EQ(StringEncodings::toUtf8("\x8E", kMacRoman), "\u00e9");
    EXPECT_EQ(StringEncodings::fromUtf8("\u00e9", kIsoLatin1), "\xE9");
    EXPECT_EQ(StringEncodings::fromUtf8("\u0416", kWindowsCyrillic), "\xC6");
    EXPECT_EQ(StringEncodings::fromUtf8("\u65e5\u672c", kShiftJis), "\x93\xFA\x96\x7B");
}

TEST(StringEncodings, UnconvertibleInputGivesNothing) {
    EXPECT_FALSE(StringEncodings::fromUtf8("caf\u00e9", kAscii));
    EXPECT_FALSE(StringEncodings::fromUtf8("\u65e5", kIsoLatin1));
    EXPECT_FALSE(StringEncodings::toUtf8("caf\xE9", kAscii));
    EXPECT_FALSE(StringEncodings::toUtf8("\xC3", kUtf8));          // truncated sequence
    EXPECT_FALSE(StringEncodings::toUtf8("\xED\xA0\x80", kUtf8));  // encoded surrogate
    EXPECT_FALSE(StringEncodings::toUtf8("\x93", kShiftJis));      // lead byte alone
    EXPECT_FALSE(StringEncodings::toUtf8(std::string("\xD8\x00", 2), kUtf16BE));  // lone half
    EXPECT_FALSE(StringEncodings::toUtf8("A", kUtf16BE));                         // odd length
    // Input that is not UTF-8 is refused rather than repaired.
    EXPECT_FALSE(StringEncodings::fromUtf8("\xFF", kIsoLatin1));
    EXPECT_FALSE(StringEncodings::fromUtf8("Hello", 0xDEADBEEF));
    EXPECT_FALSE(StringEncodings::toUtf8("Hello", 0xDEADBEEF));
}

TEST(StringEncodings, DetectsConfidentMatchesOnly) {
    EXPECT_EQ(StringEncodings::detect("H\u00e9llo w\u00f6rld, \u00e7a va tr\u00e8s bien \u00e0 "
                                      "Z\u00fcrich"),
              kUtf8);
    auto sjis = StringEncodings::fromUtf8(
        "\u65e5\u672c\u8a9e\u306e\u30c6\u30ad\u30b9\u30c8\u3067\u3059\u3002"
        "\u3053\u308c\u306f\u30c6\u30b9\u30c8\u3067\u3059\u3002",
        kShiftJis);
    ASSERT_TRUE(sjis);
    EXPECT_EQ(StringEncodings::detect(*sjis), kShiftJis);
    auto cyrillic = StringEncodings::fromUtf8(
        "\u041f\u0440\u0438\u0432\u0435\u0442, \u043a\u0430\u043a \u0434\u0435\u043b\u0430? "
        "\u042d\u0442\u043e \u043f\u0440\u043e\u0432\u0435\u0440\u043a\u0430.",
        kWindowsCyrillic);
    EXPECT_EQ(StringEncodings::detect(*cyrillic), kWindowsCyrillic);

    EXPECT_FALSE(StringEncodings::detect(""));
    EXPECT_FALSE(StringEncodings::detect(std::string("\x01\x02\x03\x04\x05", 5)));
}

}  // namespace
}  // namespace platform
