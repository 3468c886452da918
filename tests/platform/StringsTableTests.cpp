#include "platform/StringsTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/TempDir.h"

using platform::StringsTable;

namespace {

std::string utf16(const std::u16string& text, bool bigEndian, bool mark) {
    std::string out;
    if (mark) out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t u : text) {
        const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

struct Accepted {
    const char* name;
    std::string input;
    std::vector<StringsTable::Entry> entries;
};

class StringsTableAccepts : public testing::TestWithParam<Accepted> {};

TEST_P(StringsTableAccepts, Entries) {
    const auto table = StringsTable::parse(GetParam().input);
    ASSERT_TRUE(table.ok()) << table.error().detail;
    EXPECT_EQ(std::vector<StringsTable::Entry>(table->begin(), table->end()), GetParam().entries);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StringsTableAccepts,
    testing::Values(
        Accepted{"Empty", "", {}}, Accepted{"OnlyComments", "/* a */ // b\n/**/", {}},
        Accepted{"Simple", "\"a\" = \"b\";", {{"a", "b"}}},
        Accepted{"WhitespaceAnywhere",
                 " \t\r\n\"a\"\n=\n\"b\"\r\n;\"c\"=\"d\";",
                 {{"a", "b"}, {"c", "d"}}},
        Accepted{"CommentsBetweenTokens", "/* x */\"a\"/* y */=// z\n\"b\" /**/;", {{"a", "b"}}},
        Accepted{"CommentMarkersInsideStrings",
                 "\"/* not */\" = \"// not either\";",
                 {{"/* not */", "// not either"}}},
        Accepted{"Unquoted", "Key_1.x = a$b:c/d-e;", {{"Key_1.x", "a$b:c/d-e"}}},
        Accepted{"KeyAlone", "\"Cancel\"; OK;", {{"Cancel", "Cancel"}, {"OK", "OK"}}},
        Accepted{"EmptyStrings", "\"\" = \"\";", {{"", ""}}},
        Accepted{
            "Escapes", R"("k" = "q\" b\\ n\n t\t r\r a\' ";)", {{"k", "q\" b\\ n\n t\t r\r a' "}}},
        Accepted{"UnicodeEscapes",
                 R"("k" = "\U201cx\u201d \U00e9\Ue9";)",
                 {{"k", "\u201cx\u201d \u00e9\u00e9"}}},
        Accepted{"SurrogatePairEscape", R"("k" = "\UD83D\UDE00!";)", {{"k", "\U0001F600!"}}},
        Accepted{"RawNewlineInString", "\"k\" = \"two\nlines\";", {{"k", "two\nlines"}}},
        Accepted{"Utf8Text", "\"Caf\xC3\xA9\" = \"\xE2\x98\x95\";", {{"Caf\u00e9", "\u2615"}}},
        Accepted{"Utf8Mark", "\xEF\xBB\xBF\"a\" = \"b\";", {{"a", "b"}}},
        Accepted{"Utf16LittleEndian",
                 utf16(u"\"a\" = \"\u00e9\U0001F600\";", false, true),
                 {{"a", "\u00e9\U0001F600"}}},
        Accepted{"Utf16BigEndian", utf16(u"\"a\" = \"\u00e9\";", true, true), {{"a", "\u00e9"}}},
        Accepted{"Utf16WithoutMark", utf16(u"\"a\" = \"b\";", false, false), {{"a", "b"}}},
        Accepted{
            "DuplicateKeyLastValueFirstPlace", "a = 1; b = 2; a = 3;", {{"a", "3"}, {"b", "2"}}}),
    [](const auto& info) { return info.param.name; });

struct Rejected {
    const char* name;
    std::string input;
    std::string detail;
};

class StringsTableRejects : public testing::TestWithParam<Rejected> {};

