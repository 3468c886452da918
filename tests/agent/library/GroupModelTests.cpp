#include <gtest/gtest.h>

#include "agent/library/BuiltinGroupData.h"
#include "agent/library/FavoritesAndRecents.h"
#include "agent/library/Group.h"
#include "agent/library/GroupItem.h"
#include "agent/library/UserGroupData.h"
#include "platform/core/Error.h"
#include "platform/workspace/Localization.h"

using platform::PropertyList;

namespace {

PropertyList itemValue(const std::string& token, const std::string& name, PropertyList colorTag) {
    return PropertyList::Dictionary{
        {"token", token}, {"name", name}, {"desc", "d"}, {"color_tag", colorTag}};
}

PropertyList groupValue(PropertyList::Array items) {
    return PropertyList::Dictionary{{"name", "G"}, {"uuid", "u-1"}, {"items", std::move(items)}};
}

}  // namespace

TEST(GroupItemTest, FactoriesTurnMarkerTokensIntoRows) {
    using T = ItemType;
    const ItemColor red = ItemColor::red, none = ItemColor::auto_;
    const std::pair<GroupItem, GroupItem> cases[] = {
        {makeItem("-", "ignored", "ignored", red), {T::token, false, "#SPACER", "-", "", red}},
        {makeItem("#LABEL:Head", "x", "y", red), {T::label, false, "#LABEL:Head", "Head", "", red}},
        // The bare prefix takes its text from the name, and stays a token row.
        {makeItem("#LABEL:", "Mine", "y", red), {T::token, false, "#LABEL:Mine", "Mine", "", red}},
        {makeItem("tok", "Name", "Desc", red), {T::token, false, "tok", "Name", "Desc", red}},
        // The typed factory ignores token, description and colour for markers.
        {makeItem(T::label, "x", "Head", "d", red),
         {T::label, false, "#LABEL:Head", "Head", "", none}},
        {makeItem(T::separator, "x", "y", "z", red), {T::token, false, "#SPACER", "-", "", none}},
    };
    for (const auto& [made, expected] : cases) EXPECT_EQ(made, expected) << expected.token;
    EXPECT_TRUE(cases[0].first.isSpacer());
    EXPECT_TRUE(cases[2].first.isLabel()) << "a label by its token";
    EXPECT_TRUE(cases[3].first.isCleaner());
}

TEST(GroupItemTest, ItemsAndGroupsCompareAllFieldsButOrderByNameOnly) {
    const auto named = [](const char* token, const char* name) {
        return makeItem(token, name, "", ItemColor::auto_);
    };
    const GroupItem a = named("t", "Same");
    GroupItem b = a;
    b.starred = true;
    EXPECT_NE(a, b);
    EXPECT_FALSE(a < b || b < a);
    b = a;
    b.type = ItemType::label;
    EXPECT_NE(a, b);
    EXPECT_LT(named("z", "Apple"), named("a", "Banana"));
    EXPECT_LT(named("t", "Zed"), named("t", "apple")) << "byte order: upper case first";

    // Groups alike, and their items are ordered.
    EXPECT_NE(Group("Same", "u-1"), Group("Same", "u-2"));
    EXPECT_FALSE(Group("Same", "u-1") < Group("Same", "u-2") ||
                 Group("Same", "u-2") < Group("Same", "u-1"));
    EXPECT_LT(Group("A", "z"), Group("B", "a"));
    EXPECT_NE(Group("G", "u", {a, b}), Group("G", "u", {b, a}));
}

TEST(GroupItemTest, DecodesTheFourKeysAndRoundTrips) {
    PropertyList value = itemValue("#LABEL:Heading", "Heading", 7);
    value.asDictionary()->set("unknown", "ignored");
    const auto item = GroupItem::fromPropertyList(value);
    ASSERT_TRUE(item.ok());
    // The type is not stored, so a decoded label is still a token row, shown as a label by its
    // token.
    EXPECT_EQ(*item, (GroupItem{ItemType::token, false, "#LABEL:Heading", "Heading", "d",
                                ItemColor::purple}));
    EXPECT_EQ(GroupItem::fromPropertyList(item->encode()).value(), *item);
}

TEST(GroupItemTest, DecodingFailsOnMissingWrongTypedOrOutOfRangeValues) {
    PropertyList missing = itemValue("t", "n", 0);
    missing.asDictionary()->erase("desc");
    const std::pair<PropertyList, int> cases[] = {
        {missing, platform::Error::kCoderValueNotFound},
        {itemValue("t", "n", "3"), platform::Error::kCoderReadCorrupt},
        {itemValue("t", "n", 8), platform::Error::kCoderReadCorrupt},
        {itemValue("t", "n", -1), platform::Error::kCoderReadCorrupt},
    };
    for (const auto& [value, code] : cases) {
        const auto bad = GroupItem::fromPropertyList(value);
        ASSERT_FALSE(bad.ok()) << code;
        EXPECT_EQ(bad.error().code, code);
    }
}

TEST(GroupTest, OneBadItemFailsTheWholeGroupAndFile) {
    const PropertyList bad = groupValue({itemValue("a", "A", 1), itemValue("b", "B", 9)});
    EXPECT_FALSE(Group::fromPropertyList(bad).ok());

    const PropertyList file = PropertyList::Dictionary{
        {"groups", PropertyList::Array{groupValue({itemValue("a", "A", 1)}), bad}},
        {"library", groupValue({})}};
    EXPECT_FALSE(BuiltinGroupData::fromPropertyList(file).ok());

    PropertyList noItems = groupValue({});
    noItems.asDictionary()->erase("items");
    EXPECT_FALSE(Group::fromPropertyList(noItems).ok());
    EXPECT_FALSE(
        UserGroupData::fromPropertyList(PropertyList::Dictionary{{"groups", PropertyList::Array{}}})
            .ok());
}

TEST(FavoritesAndRecentsTest, BothGroupsAreEmptyAndLocallyNamed) {
    const platform::Localization localization(std::string(PURLANE_TEST_DATA) +
                                              "/../../resources/en.lproj");
    const FavoritesAndRecents groups(localization);
    EXPECT_EQ(groups.favoritesGroup(), Group("Favorites", "##Favorites"));
    EXPECT_EQ(groups.recentsGroup(), Group("Recents", "##Recents"));
}
