#include <gtest/gtest.h>

#include <functional>

#include "agent/library/PL8ColorTable.h"
#include "agent/library/PL8ListData.h"
#include "platform/PropertyListSerialization.h"
#include "tests/agent/library/LibraryTestSupport.h"

using namespace librarytest;
using platform::PropertyList;

namespace {

PropertyList legacyFixture() {
    auto value =
        platform::PropertyListSerialization::readFile(fixture("legacy/purlane-lists.plist"));
    EXPECT_TRUE(value.ok());
    return value.valueOr({});
}

SharedPurlaneData2 convert(const PropertyList& value) {
    auto lists = PL8ListData::fromPropertyList(value);
    EXPECT_TRUE(lists.ok()) << (lists.ok() ? "" : lists.error().debugDescription());
    return lists.ok() ? lists->converted() : SharedPurlaneData2{};
}

TEST(LegacyListTest, BuiltinListsGetSpecialUuidsAndTheLibraryKeepsOnlyEngineTokens) {
    const SharedPurlaneData2 data = convert(legacyFixture());
    // "Absent" has no record; the "##Custom" list stays among the built-in groups.
    EXPECT_EQ(uuidsOf(data.builtin.groups),
              (std::vector<std::string>{"##Standard", "##Plain", "##Custom"}));
    EXPECT_EQ(data.builtin.groups[1].name, "Plain");

    const Group& standard = data.builtin.groups[0];
    EXPECT_EQ(tokensOf(standard),
              (std::vector<std::string>{"#TRIM", "#UPPER", "#SPACER", "#NOINFO"}));
    EXPECT_EQ(standard.items[0].name, "Trim");
    EXPECT_EQ(standard.items[2].name, "-");
    // Undescribed tokens show as themselves.
    EXPECT_EQ(standard.items[3].name, "#NOINFO");
    EXPECT_EQ(standard.items[3].desc, "#NOINFO");
    EXPECT_EQ(data.builtin.groups[1].items[0].type, ItemType::label);
    EXPECT_EQ(data.builtin.groups[1].items[0].name, "Plain text");

    // The custom cleaner "myslug" is left out of the library and comes with the custom group.
    EXPECT_EQ(data.builtin.library.name, "Library");
    EXPECT_EQ(tokensOf(data.builtin.library),
              (std::vector<std::string>{"#TRIM", "#UPPER", "#LOWER"}));
    EXPECT_EQ(data.user.ccleaners.uuid, "##Custom");
    EXPECT_EQ(tokensOf(data.user.ccleaners), (std::vector<std::string>{"myslug"}));
}

TEST(LegacyListTest, UserListsKeepTheirUuidAndMapColours) {
    const SharedPurlaneData2 data = convert(legacyFixture());
    ASSERT_EQ(data.user.groups.size(), 1u);  // "Ghost" has no record
    const Group& web = data.user.groups[0];
    EXPECT_EQ(web.uuid, "C0FFEE00-1111-4222-8333-444455556666");
    ASSERT_EQ(tokensOf(web),
              (std::vector<std::string>{"#TRIM", "myslug", "#SPACER", "#LABEL:Mine",
                                        "#LABEL:Heading", "#UPPER", "#LOWER", "#NOINFO"}));
    EXPECT_EQ(web.items[0].color_tag, ItemColor::red);
    EXPECT_EQ(web.items[1].color_tag, ItemColor::auto_);  // "#ffe2e0": lower case
    EXPECT_EQ(web.items[1].name, "Slug");
    EXPECT_EQ(web.items[3].name, "Mine");
    EXPECT_EQ(web.items[3].color_tag, ItemColor::purple);
    // The bare label prefix is named from its token record.
    EXPECT_EQ(web.items[4].name, "Heading");
    EXPECT_EQ(web.items[4].color_tag, ItemColor::blue);
    EXPECT_EQ(web.items[6].color_tag, ItemColor::yellow);
    EXPECT_EQ(web.items[7].color_tag, ItemColor::auto_);
}

TEST(LegacyListTest, MissingSpecialListsBecomeEmptyNamedGroups) {
    PropertyList value = legacyFixture();
    value.asDictionary()->set("^^AUTOMATIC-NAMES^^",
                              PropertyList::Array{"Standard", "Standard", "Plain"});
    // A later record of the same name replaces the earlier one.
    PropertyList::Array master = *value.get("^^MASTER^^")->asArray();
    PropertyList replacement = master[1];
    replacement.asDictionary()->set("list", PropertyList::Array{"#UPPER"});
    master.push_back(replacement);
    value.asDictionary()->set("^^MASTER^^", master);

    const SharedPurlaneData2 data = convert(value);
    EXPECT_EQ(uuidsOf(data.builtin.groups),
              (std::vector<std::string>{"##Standard", "##Standard", "##Plain"}));
    EXPECT_EQ(tokensOf(data.builtin.groups[2]), (std::vector<std::string>{"#UPPER"}));
    EXPECT_EQ(data.builtin.library, Group("Library", "##Library"));
    EXPECT_EQ(data.user.ccleaners, Group("Custom", "##Custom"));
}

TEST(LegacyListTest, UuidNormalisation) {
    EXPECT_EQ(PL8ListData::normalizedUuid("Standard"), "##Standard");
    EXPECT_EQ(PL8ListData::normalizedUuid("#Standard"), "##Standard");
    EXPECT_EQ(PL8ListData::normalizedUuid("##Standard"), "##Standard");
    EXPECT_EQ(PL8ListData::normalizedUuid("###x"), "###x");
    EXPECT_EQ(PL8ListData::normalizedUuid(""), "##");
}

TEST(LegacyListTest, EveryKeyIsRequiredAndTyped) {
    auto missing = PL8ListData::readFile(fixture("broken/purlane-lists-missing-key.plist"));
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().localizedDescription,
              platform::Error::valueMissing().localizedDescription);

