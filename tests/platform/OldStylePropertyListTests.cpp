#include "platform/OldStylePropertyList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using platform::Date;
using platform::OldStylePropertyList;
using platform::PropertyList;
using Dict = platform::PropertyList::Dictionary;
using Array = platform::PropertyList::Array;

struct WriteCase {
    const char* name;
    PropertyList value;
    std::string text;
};

TEST(OldStylePropertyList, WritesAsDefaultsReadPrints) {
    const std::vector<WriteCase> cases = {
        {"bare string", PropertyList("com.halvik.purlane"), "com.halvik.purlane"},
        {"bare punctuation", PropertyList("a_b$c+d/e:f.g-h"), "a_b$c+d/e:f.g-h"},
        {"empty string", PropertyList(""), "\"\""},
        {"space", PropertyList("two words"), "\"two words\""},
        {"escapes", PropertyList("q\"b\\n\nt\tr\r"), R"("q\"b\\n\nt\tr\r")"},
        {"control", PropertyList(std::string("a\x01", 2)), R"("a\U0001")"},
        {"utf8 kept", PropertyList("caf\xc3\xa9"), "\"caf\xc3\xa9\""},
        {"comment-like", PropertyList("a//b"), "\"a//b\""},
        {"comment-like block", PropertyList("/*"), "\"/*\""},
        {"integer", PropertyList(-42), "-42"},
        {"real", PropertyList(0.5), "0.5"},
        {"whole real", PropertyList(3.0), "3"},
        {"true", PropertyList(true), "1"},
        {"false", PropertyList(false), "0"},
        {"data", PropertyList(PropertyList::Data{1, 2, 0xab, 4, 5}), "<0102ab04 05>"},
        {"empty data", PropertyList(PropertyList::Data{}), "<>"},
        {"date", PropertyList(Date::fromUnixTime(1796581004)), "\"2026-12-06 18:16:44 +0000\""},
        {"empty array", PropertyList(Array{}), "(\n)"},
        {"empty dictionary", PropertyList(Dict{}), "{\n}"},
        {"array", PropertyList(Array{"a", "b c"}), "(\n    a,\n    \"b c\"\n)"},
        {"sorted keys", PropertyList(Dict{{"b", 2}, {"a key", 1}}),
         "{\n    \"a key\" = 1;\n    b = 2;\n}"},
        {"nested",
         PropertyList(Dict{{"list", Array{Dict{{"x", 1}}, Array{}}}, {"map", Dict{{"y", "z"}}}}),
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
         "}"},
    };
    for (const auto& c : cases) EXPECT_EQ(OldStylePropertyList::write(c.value), c.text) << c.name;
}

struct ReadCase {
    const char* name;
    std::string text;
    PropertyList value;
};

TEST(OldStylePropertyList, ReadsValues) {
    const std::vector<ReadCase> cases = {
        {"bare", "  hello  ", PropertyList("hello")},
        {"numbers stay text", "42", PropertyList("42")},
        {"quoted", R"("a \"b\" \\ \n\t")", PropertyList("a \"b\" \\ \n\t")},
        {"single quotes", "'it'", PropertyList("it")},
        {"unicode", R"("\U00e9\U20ac")", PropertyList("\xc3\xa9\xe2\x82\xac")},
        {"surrogate pair", R"("\Ud83d\Ude00")", PropertyList("\xf0\x9f\x98\x80")},
        {"octal", R"("\101\0")", PropertyList(std::string("A\0", 2))},
        {"data", "<01 02ab04\n05>", PropertyList(PropertyList::Data{1, 2, 0xab, 4, 5})},
        {"array with trailing comma", "(a, \"b\",)", PropertyList(Array{"a", "b"})},
        {"empty array", "()", PropertyList(Array{})},
        {"dictionary", "{ a = 1; \"b c\" = (x); }",
         PropertyList(Dict{{"a", "1"}, {"b c", Array{"x"}}})},
        {"later key wins", "{a=1;a=2;}", PropertyList(Dict{{"a", "2"}})},
        {"comments", "// lead\n{ /* inner */ a = b; // tail\n}", PropertyList(Dict{{"a", "b"}})},
        {"bare string stops at comment", "(a// c\n)", PropertyList(Array{"a"})},
    };
    for (const auto& c : cases) {
        auto result = OldStylePropertyList::read(c.text);
        ASSERT_TRUE(result.ok()) << c.name << ": " << result.error().debugDescription();
        EXPECT_EQ(*result, c.value) << c.name;
    }
}

TEST(OldStylePropertyList, ReadsBackWhatItWrites) {
    const PropertyList value(Dict{
        {"empty", ""},
        {"odd", "tab\there \"quoted\" back\\slash\x01 caf\xc3\xa9 a//b"},
        {"list", Array{"a", Array{}, Dict{{"k", "v"}}}},
        {"blob", PropertyList::Data{0, 0xff, 0x10}},
    });
    auto back = OldStylePropertyList::read(OldStylePropertyList::write(value));
    ASSERT_TRUE(back.ok()) << back.error().debugDescription();
    EXPECT_EQ(*back, value);
}

struct ErrorCase {
    const char* name;
    std::string text;
    std::string where;  // expected at the start of the error's detail
};

TEST(OldStylePropertyList, RejectsMalformedTextNamingThePlace) {
    const std::vector<ErrorCase> cases = {
        {"empty", "", "line 1, column 1: expected a value"},
        {"only comment", "/* x */", "line 1, column 8: expected a value"},
        {"unterminated comment", "a /* x", "line 1, column 3: unterminated comment"},
        {"unterminated string", "{\n  a = \"abc\n}", "line 2, column 7: string without"},
        {"missing semicolon", "{\n  a = b\n}", "line 3, column 1: expected ';'"},
        {"missing equals", "{ a b; }", "line 1, column 5: expected '='"},
        {"missing brace", "{ a = b;", "line 1, column 9: expected a key or '}'"},
        {"missing comma", "(a b)", "line 1, column 4: expected ',' or ')'"},
        {"double comma", "(a,,b)", "line 1, column 4: expected a value"},
        {"odd hex", "<abc>", "line 1, column 5: data with an odd number"},
        {"bad hex", "<0g>", "line 1, column 3: expected a hexadecimal digit"},
        {"open data", "<00", "line 1, column 1: data without"},
        {"unknown escape", R"("\q")", "line 1, column 2: unknown escape"},
        {"lone surrogate", R"("\Ud800x")", "line 1, column 2: high surrogate"},
        {"high octal", R"("\377")", "line 1, column 2: octal escape"},
        {"trailing text", "a b", "line 1, column 3: unexpected text"},
        {"stray character", "{ a = ; }", "line 1, column 7: expected a value, found ';'"},
        {"control byte", std::string("\x01"),
         "line 1, column 1: expected a value, found byte 0x01"},
        {"too deep", std::string(600, '(') + std::string(600, ')'), "line 1, column 514: nested"},
    };
    for (const auto& c : cases) {
        auto result = OldStylePropertyList::read(c.text);
        ASSERT_FALSE(result.ok()) << c.name;
        EXPECT_EQ(result.error().code, platform::Error::kPropertyListReadCorrupt) << c.name;
        EXPECT_EQ(result.error().detail.rfind(c.where, 0), 0u)
            << c.name << ": " << result.error().detail;
    }
}

}  // namespace
