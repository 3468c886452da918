#include "platform/coding/StringsTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/TempDir.h"

using platform::StringsTable;
using Entries = std::vector<StringsTable::Entry>;

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

Entries entriesOf(const platform::Result<StringsTable>& table) {
    return table.ok() ? Entries(table->begin(), table->end()) : Entries{};
}

TEST(StringsTable, Accepts) {
    const std::pair<std::string, Entries> cases[] = {
        {"", {}},
        {"/* a */ // b\n/**/", {}},
        {"\"a\" = \"b\";", {{"a", "b"}}},
        {" \t\r\n\"a\"\n=\n\"b\"\r\n;\"c\"=\"d\";", {{"a", "b"}, {"c", "d"}}},
        {"/* x */\"a\"/* y */=// z\n\"b\" /**/;", {{"a", "b"}}},
        {"\"/* not */\" = \"// not either\";", {{"/* not */", "// not either"}}},
        {"Key_1.x = a$b:c/d-e;", {{"Key_1.x", "a$b:c/d-e"}}},
        {"\"Cancel\"; OK;", {{"Cancel", "Cancel"}, {"OK", "OK"}}},  // a key alone is its value
        {"\"\" = \"\";", {{"", ""}}},
        {R"("k" = "q\" b\\ n\n t\t r\r a\' ";)", {{"k", "q\" b\\ n\n t\t r\r a' "}}},
        {R"("k" = "\U201cx\u201d \U00e9\Ue9";)", {{"k", "\u201cx\u201d \u00e9\u00e9"}}},
        {R"("k" = "\UD83D\UDE00!";)", {{"k", "\U0001F600!"}}},
        {"\"k\" = \"two\nlines\";", {{"k", "two\nlines"}}},
        {"\"Caf\xC3\xA9\" = \"\xE2\x98\x95\";", {{"Caf\u00e9", "\u2615"}}},
        {"\xEF\xBB\xBF\"a\" = \"b\";", {{"a", "b"}}},
        {utf16(u"\"a\" = \"\u00e9\U0001F600\";", false, true), {{"a", "\u00e9\U0001F600"}}},
        {utf16(u"\"a\" = \"\u00e9\";", true, true), {{"a", "\u00e9"}}},
        {utf16(u"\"a\" = \"b\";", false, false), {{"a", "b"}}},
        {"a = 1; b = 2; a = 3;", {{"a", "3"}, {"b", "2"}}},  // last value, first place
    };
    for (const auto& [input, entries] : cases) {
        const auto table = StringsTable::parse(input);
        ASSERT_TRUE(table.ok()) << input << ": " << table.error().detail;
        EXPECT_EQ(entriesOf(table), entries) << input;
    }
}

TEST(StringsTable, RejectsNamingTheLine) {
    const std::pair<std::string, const char*> cases[] = {
        {"\"a\" = \"b\";\n\"c\" = \"d", "line 2: unterminated"},
        {"\n\n/* never closed", "line 3: unterminated comment"},
        {"\"a\" \"b\";", "line 1: missing '='"},
        {"\"a\" = \"b\"\n\"c\" = \"d\";", "line 2: missing ';'"},
        {"\"a\" = \"b\"", "line 1: missing ';'"},
        {"\"a\" = ;", "line 1: expected a value"},
        {"\"a\" =", "line 1: missing a value"},
        {"\"a\" = \"b\";\r\n{", "line 2: expected a key"},
        {"\n\"a\" = \"\\q\";", "line 2: invalid escape \\q"},
        {"\"a\" = \"\\Uxyz\";", "line 1: invalid escape"},
        {"\"a\" = \"\\", "line 1: unterminated"},
        {"\"a\" = \"\\UD83Dx\";", "line 1: unpaired"},
        {"\"a\" = \"\\UDE00\";", "line 1: unpaired"},
        {"a = b;\n\"\xC3\x28\" = x;", "line 2: invalid UTF-8"},
        {"\"\xC0\xAF\" = x;", "line 1: invalid UTF-8"},
        {"a = \"\xE2\x98", "line 1: invalid UTF-8"},
        {"\xFF\xFE\x61\x00\x3B", "line 1: truncated UTF-16"},
        {utf16(u"a;\n\"\xD83D\" = x;", false, true), "line 2: invalid UTF-16"},
    };
    for (const auto& [input, detail] : cases) {
        const auto table = StringsTable::parse(input);
        ASSERT_FALSE(table.ok()) << input;
        EXPECT_EQ(table.error().code, platform::Error::kCoderReadCorrupt) << input;
        EXPECT_EQ(table.error().detail.rfind(detail, 0), 0u) << table.error().detail;
    }
}

TEST(StringsTable, ReadsFilesInBothEncodingsAlike) {
    const Entries expected{{"Done", "Fertig"}, {"Caf\u00e9", "\u2615 \U0001F600"}, {"ok", "ok"}};
    EXPECT_EQ(entriesOf(StringsTable::readFile(PURLANE_TEST_DATA "/strings/utf8.strings")),
              expected);
    EXPECT_EQ(entriesOf(StringsTable::readFile(PURLANE_TEST_DATA "/strings/utf16be.strings")),
              expected);

    testsupport::TempDir dir;
    const auto missing = StringsTable::readFile(dir / "Absent.strings");
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().code, platform::Error::kFileReadNoSuchFile);
    EXPECT_NE(missing.error().localizedDescription.find("Absent.strings"), std::string::npos);
    EXPECT_FALSE(StringsTable::readFile(dir.path()).ok());  // a folder is no table either
}

}  // namespace
