#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <limits>

#include "platform/coding/BinaryPropertyList.h"
#include "platform/coding/PropertyList.h"
#include "platform/coding/PropertyListSerialization.h"
#include "platform/coding/XmlPropertyList.h"
#include "tests/support/TempDir.h"

namespace platform {
namespace {

using Dict = PropertyList::Dictionary;
using Array = PropertyList::Array;

constexpr PropertyListFormat kFormats[] = {PropertyListFormat::Xml, PropertyListFormat::Binary};

PropertyList sample() {
    return Dict{{"name", "Purlane"},
                {"count", 3},
                {"items", Array{1.5, true, PropertyList::Data{0, 1, 2}}},
                {"nested", Dict{{"a", Array{}}}}};
}

TEST(PropertyListTest, CopiesAndSelfAssignment) {
    PropertyList original = sample();
    PropertyList copy = original;
    copy.asDictionary()->set("name", "Other");
    EXPECT_EQ(*original.get("name")->asString(), "Purlane");
    const PropertyList& alias = copy;
    copy = alias;
    EXPECT_EQ(*copy.get("name")->asString(), "Other");
    // Assigning a value from inside itself must not read freed memory.
    copy = *copy.get("nested");
    EXPECT_EQ(copy, PropertyList(Dict{{"a", Array{}}}));
    PropertyList list = Array{"first", Array{"inner"}};
    list = std::move((*list.asArray())[1]);
    EXPECT_EQ(list, PropertyList(Array{"inner"}));
}

TEST(PropertyListTest, EqualityIsTypedAndIgnoresDictionaryOrder) {
    EXPECT_EQ(PropertyList(Dict{{"a", 1}, {"b", 2}}), PropertyList(Dict{{"b", 2}, {"a", 1}}));
    EXPECT_NE(PropertyList(Dict{{"a", 1}}), PropertyList(Dict{{"a", 1}, {"b", 2}}));
    EXPECT_NE(PropertyList(Array{1, 2}), PropertyList(Array{2, 1}));
    EXPECT_NE(PropertyList(1), PropertyList(1.0));
    EXPECT_NE(PropertyList(1), PropertyList(Uid{1}));
    EXPECT_NE(PropertyList(""), PropertyList());
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(PropertyList(nan), PropertyList(nan));
    EXPECT_EQ(PropertyList(Date(nan)), PropertyList(Date(nan)));
}

// Every kind of value survives both formats, and crossing from one format to the other.
TEST(PropertyListTest, RoundTripsEveryTypeThroughBothFormats) {
    const double inf = std::numeric_limits<double>::infinity();
    const int64_t i64max = std::numeric_limits<int64_t>::max();
    PropertyList deep = Array{};
    for (int i = 0; i < 200; ++i) deep = Array{deep, i};
    const std::vector<std::vector<PropertyList>> groups = {
        {"plain", "", std::string("nul\0inside", 10), "caf\u00e9 \u65e5\u672c \U0001F600"},
        {"<&> \"quoted\" \r\n\t\x01 ]]>", Dict{{"CF$UID", "not a reference"}}},
        {0, 256, -1, i64max, -i64max - 1},
        {0.1, -0.0, 1e300, 5e-324, inf, -inf, std::numeric_limits<double>::quiet_NaN()},
        {true, Date(0), Date(-1234567890), PropertyList::Data{}, PropertyList::Data(1000, 0xAB)},
        {Uid{0}, Uid{0xFFFFFFFFFFFFFFFF}, deep, Array{}, Dict{}},
        {sample(), Array{Array{Array{}}, Dict{{"k", Uid{7}}}}},
    };
    std::vector<PropertyList> values;
    for (const auto& group : groups) values.insert(values.end(), group.begin(), group.end());
    for (size_t i = 0; i < values.size(); ++i) {
        for (auto first : kFormats) {
            SCOPED_TRACE("value " + std::to_string(i) + " format " + std::to_string(int(first)));
            PropertyListFormat detected{};
            auto back = PropertyListSerialization::read(
                PropertyListSerialization::write(values[i], first).valueOr({}), &detected);
            ASSERT_TRUE(back.ok()) << back.error().detail;
            EXPECT_EQ(detected, first);
            EXPECT_EQ(*back, values[i]);
            const auto other = first == kFormats[0] ? kFormats[1] : kFormats[0];
            auto crossed = PropertyListSerialization::read(
                PropertyListSerialization::write(*back, other).valueOr({}));
            ASSERT_TRUE(crossed.ok()) << crossed.error().detail;
            EXPECT_EQ(*crossed, values[i]);
        }
    }
}

TEST(PropertyListTest, WritersRefuseValuesTheFormatsCannotHold) {
    for (const PropertyList& value :
         {PropertyList(), PropertyList(Dict{{"a", Array{1, PropertyList()}}}),
          PropertyList(std::string("\xC3\x28")), PropertyList(Dict{{std::string("\xFF"), 1}})}) {
        for (auto format : kFormats) {
            auto written = PropertyListSerialization::write(value, format);
            ASSERT_FALSE(written.ok());
            EXPECT_EQ(written.error().code, Error::kPropertyListWriteInvalid);
        }
    }
    auto nested = PropertyListSerialization::write(Dict{{"a", Array{1, PropertyList()}}},
                                                   PropertyListFormat::Binary);
    EXPECT_NE(nested.error().detail.find("/a[1]"), std::string::npos) << nested.error().detail;
    // Dates too far out for the XML text form are refused there but fine in binary.
    EXPECT_FALSE(XmlPropertyList::write(Date(1e300)).ok());
    EXPECT_TRUE(BinaryPropertyList::write(Date(1e300)).ok());
}

TEST(PropertyListTest, ReadFileReportsMissingUnreadableAndCorruptFiles) {
    testsupport::TempDir dir;
    auto missing = PropertyListSerialization::readFile(dir / "Missing.plist");
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().code, Error::kFileReadNoSuchFile);
    EXPECT_NE(missing.error().localizedDescription.find("Missing.plist"), std::string::npos);

    const auto path = dir.write("Prefs.plist", *XmlPropertyList::write(sample()));
    EXPECT_EQ(PropertyListSerialization::readFile(path).valueOr({}), sample());
    if (geteuid() != 0) {  // root reads anything
        chmod(path.c_str(), 0);
        auto denied = PropertyListSerialization::readFile(path);
        ASSERT_FALSE(denied.ok());
        EXPECT_NE(denied.error().code, Error::kFileReadNoSuchFile);
    }
    auto corrupt = PropertyListSerialization::readFile(dir.write("Bad.plist", "bplist00junk"));
    EXPECT_EQ(corrupt.error().code, Error::kPropertyListReadCorrupt);
}

}  // namespace
}  // namespace platform
