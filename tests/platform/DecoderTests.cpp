#include "platform/coding/Decoder.h"

#include <gtest/gtest.h>

#include "platform/coding/Json.h"

namespace platform {
namespace {

const char* const kMissing = "The data couldn\u2019t be read because it is missing.";
const char* const kCorrectFormat =
    "The data couldn\u2019t be read because it isn\u2019t in the correct format.";

using Item = std::tuple<std::string, std::string, int64_t>;  // token, name, color tag

struct Group {
    std::string name;
    std::vector<Item> items;
    std::vector<std::string> tags;
    std::optional<double> weight;
    bool pinned = false;
};

Result<Group> decodeGroup(const PropertyList& value) {
    auto item = [](Decoder& i) {
        return Item{i.string("token"), i.string("name"), i.integer("color_tag")};
    };
    Decoder d(value);
    // Braced initializers run in order, so the first failure is the first member's.
    Group g{d.string("name"), d.arrayIfPresent("items", item).value_or(std::vector<Item>{}),
            d.stringArray("tags"), d.realIfPresent("weight"),
            d.booleanIfPresent("pinned").value_or(false)};
    if (d.failed()) return d.error();
    return g;
}

PropertyList json(const std::string& text) {
    auto v = Json::parse(text);
    EXPECT_TRUE(v.ok()) << text;
    return v.valueOr({});
}

TEST(Decoder, DecodesNestedRecord) {
    auto g = decodeGroup(json(R"({"name": "Web", "tags": ["a", "b"], "weight": 2,
        "items": [{"token": "t1", "name": "One", "color_tag": 3, "extra": "ignored"},
                  {"token": "t2", "name": "Two", "color_tag": 0.0}]})"));
    ASSERT_TRUE(g.ok()) << g.error().debugDescription();
    EXPECT_EQ(g->name, "Web");
    EXPECT_EQ(g->items, (std::vector<Item>{{"t1", "One", 3}, {"t2", "Two", 0}}));
    EXPECT_EQ(g->tags, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(g->weight, 2.0);  // an integer read as a real
    EXPECT_FALSE(g->pinned);
}

TEST(Decoder, MissingAndWrongTypeFailures) {
    // The JSON, the error's description and the coding path its detail names.
    const char* const cases[][3] = {
        {R"({"tags": []})", kMissing, "name"},
        {R"({"name": null, "tags": []})", kMissing, "name"},
        {R"({"name": 5, "tags": []})", kCorrectFormat, "name"},
        {R"({"name": "G"})", kMissing, "tags"},
        {R"({"name": "G", "tags": ["a", 1]})", kCorrectFormat, "tags[1]"},
        {R"({"name": "G", "tags": ["a", null]})", kMissing, "tags[1]"},
        {R"({"name": "G", "tags": [], "pinned": 1})", kCorrectFormat, "pinned"},
        {R"({"name": "G", "tags": [], "items": [{"token": "t", "name": "n", "color_tag": 1.5}]})",
         kCorrectFormat, "items[0].color_tag"},
        {R"({"name": "G", "tags": [], "items": [{"token": "t", "name": "n", "color_tag": 1},
            {"token": "t", "name": "n", "color_tag": true}]})",
         kCorrectFormat, "items[1].color_tag"},
        {R"({"name": "G", "tags": [], "items": [{"name": "n", "color_tag": 1}]})", kMissing,
         "items[0].token"},
        {"[]", kCorrectFormat, "top level"},
    };
    for (const auto& [text, description, path] : cases) {
        auto g = decodeGroup(json(text));
        ASSERT_FALSE(g.ok()) << text;
        EXPECT_EQ(g.error().localizedDescription, description) << text;
        EXPECT_NE(g.error().detail.find(path), std::string::npos) << g.error().detail;
    }
}

TEST(Decoder, FirstFailureSticksAcrossChildDecoders) {
    auto value = json(R"({"outer": {"inner": {"v": 1}}, "b": 7, "list": [1]})");
    Decoder d(value);
    d.nested("outer", [](Decoder& outer) {
        return outer.nested("inner", [](Decoder& inner) {
            inner.failBadValue("v", "out of range");
            return 0;
        });
    });
    ASSERT_TRUE(d.failed());
    const Error first = d.error();
    EXPECT_EQ(first.localizedDescription, kCorrectFormat);
    EXPECT_NE(first.detail.find("outer.inner.v"), std::string::npos) << first.detail;

    EXPECT_EQ(d.integer("b"), 0);
    EXPECT_EQ(d.string("missing"), "");
    EXPECT_TRUE(d.array("list", [](Decoder& e) { return e.asInteger(); }).empty());
    d.fail(Error::valueMissing("later"));
    EXPECT_EQ(d.error().detail, first.detail);
}

TEST(Decoder, OptionalValuesAndOtherForms) {
    auto value = json(R"({"n": null, "i": 4, "arr": null, "d": "2001-01-01T00:01:40Z", "t": 100,
        "b": "AQID", "bad": "AQI*"})");
    Decoder d(value, Decoder::Source::json);
    EXPECT_TRUE(d.contains("n"));
    EXPECT_EQ(d.stringIfPresent("n"), std::nullopt);
    EXPECT_EQ(d.integerIfPresent("absent"), std::nullopt);
    EXPECT_EQ(d.arrayIfPresent("arr", [](Decoder& e) { return e.asString(); }), std::nullopt);
    // JSON has dates as text or seconds and data as base64.
    EXPECT_EQ(d.date("d"), Date(100));
    EXPECT_EQ(d.date("t"), Date(100));
    EXPECT_EQ(d.data("b"), (PropertyList::Data{1, 2, 3}));
    EXPECT_FALSE(d.failed());
    EXPECT_TRUE(d.data("bad").empty());
    EXPECT_TRUE(d.failed());

    PropertyList plist(PropertyList::Dictionary{{"d", Date(5)}, {"big", 1e19}});
    Decoder p(plist);
    EXPECT_EQ(p.date("d"), Date(5));
    EXPECT_EQ(p.integer("big"), 0);  // integral but beyond int64
    EXPECT_TRUE(p.failed());
}

// Dates as numbers or text and data as base64 text are JSON's conventions; from a property list,
// which has its own date and data types, a value of another type fails the decoding.
TEST(Decoder, OnlyJsonReadsDatesAndDataFromNumbersAndText) {
    const PropertyList::Dictionary values = {
        {"seconds", 100}, {"real", 100.5}, {"iso", "2001-01-01T00:01:40Z"}, {"base64", "AQID"}};
    struct Case {
        const char* key;
        bool asDate;
    };
    for (const Case c :
         {Case{"seconds", true}, Case{"real", true}, Case{"iso", true}, Case{"base64", false}}) {
        for (const auto source : {Decoder::Source::json, Decoder::Source::propertyList}) {
            const PropertyList value(values);
            Decoder d(value, source);
            if (c.asDate)
                (void)d.date(c.key);
            else
                (void)d.data(c.key);
            const bool json = source == Decoder::Source::json;
            EXPECT_EQ(d.failed(), !json)
                << c.key << (json ? " from JSON" : " from a property list");
            if (!json) EXPECT_EQ(d.error().code, Error::kCoderReadCorrupt) << c.key;
        }
    }
    const PropertyList typed(
        PropertyList::Dictionary{{"d", Date(7)}, {"b", PropertyList::Data{9}}});
    Decoder p(typed);
    EXPECT_EQ(p.date("d"), Date(7));
    EXPECT_EQ(p.data("b"), PropertyList::Data{9});
    EXPECT_FALSE(p.failed());
}

}  // namespace
}  // namespace platform
