#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/PropertyList.h"
#include "platform/XmlPropertyList.h"

using platform::Date;
using platform::Error;
using platform::PropertyList;
using platform::Uid;
using platform::XmlPropertyList;
using Dict = platform::PropertyList::Dictionary;
using Array = platform::PropertyList::Array;

namespace {

std::string plist(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">" + body +
           "</plist>";
}

TEST(XmlPropertyListTest, ReadsARepresentativeDocument) {
    const std::string text = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<!-- written by hand -->
<dict>
	<key>CFBundleName</key>
	<string>purlane &amp; co &lt;3&#x1F600;</string>
	<key>Build</key>
	<integer> 900 </integer>
	<key>Mask</key>
	<integer>0x1F</integer>
	<key>Offset</key>
	<integer>-42</integer>
	<key>Ratio</key>
	<real>0.25</real>
	<key>Limits</key>
	<array><real>+infinity</real><real>-inf</real><real>NaN</real></array>
	<key>Enabled</key>
	<true/>
	<key>Hidden</key>
	<false/>
	<key>Released</key>
	<date>2001-01-02T00:00:01Z</date>
	<key>Icon</key>
	<data>
	AAEC
	Aw==
	</data>
	<key>Empty</key>
	<string/>
	<key>Raw</key>
	<string><![CDATA[<b>bold</b>]]></string>
	<key>Ref</key>
	<dict><key>CF$UID</key><integer>12</integer></dict>
	<key>Nothing</key>
	<dict/>
</dict>
</plist>
)";
    auto read = XmlPropertyList::read(text);
    ASSERT_TRUE(read.ok()) << read.error().detail;
    const auto& limits = *read->get("Limits")->asArray();
    EXPECT_EQ(limits[0], PropertyList(std::numeric_limits<double>::infinity()));
    EXPECT_EQ(limits[1], PropertyList(-std::numeric_limits<double>::infinity()));
    EXPECT_TRUE(std::isnan(*limits[2].asReal()));
    const PropertyList expected = Dict{
        {"CFBundleName", "purlane & co <3\U0001F600"},
        {"Build", 900},
        {"Mask", 31},
        {"Offset", -42},
        {"Ratio", 0.25},
        {"Limits", limits},
        {"Enabled", true},
        {"Hidden", false},
        {"Released", Date(86401)},
        {"Icon", PropertyList::Data{0, 1, 2, 3}},
        {"Empty", ""},
        {"Raw", "<b>bold</b>"},
        {"Ref", Uid{12}},
        {"Nothing", Dict{}},
    };
    EXPECT_EQ(*read, expected);
}

TEST(XmlPropertyListTest, WritesTheUsualLayout) {
    const PropertyList value = Dict{
        {"a&b", "<x>"},
        {"n", -7},
        {"r", 0.1},
        {"d", Date(0)},
        {"u", Uid{3}},
        {"e", Array{}},
        {"bytes", PropertyList::Data{'h', 'i'}},
        {"list", Array{true, Dict{}}},
    };
    EXPECT_EQ(*XmlPropertyList::write(value),
              R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>a&amp;b</key>
	<string>&lt;x&gt;</string>
	<key>n</key>
	<integer>-7</integer>
	<key>r</key>
	<real>0.1</real>
	<key>d</key>
	<date>2001-01-01T00:00:00Z</date>
	<key>u</key>
	<dict>
		<key>CF$UID</key>
		<integer>3</integer>
	</dict>
	<key>e</key>
	<array/>
	<key>bytes</key>
	<data>
	aGk=
	</data>
	<key>list</key>
	<array>
		<true/>
		<dict/>
	</array>
</dict>
</plist>
)");
}