    const auto fails = [](const std::function<void(PropertyList::Dictionary&)>& change) {
        PropertyList value = legacyFixture();
        change(*value.asDictionary());
        return !PL8ListData::fromPropertyList(value).ok();
    };
    EXPECT_TRUE(fails([](auto& d) { d.set("^^FORMAT-VERSION^^", "3"); }));
    EXPECT_TRUE(fails([](auto& d) {
        d.set("^^REVERSE_TOKENINFO^^", PropertyList::Dictionary{{"a", 1}});
    }));
    EXPECT_TRUE(fails([](auto& d) {
        d.set("^^TOKENINFO^^",
              PropertyList::Dictionary{{"#A", PropertyList::Dictionary{{"name", "A"}}}});
    }));
    EXPECT_TRUE(fails([](auto& d) {
        auto master = *d.find("^^MASTER^^")->asArray();
        master[0].asDictionary()->erase("richlist");
        d.set("^^MASTER^^", master);
    }));
    EXPECT_TRUE(fails([](auto& d) {
        auto master = *d.find("^^MASTER^^")->asArray();
        master[0].asDictionary()->set("last-modified", "yesterday");
        d.set("^^MASTER^^", master);
    }));
    EXPECT_FALSE(fails([](auto&) {}));
}

TEST(LegacyColorTableTest, ExactUpperCaseMatchesOnly) {
    const PL8ColorTable& table = PL8ColorTable::shared();
    EXPECT_EQ(table.size(), 119u);
    EXPECT_EQ(table.colorFor("#FFE2E0"), ItemColor::red);
    EXPECT_EQ(table.colorFor("#ffe2e0"), ItemColor::auto_);
    EXPECT_EQ(table.colorFor("#FFE2E0 "), ItemColor::auto_);
    EXPECT_EQ(table.colorFor("FFE2E0"), ItemColor::auto_);
    EXPECT_EQ(table.colorFor(""), ItemColor::auto_);
    // The first and last swatch of each colour.
    const std::pair<const char*, ItemColor> samples[] = {
        {"#565656", ItemColor::auto_},  {"#000000", ItemColor::auto_},
        {"#F1558B", ItemColor::red},    {"#60661F", ItemColor::green},
        {"#5C8945", ItemColor::green},  {"#D1F4FD", ItemColor::blue},
        {"#83B9FA", ItemColor::blue},   {"#E19538", ItemColor::orange},
        {"#E76424", ItemColor::orange}, {"#FFF87B", ItemColor::yellow},
        {"#797323", ItemColor::yellow}, {"#FFE8BD", ItemColor::brown},
        {"#6A4D10", ItemColor::brown},  {"#782F8A", ItemColor::purple},
        {"#170D4A", ItemColor::purple},
    };
    for (const auto& [hex, color] : samples) EXPECT_EQ(table.colorFor(hex), color) << hex;
}

}  // namespace
