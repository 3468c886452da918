#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/coding/BinaryPropertyList.h"
#include "platform/coding/PropertyList.h"

using namespace std::string_literals;

namespace platform {
namespace {

using Dict = PropertyList::Dictionary;
using Array = PropertyList::Array;

std::string bigEndian(uint64_t v, unsigned n) {
    std::string out;
    for (unsigned i = n; i-- > 0;) out += static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
}

// A binary property list assembled by hand from encoded objects, laid out one after the other.
std::string bplist(const std::vector<std::string>& objects, unsigned refSize = 1,
                   uint64_t top = 0) {
    std::string out = "bplist00";
    std::vector<uint64_t> offsets;
    for (const auto& object : objects) {
        offsets.push_back(out.size());
        out += object;
    }
    const uint64_t table = out.size();
    for (uint64_t offset : offsets) out += bigEndian(offset, 4);
    out += std::string(6, '\0') + char(4) + char(refSize) + bigEndian(objects.size(), 8) +
           bigEndian(top, 8) + bigEndian(table, 8);
    return out;
}

// The object area of what the writer produced: everything between the header and the table.
std::string objectsOf(const std::string& file) {
    uint64_t table = 0;
    for (char c : file.substr(file.size() - 8)) table = (table << 8) | static_cast<uint8_t>(c);
    return file.substr(8, table - 8);
}

TEST(BinaryPropertyListTest, WritesMinimalEncodings) {
    const std::vector<std::pair<PropertyList, std::string>> cases = {
        {0, "\x10\x00"s},
        {255, "\x10\xFF"s},
        {256, "\x11\x01\x00"s},
        {65536, "\x12\x00\x01\x00\x00"s},
        {4294967296, "\x13\x00\x00\x00\x01\x00\x00\x00\x00"s},
        {-1, "\x13\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF"s},
        {2.0, "\x23\x40\x00\x00\x00\x00\x00\x00\x00"s},
        {true, "\x09"s},
        {"abc", "\x53"s + "abc"},
        {"\u00e9", "\x61\x00\xE9"s},
        {"\U0001F600", "\x62\xD8\x3D\xDE\x00"s},
        {std::string(15, 'x'), "\x5F\x10\x0F"s + std::string(15, 'x')},
        {Uid{300}, "\x81\x01\x2C"s},
        {PropertyList::Data{7}, "\x41\x07"s},
        // Equal strings are stored once: the key and the value share object 1.
        {Dict{{"k", "k"}}, "\xD1\x01\x01\x51k"s},
    };
    for (const auto& [value, expected] : cases) {
        auto written = BinaryPropertyList::write(value);
        ASSERT_TRUE(written.ok());
        EXPECT_EQ(objectsOf(*written), expected);
    }
    // Trailer: one-byte offsets and references, one object, top 0, table right after it.
    EXPECT_EQ(*BinaryPropertyList::write(true), "bplist00\x09\x08"s + std::string(6, '\0') +
                                                    "\x01\x01"s + bigEndian(1, 8) +
                                                    bigEndian(0, 8) + bigEndian(9, 8));
}

TEST(BinaryPropertyListTest, ReadsWhatOtherWritersProduce) {
    const std::vector<std::pair<std::string, PropertyList>> cases = {
        // The same object referenced twice is legal.
        {bplist({"\xA2\x01\x01"s, "\x51x"s}), Array{"x", "x"}},
        {bplist({"\xC2\x01\x02"s, "\x10\x01"s, "\x10\x02"s}), Array{1, 2}},  // a set
        {bplist({"\x22\x3F\xC0\x00\x00"s}), 1.5},                            // four-byte real
        {bplist({"\x14"s + std::string(8, '\xFF') + std::string(8, '\xFE')}),
         static_cast<long long>(0xFEFEFEFEFEFEFEFE)},
        {bplist({"\x14"s + std::string(15, '\0') + "\x05"s}), 5},
        {bplist({"\x80\x00"s}), Uid{0}},
        {bplist({"\xD1\x01\x02"s, "\x61\x00\xE9"s, "\x08"s}), Dict{{"\u00e9", false}}},
        {bplist({"\x5F\x13\x00\x00\x00\x00\x00\x00\x00\x02"s + "ab"}), "ab"},
        {bplist({"\xA1\x00\x01"s, "\x09"s}, 2), Array{true}},
    };
    for (const auto& [bytes, expected] : cases) {
        auto read = BinaryPropertyList::read(bytes);
        ASSERT_TRUE(read.ok()) << read.error().detail;
        EXPECT_EQ(*read, expected);
    }
}

TEST(BinaryPropertyListTest, RejectsMalformedFiles) {
    auto nested = [](int depth) {  // arrays, each holding the next
        std::vector<std::string> objects;
        for (int i = 0; i < depth; ++i) objects.push_back("\xA1"s + bigEndian(i + 1, 2));
        objects.push_back("\xA0"s);
        return bplist(objects, 2);
    };
    std::vector<std::string> levels;  // 30 levels of 14 references to the next: 14^30 leaves
    for (int i = 0; i < 30; ++i) levels.push_back("\xAE"s + std::string(14, char(i + 1)));
    levels.push_back("\x51x"s);
    // A one-object file with the byte `fromEnd` places before its end replaced.
    auto patched = [](size_t fromEnd, char byte) {
        std::string bytes = bplist({"\x09"s});
        bytes[bytes.size() - fromEnd] = byte;
        return bytes;
    };
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"too short", "bplist00"},
        {"wrong version", bplist({"\x09"s}).replace(6, 2, "15")},
        {"self reference", bplist({"\xA1\x00"s})},
        {"indirect cycle", bplist({"\xA1\x01"s, "\xD1\x02\x00"s, "\x51k"s})},
        {"reference out of range", bplist({"\xA1\x05"s})},
        {"offset inside the offset table", patched(33, 0x0A)},
        {"ref size 9", patched(25, 9)},
        {"top out of range", bplist({"\x09"s}, 1, 1)},
        {"more objects than offsets", patched(17, 16)},
        {"table beyond end", patched(4, 0x10)},
        {"huge array count", bplist({"\xAF\x13\x3F\xFF\xFF\xFF\xFF\xFF\xFF\xFF"s})},
        {"huge data count", bplist({"\x4F\x12\x7F\xFF\xFF\xFF"s})},
        {"negative count", bplist({"\x5F\x13\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF"s})},
        {"count not an integer", bplist({"\x5F\x23"s})},
        {"integer key", bplist({"\xD1\x01\x01"s, "\x10\x01"s})},
        {"array key", bplist({"\xD1\x01\x02"s, "\xA0"s, "\x09"s})},
        {"null", bplist({std::string(1, '\0')})},
        {"unknown marker", bplist({"\x70"s})},
        {"integer size", bplist({"\x15"s + std::string(32, '\0')})},
        {"128-bit overflow",
         bplist({"\x14\x00\x00\x00\x00\x00\x00\x00\x01"s + std::string(8, '\0')})},
        {"truncated integer", bplist({"\x13\x01"s})},
        {"unpaired surrogate", bplist({"\x61\xD8\x00"s})},
        {"non-ASCII in ASCII string", bplist({"\x51\xE9"s})},
        {"billion laughs", bplist(levels)},
        {"too deep", nested(20000)},
    };
    for (const auto& [name, bytes] : cases) {
        auto read = BinaryPropertyList::read(bytes);
        ASSERT_FALSE(read.ok()) << name;
        EXPECT_EQ(read.error().code, Error::kPropertyListReadCorrupt) << name;
        EXPECT_FALSE(read.error().detail.empty()) << name;
    }
    EXPECT_TRUE(BinaryPropertyList::read(nested(300)).ok());
    // The writer bounds nesting too.
    PropertyList deep = Array{};
    for (int i = 0; i < 2000; ++i) deep = Array{std::move(deep)};
    EXPECT_FALSE(BinaryPropertyList::write(deep).ok());
}

// Every prefix and every single-byte corruption of a rich file reads as an error or a value,
// never a crash.
TEST(BinaryPropertyListTest, SurvivesTruncationAndCorruption) {
    const PropertyList value =
        Dict{{"name", "caf\u00e9"},
             {"scalars", Array{-3, 1LL << 40, 3.14, Date(1e8), PropertyList::Data(20, 1)}},
             {"list", Array{true, Uid{9}, Dict{}, std::string(20, 's')}}};
    const std::string bytes = *BinaryPropertyList::write(value);
    ASSERT_EQ(*BinaryPropertyList::read(bytes), value);
    for (size_t n = 0; n < bytes.size(); ++n)
        EXPECT_FALSE(BinaryPropertyList::read(bytes.substr(0, n)).ok()) << n;
    for (size_t i = 0; i < bytes.size(); ++i) {
        for (uint8_t flip : {0x01, 0x80, 0xFF}) {
            std::string corrupted = bytes;
            corrupted[i] = static_cast<char>(corrupted[i] ^ flip);
            (void)BinaryPropertyList::read(corrupted);
        }
    }
}

}  // namespace
}  // namespace platform
