#include "platform/coding/OldStylePropertyList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace platform {
namespace {

using Dict = PropertyList::Dictionary;
using Array = PropertyList::Array;

// A name for failure messages, a text form and the value it stands for.
struct Case {
    const char* name;
    std::string text;
    PropertyList value;
};

TEST(OldStylePropertyList, WritesAsDefaultsReadPrints) {
    const std::vector<Case> cases = {
        {"bare string", "com.halvik.purlane", "com.halvik.purlane"},
        {"bare punctuation", "a_b$c+d/e:f.g-h", "a_b$c+d/e:f.g-h"},
        {"empty string", "\"\"", ""},
        {"space", "\"two words\"", "two words"},
        {"escapes", R"("q\"b\\n\nt\tr\r")", "q\"b\\n\nt\tr\r"},
        {"control", R"("a\U0001")", std::string("a\x01", 2)},
        {"utf8 kept", "\"caf\xc3\xa9\"", "caf\xc3\xa9"},
        {"comment-like", "\"a//b\"", "a//b"},
        {"comment-like block", "\"/*\"", "/*"},
        {"integer", "-42", -42},
        {"real", "0.5", 0.5},
        {"whole real", "3", 3.0},
        {"booleans", "(\n    1,\n    0\n)", Array{true, false}},
        {"data", "<0102ab04 05>", PropertyList::Data{1, 2, 0xab, 4, 5}},
        {"empty data", "<>", PropertyList::Data{}},
        {"date", "\"2026-12-06 18:16:44 +0000\"", Date::fromUnixTime(1796581004)},
        {"empty array", "(\n)", Array{}},
        {"empty dictionary", "{\n}", Dict{}},
        {"sorted keys", "{\n    \"a key\" = 1;\n    b = 2;\n}", Dict{{"b", 2}, {"a key", 1}}},
        {"nested",
         "{\n"
         "    list =     (\n"
         "                {\n"
         "            x = 1;\n"
         "        },\n"
         "                (\n"
         "        )\n"
         "    );\n"
         "    map =     {\n"
         "        y = z;\n"
         "    };\n"
         "}",
         Dict{{"list", Array{Dict{{"x", 1}}, Array{}}}, {"map", Dict{{"y", "z"}}}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OldStylePropertyList::write(c.value), c.text) << c.name;
        // Strings and data read back as they were; numbers and dates come back as text.
        if (c.value.isString() || c.value.isData())
            EXPECT_EQ(OldStylePropertyList::read(c.text).valueOr({}), c.value) << c.name;
    }
}

TEST(OldStylePropertyList, ReadsValues) {
    const std::vector<Case> cases = {
        {"bare", "  hello  ", "hello"},
        {"numbers stay text", "42", "42"},
        {"quoted", R"("a \"b\" \\ \n\t")", "a \"b\" \\ \n\t"},
        {"single quotes", "'it'", "it"},
        {"unicode", R"("\U00e9\U20ac")", "\xc3\xa9\xe2\x82\xac"},
        {"surrogate pair", R"("\Ud83d\Ude00")", "\xf0\x9f\x98\x80"},
        {"octal", R"("\101\0")", std::string("A\0", 2)},
        {"data", "<01 02ab04\n05>", PropertyList::Data{1, 2, 0xab, 4, 5}},
        {"array with trailing comma", "(a, \"b\",)", Array{"a", "b"}},
        {"empty array", "()", Array{}},
        {"dictionary", "{ a = 1; \"b c\" = (x); }", Dict{{"a", "1"}, {"b c", Array{"x"}}}},
        {"later key wins", "{a=1;a=2;}", Dict{{"a", "2"}}},
        {"comments", "// lead\n{ /* inner */ a = b; // tail\n}", Dict{{"a", "b"}}},
        {"bare string stops at comment", "(a// c\n)", Array{"a"}},
    };
    for (const auto& c : cases) {
        auto result = OldStylePropertyList::read(c.text);
        ASSERT_TRUE(result.ok()) << c.name << ": " << result.error().debugDescription();
        EXPECT_EQ(*result, c.value) << c.name;
    }
}

TEST(OldStylePropertyList, RejectsMalformedTextNamingThePlace) {
    // Each text with what its error's detail starts with.
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "line 1, column 1: expected a value"},
        {"/* x */", "line 1, column 8: expected a value"},
        {"a /* x", "line 1, column 3: unterminated comment"},
        {"{\n  a = \"abc\n}", "line 2, column 7: string without"},
        {"{\n  a = b\n}", "line 3, column 1: expected ';'"},
        {"{ a b; }", "line 1, column 5: expected '='"},
        {"{ a = b;", "line 1, column 9: expected a key or '}'"},
        {"(a b)", "line 1, column 4: expected ',' or ')'"},
        {"(a,,b)", "line 1, column 4: expected a value"},
        {"<abc>", "line 1, column 5: data with an odd number"},
        {"<0g>", "line 1, column 3: expected a hexadecimal digit"},
        {"<00", "line 1, column 1: data without"},
        {R"("\q")", "line 1, column 2: unknown escape"},
        {R"("\Ud800x")", "line 1, column 2: high surrogate"},
        {R"("\377")", "line 1, column 2: octal escape"},
        {"a b", "line 1, column 3: unexpected text"},
        {"{ a = ; }", "line 1, column 7: expected a value, found ';'"},
        {std::string("\x01"), "line 1, column 1: expected a value, found byte 0x01"},
        {std::string(600, '(') + std::string(600, ')'), "line 1, column 514: nested"},
    };
    for (const auto& [text, where] : cases) {
        auto result = OldStylePropertyList::read(text);
        ASSERT_FALSE(result.ok()) << where;
        EXPECT_EQ(result.error().code, Error::kPropertyListReadCorrupt) << where;
        EXPECT_EQ(result.error().detail.rfind(where, 0), 0u) << result.error().detail;
    }
}

}  // namespace
}  // namespace platform
