#include <gtest/gtest.h>

#include "agent/library/BuiltinGroupData.h"
#include "agent/library/FavoritesAndRecents.h"
#include "agent/library/Group.h"
#include "agent/library/GroupItem.h"
#include "agent/library/UserGroupData.h"
#include "platform/Error.h"
#include "platform/Localization.h"

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

TEST(GroupItemTest, FactoryTurnsMarkerTokensIntoRows) {
    const GroupItem spacer = makeItem("-", "ignored", "ignored", ItemColor::red);
    EXPECT_EQ(spacer.token, "#SPACER");
    EXPECT_EQ(spacer.name, "-");
    EXPECT_EQ(spacer.desc, "");
    EXPECT_EQ(spacer.color_tag, ItemColor::red);
    EXPECT_TRUE(spacer.isSpacer());

    const GroupItem label = makeItem("#LABEL:Heading", "x", "y", ItemColor::blue);
    EXPECT_EQ(label.type, ItemType::label);
    EXPECT_EQ(label.name, "Heading");
    EXPECT_EQ(label.desc, "");
    EXPECT_TRUE(label.isLabel());

    // The bare prefix takes its text from the name, and stays a token row.
    const GroupItem bare = makeItem("#LABEL:", "Mine", "y", ItemColor::auto_);
    EXPECT_EQ(bare.type, ItemType::token);
    EXPECT_EQ(bare.token, "#LABEL:Mine");
    EXPECT_EQ(bare.name, "Mine");
    EXPECT_TRUE(bare.isLabel());

    const GroupItem cleaner = makeItem("tok", "Name", "Desc", ItemColor::green);
    EXPECT_EQ(cleaner,
              (GroupItem{ItemType::token, false, "tok", "Name", "Desc", ItemColor::green}));
    EXPECT_TRUE(cleaner.isCleaner());
}

TEST(GroupItemTest, TypedFactoryIgnoresTokenAndColourForMarkers) {
    const GroupItem label = makeItem(ItemType::label, "unused", "Head", "d", ItemColor::red);
    EXPECT_EQ(label, makeItem("#LABEL:Head", "Head", "", ItemColor::auto_));
    const GroupItem separator = makeItem(ItemType::separator, "x", "y", "z", ItemColor::red);
    EXPECT_EQ(separator.token, "#SPACER");
    EXPECT_EQ(separator.color_tag, ItemColor::auto_);
    EXPECT_EQ(makeItem(ItemType::token, "t", "n", "d", ItemColor::brown),
              makeItem("t", "n", "d", ItemColor::brown));
}

TEST(GroupItemTest, RawValuesConvertOnlyInRange) {
    EXPECT_EQ(itemColorFromRaw(7), ItemColor::purple);
    EXPECT_FALSE(itemColorFromRaw(8));
    EXPECT_FALSE(itemColorFromRaw(-1));
    EXPECT_EQ(itemTypeFromRaw(2), ItemType::separator);
    EXPECT_FALSE(itemTypeFromRaw(3));
    EXPECT_EQ(systemColor(ItemColor::auto_).name, "labelColor");
    EXPECT_EQ(systemColor(ItemColor::purple).name, "systemPurpleColor");
}

TEST(GroupItemTest, EqualityUsesAllFieldsOrderingOnlyTheName) {
    GroupItem a = makeItem("t", "Same", "d", ItemColor::auto_);
    GroupItem b = a;
    b.starred = true;
    EXPECT_NE(a, b);
    EXPECT_FALSE(a < b);
    EXPECT_FALSE(b < a);
    b = a;
    b.type = ItemType::label;
    EXPECT_NE(a, b);
    EXPECT_LT(makeItem("z", "Apple", "", ItemColor::auto_),
              makeItem("a", "Banana", "", ItemColor::auto_));
    // Byte order: upper case sorts before lower case.
    EXPECT_LT(makeItem("t", "Zed", "", ItemColor::auto_),
              makeItem("t", "apple", "", ItemColor::auto_));
}

TEST(GroupItemTest, DecodesTheFourKeysAndRoundTrips) {
    PropertyList value = itemValue("#LABEL:Heading", "Heading", 7);
    value.asDictionary()->set("unknown", "ignored");
    const auto item = GroupItem::fromPropertyList(value);
    ASSERT_TRUE(item.ok());
    // Not stored, so a decoded label is still a token row, shown as a label by its token.
    EXPECT_EQ(item->type, ItemType::token);
    EXPECT_FALSE(item->starred);
    EXPECT_TRUE(item->isLabel());
    EXPECT_EQ(item->color_tag, ItemColor::purple);

    const auto again = GroupItem::fromPropertyList(item->encode());
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(*again, *item);
    EXPECT_FALSE(item->encode().get("type"));
}

TEST(GroupItemTest, DecodingFailsOnMissingWrongTypedOrOutOfRangeValues) {
    PropertyList missing = itemValue("t", "n", 0);
    missing.asDictionary()->erase("desc");
    const auto noDesc = GroupItem::fromPropertyList(missing);
    ASSERT_FALSE(noDesc.ok());
    EXPECT_EQ(noDesc.error().code, platform::Error::kCoderValueNotFound);

    const auto wrongType = GroupItem::fromPropertyList(itemValue("t", "n", "3"));
    ASSERT_FALSE(wrongType.ok());
    EXPECT_EQ(wrongType.error().code, platform::Error::kCoderReadCorrupt);

    for (int raw : {8, 9, -1}) {
        const auto bad = GroupItem::fromPropertyList(itemValue("t", "n", raw));
        ASSERT_FALSE(bad.ok()) << raw;
        EXPECT_EQ(bad.error().code, platform::Error::kCoderReadCorrupt);
        EXPECT_EQ(bad.error().localizedDescription,
                  platform::Error::corruptData().localizedDescription);
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

TEST(GroupTest, LibraryHalvesRoundTrip) {
    UserGroupData user;
    user.groups.push_back(Group("Mine", "u-1", {makeItem("t", "T", "D", ItemColor::orange)}));
    user.ccleaners = Group("Custom", "##Custom", {makeItem("#SPACER", "", "", ItemColor::auto_)});
    const auto decoded = UserGroupData::fromPropertyList(user.encode());
    ASSERT_TRUE(decoded.ok());
    EXPECT_EQ(*decoded, user);
}

TEST(GroupTest, EqualityComparesEverythingOrderingOnlyNames) {
    const Group a("Same", "u-1");
    const Group b("Same", "u-2");
    EXPECT_NE(a, b);
    EXPECT_FALSE(a < b);
    EXPECT_FALSE(b < a);
    EXPECT_LT(Group("A", "z"), Group("B", "a"));

    Group c(
        "G", "u",
        {makeItem("1", "One", "", ItemColor::auto_), makeItem("2", "Two", "", ItemColor::auto_)});
    Group d = c;
    std::swap(d.items[0], d.items[1]);
    EXPECT_NE(c, d);

    const IGroup& view = c;
    EXPECT_EQ(view.groupName(), "G");
    EXPECT_EQ(view.groupItems().size(), 2u);
}

TEST(FavoritesAndRecentsTest, BothGroupsAreEmptyAndLocallyNamed) {
    const platform::Localization localization(std::string(PURLANE_TEST_DATA) +
                                              "/../../resources/en.lproj");
    const FavoritesAndRecents groups(localization);
    EXPECT_EQ(groups.favoritesGroup(), Group("Favorites", "##Favorites"));
    EXPECT_EQ(groups.recentsGroup(), Group("Recents", "##Recents"));
}