TEST(XmlPropertyListTest, AcceptsEdgeValues) {
    const std::vector<std::pair<std::string, PropertyList>> cases = {
        {"<integer>-9223372036854775808</integer>", std::numeric_limits<int64_t>::min()},
        {"<integer>0x7FFFFFFFFFFFFFFF</integer>", std::numeric_limits<int64_t>::max()},
        {"<real>1e-5</real>", 1e-5},
        {"<string> </string>", " "},
        {"<string>a&#0;b&#13;</string>", std::string("a\0b\r", 4)},
        {"<data>QUJD</data>", PropertyList::Data{'A', 'B', 'C'}},
        {"<data>QQ</data>", PropertyList::Data{'A'}},
        {"<dict><key>CF$UID</key><integer>-1</integer></dict>", Dict{{"CF$UID", -1}}},
        {"<dict><key>CF$UID</key><integer>1</integer><key>x</key><true/></dict>",
         Dict{{"CF$UID", 1}, {"x", true}}},
    };
    for (const auto& [body, expected] : cases) {
        auto read = XmlPropertyList::read(plist(body));
        ASSERT_TRUE(read.ok()) << body << ": " << read.error().detail;
        EXPECT_EQ(*read, expected) << body;
    }
    // A bare value without the <plist> wrapper is read too.
    auto bare = XmlPropertyList::read("<array><integer>1</integer></array>");
    ASSERT_TRUE(bare.ok());
    EXPECT_EQ(*bare, PropertyList(Array{1}));
}

TEST(XmlPropertyListTest, RejectsMalformedDocuments) {
    std::string deep;
    for (int i = 0; i < 5000; ++i) deep += "<array>";
    for (int i = 0; i < 5000; ++i) deep += "</array>";
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"empty input", ""},
        {"not XML", "hello"},
        {"unclosed", plist("<dict><key>a</key><string>b</string>")},
        {"mismatched", plist("<array></dict>")},
        {"unknown element", plist("<set/>")},
        {"key without value", plist("<dict><key>a</key><key>b</key><true/></dict>")},
        {"trailing key", plist("<dict><key>a</key></dict>")},
        {"value without key", plist("<dict><true/></dict>")},
        {"key outside dict", plist("<array><key>a</key></array>")},
        {"two values", plist("<true/><false/>")},
        {"no value", plist("")},
        {"two roots", "<true/><false/>"},
        {"junk after root", plist("<true/>") + "junk"},
        {"text in dict", plist("<dict>oops<key>a</key><true/></dict>")},
        {"text in true", plist("<true>yes</true>")},
        {"element in string", plist("<string>a<b/></string>")},
        {"integer too large", plist("<integer>9223372036854775808</integer>")},
        {"hex too large", plist("<integer>0x10000000000000000</integer>")},
        {"integer garbage", plist("<integer>12a</integer>")},
        {"integer empty", plist("<integer/>")},
        {"real garbage", plist("<real>1.2.3</real>")},
        {"date month", plist("<date>2001-13-01T00:00:00Z</date>")},
        {"date day", plist("<date>2001-02-30T00:00:00Z</date>")},
        {"date zone", plist("<date>2001-01-01T00:00:00</date>")},
        {"base64 character", plist("<data>AB*C</data>")},
        {"base64 length", plist("<data>QUJDR</data>")},
        {"base64 after padding", plist("<data>QQ==QQ==</data>")},
        {"unknown entity", plist("<string>&nbsp;</string>")},
        {"bad character reference", plist("<string>&#xD800;</string>")},
        {"declared entity", R"(<?xml version="1.0"?><!DOCTYPE plist [
            <!ENTITY xxe SYSTEM "file:///etc/passwd">]><plist><string>&xxe;</string></plist>)"},
        {"invalid UTF-8", plist("<string>\xC3\x28</string>")},
        {"NUL byte", plist(std::string("<string>a\0b</string>", 20))},
        {"deep nesting", plist(deep)},
    };
    for (const auto& [name, text] : cases) {
        auto read = XmlPropertyList::read(text);
        ASSERT_FALSE(read.ok()) << name;
        EXPECT_EQ(read.error().code, Error::kPropertyListReadCorrupt) << name;
        EXPECT_FALSE(read.error().detail.empty()) << name;
    }
}

TEST(XmlPropertyListTest, EveryTruncationIsAnError) {
    const PropertyList value =
        Dict{{"list", Array{1, "two", 3.5, Uid{4}}}, {"data", PropertyList::Data{1, 2, 3}}};
    const std::string text = *XmlPropertyList::write(value);
    const size_t end = text.rfind("</plist>") + 8;
    for (size_t n = 0; n < end; ++n)
        EXPECT_FALSE(XmlPropertyList::read(text.substr(0, n)).ok()) << n;
    EXPECT_EQ(*XmlPropertyList::read(text.substr(0, end)), value);
}

}  // namespace
