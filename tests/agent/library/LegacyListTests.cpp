#include <gtest/gtest.h>

#include <functional>

#include "agent/library/PL8ColorTable.h"
#include "agent/library/PL8ListData.h"
#include "platform/coding/PropertyListSerialization.h"
#include "tests/agent/library/LibraryTestSupport.h"

using namespace librarytest;
using platform::PropertyList;

namespace {

using Names = std::vector<std::string>;

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

TEST(LegacyListTest, ConvertsBuiltinAndUserListsAndKeepsOnlyEngineTokensInTheLibrary) {
    const SharedPurlaneData2 data = convert(legacyFixture());
    // "Absent" has no record; the "##Custom" list stays among the built-in groups.
    EXPECT_EQ(uuidsOf(data.builtin.groups), (Names{"##Standard", "##Plain", "##Custom"}));

    const Group& standard = data.builtin.groups[0];
    EXPECT_EQ(tokensOf(standard), (Names{"#TRIM", "#UPPER", "#SPACER", "#NOINFO"}));
    EXPECT_EQ(standard.items[0].name, "Trim");
    // Undescribed tokens show as themselves.
    EXPECT_EQ(standard.items[3], makeItem("#NOINFO", "#NOINFO", "#NOINFO", ItemColor::auto_));
    EXPECT_EQ(data.builtin.groups[1].items[0].type, ItemType::label);

    // The custom cleaner "myslug" is left out of the library and comes with the custom group.
    EXPECT_EQ(tokensOf(data.builtin.library), (Names{"#TRIM", "#UPPER", "#LOWER"}));
    EXPECT_EQ(data.user.ccleaners.uuid, "##Custom");
    EXPECT_EQ(tokensOf(data.user.ccleaners), (Names{"myslug"}));

    // User lists keep their uuid and map their colours.
    ASSERT_EQ(data.user.groups.size(), 1u);  // "Ghost" has no record
    const Group& web = data.user.groups[0];
    EXPECT_EQ(web.uuid, "C0FFEE00-1111-4222-8333-444455556666");
    ASSERT_EQ(tokensOf(web), (Names{"#TRIM", "myslug", "#SPACER", "#LABEL:Mine", "#LABEL:Heading",
                                    "#UPPER", "#LOWER", "#NOINFO"}));
    // "myslug" has "#ffe2e0", lower case, so no colour.
    using enum ItemColor;
    std::vector<ItemColor> colors;
    for (const GroupItem& item : web.items) colors.push_back(item.color_tag);
    EXPECT_EQ(colors,
              (std::vector<ItemColor>{red, auto_, auto_, purple, blue, purple, yellow, auto_}));
    EXPECT_EQ(web.items[1].name, "Slug");
    EXPECT_EQ(web.items[3].name, "Mine");
    EXPECT_EQ(web.items[4].name, "Heading") << "the bare label prefix is named by its record";
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
    EXPECT_EQ(uuidsOf(data.builtin.groups), (Names{"##Standard", "##Standard", "##Plain"}));
    EXPECT_EQ(tokensOf(data.builtin.groups[2]), (Names{"#UPPER"}));
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

    using Edit = std::function<void(PropertyList::Dictionary&)>;
    const auto fails = [](const Edit& change) {
        PropertyList value = legacyFixture();
        change(*value.asDictionary());
        return !PL8ListData::fromPropertyList(value).ok();
    };
    const auto inFirstRecord = [](auto& d, const Edit& f) {
        auto master = *d.find("^^MASTER^^")->asArray();
        f(*master[0].asDictionary());
        d.set("^^MASTER^^", master);
    };
    const PropertyList::Dictionary nameOnly{{"#A", PropertyList::Dictionary{{"name", "A"}}}};
    const PropertyList::Dictionary numberValue{{"a", 1}};
    EXPECT_FALSE(fails([](auto&) {}));
    EXPECT_TRUE(fails([](auto& d) { d.set("^^FORMAT-VERSION^^", "3"); }));
    EXPECT_TRUE(fails([&](auto& d) { d.set("^^REVERSE_TOKENINFO^^", numberValue); }));
    EXPECT_TRUE(fails([&](auto& d) { d.set("^^TOKENINFO^^", nameOnly); }));
    EXPECT_TRUE(fails([&](auto& d) { inFirstRecord(d, [](auto& r) { r.erase("richlist"); }); }));
    // A date must be a date: the number and text forms of JSON do not pass for one here.
    const std::pair<const char*, PropertyList> notDates[] = {
        {"integer", 5}, {"real", 5.5}, {"ISO text", "2024-03-01T12:00:00Z"}, {"text", "yesterday"}};
    for (const auto& [what, value] : notDates) {
        const PropertyList& notADate = value;
        EXPECT_TRUE(fails([&](auto& d) {
            inFirstRecord(d, [&](auto& r) { r.set("last-modified", notADate); });
        })) << what;
    }
}

TEST(LegacyColorTableTest, ExactUpperCaseMatchesOnly) {
    const PL8ColorTable& table = PL8ColorTable::shared();
    EXPECT_EQ(table.size(), 119u);
    EXPECT_EQ(table.colorFor("#FFE2E0"), ItemColor::red);
    for (const char* near : {"#ffe2e0", "#FFE2E0 ", "FFE2E0", ""})
        EXPECT_EQ(table.colorFor(near), ItemColor::auto_) << near;
    // The first and last swatch of the table, and of a colour in the middle.
    const std::pair<const char*, ItemColor> samples[] = {{"#565656", ItemColor::auto_},
                                                         {"#170D4A", ItemColor::purple},
                                                         {"#E19538", ItemColor::orange},
                                                         {"#E76424", ItemColor::orange}};
    for (const auto& [hex, color] : samples) EXPECT_EQ(table.colorFor(hex), color) << hex;
}

}  // namespace
