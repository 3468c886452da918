#include "platform/coding/Json.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "tests/support/TempDir.h"

namespace platform {
namespace {

using Arr = PropertyList::Array;
using Dict = PropertyList::Dictionary;

const char* const kCorrectFormat =
    "The data couldn\u2019t be read because it isn\u2019t in the correct format.";

TEST(Json, ParsesValuesKeepingKeyOrder) {
    auto v = Json::parse(R"({"zeta": [1, -9223372036854775808, 9223372036854775808, 1.0, 2.5e3,
        true, null], "alpha": {"b": "\u00e9\n\"\\\/", "a": "\ud83d\ude00"}})");
    ASSERT_TRUE(v.ok()) << v.error().debugDescription();
    std::string keys;
    for (const auto& [key, member] : *v->asDictionary()) keys += key + ",";
    for (const auto& [key, member] : *v->get("alpha")->asDictionary()) keys += key + ",";
    EXPECT_EQ(keys, "zeta,alpha,b,a,");

    const Arr& a = *v->get("zeta")->asArray();
    EXPECT_EQ(a[0], PropertyList(1));
    EXPECT_EQ(a[1].asInteger(), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(a[2], PropertyList(9223372036854775808.0));  // past int64: a real
    EXPECT_EQ(a[3], PropertyList(1.0));
    EXPECT_EQ(a[4], PropertyList(2500.0));
    EXPECT_EQ(a[5], PropertyList(true));
    EXPECT_TRUE(a[6].isNull());
    EXPECT_EQ(*v->get("alpha")->get("b")->asString(), "\u00e9\n\"\\/");
    EXPECT_EQ(*v->get("alpha")->get("a")->asString(), "\U0001F600");
}

TEST(Json, MalformedTextIsCorruptData) {
    for (const std::string& text :
         std::vector<std::string>{"", "{", "[1,]", "{\"a\" 1}", "tru", "[1] x", "{'a': 1}", "1e999",
                                  "[\"open]", R"(["\ud83d"])", "[\"\xff\xfe\"]",
                                  std::string(100000, '[') + std::string(100000, ']')}) {
        auto v = Json::parse(text);
        ASSERT_FALSE(v.ok()) << text.substr(0, 20);
        EXPECT_EQ(v.error().localizedDescription, kCorrectFormat);
        EXPECT_EQ(v.error().code, Error::kPropertyListReadCorrupt);
    }
    EXPECT_TRUE(Json::parse(std::string(500, '[') + std::string(500, ']')).ok());
    auto v = Json::parse("{\"a\": ?}");
    ASSERT_FALSE(v.ok());
    EXPECT_NE(v.error().detail.find("byte 7"), std::string::npos) << v.error().detail;
}

TEST(Json, Serializes) {
    PropertyList value(Dict{{"name", "Caf\u00e9 \U0001F600"},
                            {"count", 3},
                            {"ratio", 0.5},
                            {"nothing", PropertyList()},
                            {"list", Arr{true, "two"}}});
    auto text = Json::serialize(value);
    ASSERT_TRUE(text.ok()) << text.error().debugDescription();
    EXPECT_EQ(*text,
              "{\"name\":\"Caf\u00e9 \U0001F600\",\"count\":3,\"ratio\":0.5,\"nothing\":null,"
              "\"list\":[true,\"two\"]}");
    EXPECT_EQ(Json::parse(*text).valueOr({}), value);

    EXPECT_EQ(Json::serialize(Dict{{"a", Arr{1}}}, true).valueOr(""),
              "{\n  \"a\": [\n    1\n  ]\n}");
    EXPECT_EQ(Json::serialize(Arr{Date(0), PropertyList::Data{'h', 'i', '!', 0xff}}).valueOr(""),
              R"(["2001-01-01T00:00:00Z","aGkh/w=="])");

    EXPECT_FALSE(Json::serialize(Arr{Uid{1}}).ok());
    EXPECT_FALSE(Json::serialize(std::numeric_limits<double>::infinity()).ok());
    EXPECT_FALSE(Json::serialize(std::string("bad \xc3(")).ok());
}

// Arrays nested `levels` deep around a number, as a value and as text.
PropertyList nested(size_t levels) {
    PropertyList v(1);
    for (size_t i = 0; i < levels; ++i) v = PropertyList(Arr{std::move(v)});
    return v;
}
std::string nestedText(size_t levels) {
    return std::string(levels, '[') + "1" + std::string(levels, ']');
}

// Reader and writer share one limit: whatever is written can be read back, and the first level
// past it is refused both ways, in arrays and in objects alike.
TEST(Json, NestingLimitIsTheSameForReadingAndWriting) {
    constexpr size_t limit = Json::kMaxNestingDepth;
    ASSERT_EQ(limit, 512u);
    auto written = Json::serialize(nested(limit));
    ASSERT_TRUE(written.ok()) << written.error().debugDescription();
    EXPECT_EQ(*written, nestedText(limit));
    EXPECT_EQ(Json::parse(*written).valueOr({}), nested(limit));

    EXPECT_FALSE(Json::serialize(nested(limit + 1)).ok());
    auto tooDeep = Json::parse(nestedText(limit + 1));
    ASSERT_FALSE(tooDeep.ok());
    EXPECT_EQ(tooDeep.error().localizedDescription, kCorrectFormat);

    std::string objects;
    for (size_t i = 0; i < limit; ++i) objects += "{\"k\":";
    objects += "1" + std::string(limit, '}');
    auto deepest = Json::parse(objects);
    ASSERT_TRUE(deepest.ok());
    EXPECT_TRUE(Json::serialize(*deepest).ok());
    EXPECT_FALSE(Json::parse("[" + objects + "]").ok());
    EXPECT_FALSE(Json::serialize(Arr{*deepest}).ok());
}

TEST(Json, ReadsFiles) {
    testsupport::TempDir dir;
    EXPECT_EQ(Json::readFile(dir.write("ok.json", "{\"k\": [true]}")).valueOr({}),
              PropertyList(Dict{{"k", Arr{true}}}));

    auto missing = Json::readFile(dir / "x.json");
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().localizedDescription,
              "The file \u201cx.json\u201d couldn\u2019t be opened because there is no such file.");
    EXPECT_EQ(missing.error().code, Error::kFileReadNoSuchFile);

    auto broken = Json::readFile(dir.write("broken.json", "{\"k\": "));
    ASSERT_FALSE(broken.ok());
    EXPECT_EQ(broken.error().localizedDescription, kCorrectFormat);
}

}  // namespace
}  // namespace platform
