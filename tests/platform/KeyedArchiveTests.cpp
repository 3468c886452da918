#include "platform/coding/KeyedArchive.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/coding/PropertyListSerialization.h"

namespace platform {
namespace {

using Dict = PropertyList::Dictionary;
using Arr = PropertyList::Array;

PropertyList cls(const char* name) {
    return Dict{{"$classname", name}, {"$classes", Arr{name, "NSObject"}}};
}

PropertyList archiveOf(const PropertyList& root, Arr objects) {
    return Dict{{"$archiver", "NSKeyedArchiver"},
                {"$version", 100000},
                {"$top", Dict{{"root", root}}},
                {"$objects", std::move(objects)}};
}

Arr& objectsOf(PropertyList& archive) {
    return *archive.asDictionary()->find("$objects")->asArray();
}

const PropertyList kSample =
    Dict{{"command", "cleanPasteboard:cleaner:"},
         {"params", Arr{"caf\u00e9 \U0001F600", 42, -1.5, true, PropertyList(), Date(12345.5)}},
         {"blob", PropertyList::Data{0, 1, 0xff}},
         {"nested", Dict{{"list", Arr{Arr{}, Dict{}, Dict{{"k", "v"}}}}}}};

TEST(KeyedArchive, RoundTripsThroughBothFormats) {
    for (const PropertyList& value : {kSample, PropertyList("text"), PropertyList()}) {
        auto back = KeyedArchive::unarchive(KeyedArchive::archive(value).valueOr({}));
        ASSERT_TRUE(back.ok()) << back.error().debugDescription();
        EXPECT_EQ(*back, value);
    }
    EXPECT_FALSE(KeyedArchive::archive(Arr{Uid{3}}).ok());

    auto bytes = KeyedArchive::archivedData(kSample);
    ASSERT_TRUE(bytes.ok()) << bytes.error().debugDescription();
    EXPECT_EQ(bytes->substr(0, 8), "bplist00");
    EXPECT_EQ(KeyedArchive::unarchiveData(*bytes).valueOr({}), kSample);
    auto xml = PropertyListSerialization::write(KeyedArchive::archive(kSample).valueOr({}),
                                                PropertyListFormat::Xml);
    EXPECT_EQ(KeyedArchive::unarchiveData(xml.valueOr({})).valueOr({}), kSample);
    EXPECT_FALSE(KeyedArchive::unarchiveData("").ok());
    EXPECT_FALSE(KeyedArchive::unarchiveData(bytes->substr(0, bytes->size() / 2)).ok());
}

TEST(KeyedArchive, LayoutOfSmallArchive) {
    // Containers come before their members, class descriptions after first use, one per class;
    // equal strings are one object.
    auto archived = KeyedArchive::archive(
        Dict{{"name", "x"}, {"list", Arr{1, PropertyList(), "x", Date(1.5)}}});
    EXPECT_EQ(archived.valueOr({}),
              archiveOf(Uid{1}, Arr{"$null",
                                    Dict{{"NS.keys", Arr{Uid{2}, Uid{3}}},
                                         {"NS.objects", Arr{Uid{4}, Uid{5}}},
                                         {"$class", Uid{10}}},
                                    "name", "list", "x",
                                    Dict{{"NS.objects", Arr{Uid{6}, Uid{0}, Uid{4}, Uid{7}}},
                                         {"$class", Uid{9}}},
                                    1, Dict{{"NS.time", 1.5}, {"$class", Uid{8}}}, cls("NSDate"),
                                    cls("NSArray"), cls("NSDictionary")}));
}

TEST(KeyedArchive, AcceptsMutableClassesAndBoxedValues) {
    auto value = KeyedArchive::unarchive(archiveOf(
        Uid{1}, Arr{"$null",
                    Dict{{"NS.keys", Arr{Uid{2}}}, {"NS.objects", Arr{Uid{3}}}, {"$class", Uid{6}}},
                    Dict{{"NS.string", "k"}, {"$class", Uid{7}}},
                    Dict{{"NS.objects", Arr{Uid{4}, Uid{5}}}, {"$class", Uid{8}}},
                    Dict{{"NS.data", PropertyList::Data{9}}, {"$class", Uid{9}}},
                    Dict{{"$class", Uid{10}}}, cls("NSMutableDictionary"), cls("NSMutableString"),
                    cls("NSMutableArray"), cls("NSMutableData"), cls("NSNull")}));
    ASSERT_TRUE(value.ok()) << value.error().debugDescription();
    EXPECT_EQ(*value, PropertyList(Dict{{"k", Arr{PropertyList::Data{9}, PropertyList()}}}));
}

// A chain of arrays, each holding the next `fanOut` times.
PropertyList chain(size_t depth, size_t fanOut) {
    Arr objects{"$null"};
    for (size_t i = 1; i <= depth; ++i)
        objects.push_back(
            Dict{{"NS.objects", Arr(fanOut, Uid{i + 1})}, {"$class", Uid{depth + 2}}});
    objects.push_back("leaf");
    objects.push_back(cls("NSArray"));
    return archiveOf(Uid{1}, std::move(objects));
}

TEST(KeyedArchive, RejectsMalformedArchives) {
    // Objects: 1 {"k": [7]}, 2 "k", 3 the array, 4 7, 5 NSArray, 6 NSDictionary.
    const auto base = KeyedArchive::archive(Dict{{"k", Arr{7}}}).valueOr({});
    ASSERT_TRUE(KeyedArchive::unarchive(base).ok());
    using Edit = std::function<void(PropertyList&)>;
    auto top = [](const char* key, PropertyList v) -> Edit {
        return [=](PropertyList& a) { a.asDictionary()->set(key, v); };
    };
    auto object = [](size_t index, PropertyList v) -> Edit {
        return [=](PropertyList& a) { objectsOf(a)[index] = v; };
    };
    auto member = [](size_t index, const char* key, PropertyList v) -> Edit {
        return [=](PropertyList& a) { objectsOf(a)[index].asDictionary()->set(key, v); };
    };
    auto drop = [](size_t index, const char* key) -> Edit {
        return [=](PropertyList& a) { objectsOf(a)[index].asDictionary()->erase(key); };
    };
    const std::pair<const char*, Edit> cases[] = {
        {"not a dictionary", [](PropertyList& a) { a = Arr{}; }},
        {"other archiver", top("$archiver", "NSArchiver")},
        {"other version", top("$version", 100001)},
        {"version as text", top("$version", "100000")},
        {"no root", top("$top", Dict{{"base", Uid{1}}})},
        {"root not a uid", top("$top", Dict{{"root", 1}})},
        {"root out of range", top("$top", Dict{{"root", Uid{7}}})},
        {"root is a class", top("$top", Dict{{"root", Uid{5}}})},
        {"no $null", object(0, "null")},
        {"no objects", top("$objects", Arr{})},
        {"member out of range", member(3, "NS.objects", Arr{Uid{99}})},
        {"cycle", member(3, "NS.objects", Arr{Uid{1}})},
        {"self reference", member(3, "NS.objects", Arr{Uid{3}})},
        {"key not a string", member(1, "NS.keys", Arr{Uid{4}})},
        {"null key", member(1, "NS.keys", Arr{Uid{0}})},
        {"keys and objects differ", member(1, "NS.keys", Arr{Uid{2}, Uid{2}})},
        {"no NS.objects", drop(3, "NS.objects")},
        {"no $class", drop(3, "$class")},
        {"class out of range", member(3, "$class", Uid{70})},
        {"class not a description", member(3, "$class", Uid{2})},
        {"unknown class", object(5, cls("NSURL"))},
        {"bare array object", object(3, Arr{Uid{4}})},
        {"uid object", object(4, Uid{4})},
        {"NSString without text",
         [](PropertyList& a) {
             objectsOf(a)[4] = Dict{{"NS.string", 1}, {"$class", Uid{7}}};
             objectsOf(a).push_back(cls("NSString"));
         }},
        {"too deep", [](PropertyList& a) { a = chain(5000, 1); }},
        // 2^60 leaves from 60 objects: refused long before it is built.
        {"shared blow-up", [](PropertyList& a) { a = chain(60, 2); }},
    };
    for (const auto& [name, edit] : cases) {
        PropertyList archive = base;
        edit(archive);
        auto value = KeyedArchive::unarchive(archive);
        ASSERT_FALSE(value.ok()) << name;
        EXPECT_EQ(value.error().code, Error::kCoderReadCorrupt) << name;
    }
    EXPECT_TRUE(KeyedArchive::unarchive(chain(100, 1)).ok());
    EXPECT_TRUE(KeyedArchive::unarchive(chain(10, 2)).ok());
}

}  // namespace
}  // namespace platform