TEST_P(StringsTableRejects, WithLine) {
    const auto table = StringsTable::parse(GetParam().input);
    ASSERT_FALSE(table.ok());
    EXPECT_EQ(table.error().code, platform::Error::kCoderReadCorrupt);
    EXPECT_EQ(table.error().detail.rfind(GetParam().detail, 0), 0u) << table.error().detail;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StringsTableRejects,
    testing::Values(
        Rejected{"UnterminatedString", "\"a\" = \"b\";\n\"c\" = \"d", "line 2: unterminated"},
        Rejected{"UnterminatedComment", "\n\n/* never closed", "line 3: unterminated comment"},
        Rejected{"MissingEquals", "\"a\" \"b\";", "line 1: missing '='"},
        Rejected{"MissingSemicolon", "\"a\" = \"b\"\n\"c\" = \"d\";", "line 2: missing ';'"},
        Rejected{"MissingSemicolonAtEnd", "\"a\" = \"b\"", "line 1: missing ';'"},
        Rejected{"MissingValue", "\"a\" = ;", "line 1: expected a value"},
        Rejected{"MissingValueAtEnd", "\"a\" =", "line 1: missing a value"},
        Rejected{"StrayCharacter", "\"a\" = \"b\";\r\n{", "line 2: expected a key"},
        Rejected{"UnknownEscape", "\n\"a\" = \"\\q\";", "line 2: invalid escape \\q"},
        Rejected{"EscapeWithoutDigits", "\"a\" = \"\\Uxyz\";", "line 1: invalid escape"},
        Rejected{"BackslashAtEnd", "\"a\" = \"\\", "line 1: unterminated"},
        Rejected{"LoneHighSurrogateEscape", "\"a\" = \"\\UD83Dx\";", "line 1: unpaired"},
        Rejected{"LoneLowSurrogateEscape", "\"a\" = \"\\UDE00\";", "line 1: unpaired"},
        Rejected{"InvalidUtf8", "a = b;\n\"\xC3\x28\" = x;", "line 2: invalid UTF-8"},
        Rejected{"OverlongUtf8", "\"\xC0\xAF\" = x;", "line 1: invalid UTF-8"},
        Rejected{"TruncatedUtf8", "a = \"\xE2\x98", "line 1: invalid UTF-8"},
        Rejected{"Utf16OddLength", "\xFF\xFE\x61\x00\x3B", "line 1: truncated UTF-16"},
        Rejected{"Utf16LoneSurrogate", utf16(u"a;\n\"\xD83D\" = x;", false, true),
                 "line 2: invalid UTF-16"}),
    [](const auto& info) { return info.param.name; });

TEST(StringsTable, FindAndKeys) {
    const auto table = StringsTable::parse("b = 1; a = 2;");
    ASSERT_TRUE(table.ok());
    EXPECT_EQ(table->size(), 2u);
    ASSERT_NE(table->find("a"), nullptr);
    EXPECT_EQ(*table->find("a"), "2");
    EXPECT_EQ(table->find("c"), nullptr);
    EXPECT_EQ(table->keys(), (std::vector<std::string>{"b", "a"}));
}

TEST(StringsTable, ReadsFilesInBothEncodingsAlike) {
    const auto utf8 = StringsTable::readFile(PURLANE_TEST_DATA "/strings/utf8.strings");
    const auto utf16 = StringsTable::readFile(PURLANE_TEST_DATA "/strings/utf16be.strings");
    ASSERT_TRUE(utf8.ok()) << utf8.error().detail;
    ASSERT_TRUE(utf16.ok()) << utf16.error().detail;
    const std::vector<StringsTable::Entry> expected{
        {"Done", "Fertig"}, {"Caf\u00e9", "\u2615 \U0001F600"}, {"ok", "ok"}};
    EXPECT_EQ(std::vector<StringsTable::Entry>(utf8->begin(), utf8->end()), expected);
    EXPECT_EQ(std::vector<StringsTable::Entry>(utf16->begin(), utf16->end()), expected);
}

TEST(StringsTable, MissingFileIsNoSuchFile) {
    testsupport::TempDir dir;
    const auto table = StringsTable::readFile(dir / "Absent.strings");
    ASSERT_FALSE(table.ok());
    EXPECT_EQ(table.error().code, platform::Error::kFileReadNoSuchFile);
    EXPECT_NE(table.error().localizedDescription.find("Absent.strings"), std::string::npos);
    EXPECT_FALSE(StringsTable::readFile(dir.path()).ok());  // a folder is no table either
}

}  // namespace
