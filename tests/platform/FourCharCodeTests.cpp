#include <gtest/gtest.h>

#include "platform/core/FourCharCode.h"
#include "platform/core/Log.h"

using platform::FourCharCode;

namespace {
constexpr FourCharCode kQuit = FourCharCode::make("quit");
static_assert(FourCharCode::make("MASS").value() == 0x4D415353);
static_assert(FourCharCode::make("PL90") == FourCharCode(0x504C3930));
}  // namespace

TEST(FourCharCode, FirstCharacterIsTheMostSignificantByte) {
    const std::pair<const char*, uint32_t> cases[] = {
        {"PL90", 0x504C3930}, {"Cmd_", 0x436D645F}, {"GURL", 0x4755524C}, {"aevt", 0x61657674},
        {"quit", 0x71756974}, {"MASS", 0x4D415353}, {"    ", 0x20202020},
    };
    for (const auto& [text, value] : cases) {
        platform::ScopedLogCapture capture;
        const FourCharCode code(text);
        EXPECT_EQ(code.value(), value) << text;
        EXPECT_EQ(code.text(), text);
        EXPECT_EQ(code, FourCharCode(value));
        EXPECT_TRUE(capture.sink.printed.empty());
    }
    EXPECT_EQ(kQuit, FourCharCode("quit"));
    EXPECT_TRUE(FourCharCode("AAAA") < FourCharCode("AAAB"));
    // Codes order as unsigned numbers.
    EXPECT_TRUE(FourCharCode(0x7FFFFFFFu) < FourCharCode(0x80000000u));
}

TEST(FourCharCode, WrongByteCountBecomesQuestionMarksAndSaysSo) {
    // "é€" is five bytes; "ab\0" cut short by its length.
    const std::string texts[] = {"", "abc", "abcde", "\xC3\xA9\xE2\x82\xAC",
                                 std::string("ab\0", 3)};
    for (const std::string& text : texts) {
        platform::ScopedLogCapture capture;
        const FourCharCode code(text);
        EXPECT_EQ(code.value(), 0x3F3F3F3Fu);
        EXPECT_EQ(code.text(), "????");
        ASSERT_EQ(capture.sink.printed.size(), 1u);
        EXPECT_EQ(capture.sink.printed[0],
                  "FourCharCode: Can't initialize with '" + text +
                      "', only printable ASCII allowed. Setting to '\?\?\?\?'.");
        EXPECT_TRUE(capture.sink.logged.empty());
    }
}

TEST(FourCharCode, FourBytesAreTakenWhateverTheyAre) {
    platform::ScopedLogCapture capture;
    // "éé" is four bytes of UTF-8: only the count is checked.
    const FourCharCode accented("\xC3\xA9\xC3\xA9");
    EXPECT_EQ(accented.value(), 0xC3A9C3A9u);
    EXPECT_EQ(accented.text(), "\xC3\xA9\xC3\xA9");
    const FourCharCode withNul(std::string_view("a\0b\0", 4));
    EXPECT_EQ(withNul.value(), 0x61006200u);
    EXPECT_EQ(withNul.text(), std::string("a\0b\0", 4));
    EXPECT_TRUE(capture.sink.printed.empty());
}
