#include <gtest/gtest.h>

#include <limits>

#include "platform/coding/PropertyList.h"
#include "platform/coding/XmlPropertyList.h"

namespace platform {
namespace {

using Dict = PropertyList::Dictionary;
using Array = PropertyList::Array;

std::string plist(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">" + body +
           "</plist>";
}

TEST(XmlPropertyListTest, ReadsDocumentsAsOthersWriteThem) {
    const std::string text = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<!-- written by hand -->
<dict>
	<key>Enabled</key>
	<true/>
	<key>List</key>
	<array><integer>-42</integer><real>0.25</real></array>
</dict>
</plist>
)";
    EXPECT_EQ(XmlPropertyList::read(text).valueOr({}),
              PropertyList(Dict{{"Enabled", true}, {"List", Array{-42, 0.25}}}));
    // A bare value without the <plist> wrapper is read too.
    EXPECT_EQ(XmlPropertyList::read("<array><integer>1</integer></array>").valueOr({}),
              PropertyList(Array{1}));

    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<std::pair<std::string, PropertyList>> cases = {
        {"<string>purlane &amp; co &lt;3&#x1F600;</string>", "purlane & co <3\U0001F600"},
        {"<string>a&#0;b&#13;</string>", std::string("a\0b\r", 4)},
        {"<string><![CDATA[<b>bold</b>]]></string>", "<b>bold</b>"},
        {"<string/>", ""},
        {"<string> </string>", " "},
        {"<integer> 900 </integer>", 900},
        {"<integer>-9223372036854775808</integer>", std::numeric_limits<int64_t>::min()},
        {"<integer>0x7FFFFFFFFFFFFFFF</integer>", std::numeric_limits<int64_t>::max()},
        {"<real>1e-5</real>", 1e-5},
        {"<array><real>+infinity</real><real>-inf</real></array>", Array{inf, -inf}},
        {"<real>NaN</real>", std::numeric_limits<double>::quiet_NaN()},
        {"<false/>", false},
        {"<date>2001-01-02T00:00:01Z</date>", Date(86401)},
        {"<data>\n\tAAEC\n\tAw==\n\t</data>", PropertyList::Data{0, 1, 2, 3}},
        {"<data>QQ</data>", PropertyList::Data{'A'}},
        {"<dict/>", Dict{}},
        {"<dict><key>CF$UID</key><integer>12</integer></dict>", Uid{12}},
        {"<dict><key>CF$UID</key><integer>-1</integer></dict>", Dict{{"CF$UID", -1}}},
        {"<dict><key>CF$UID</key><integer>1</integer><key>x</key><true/></dict>",
         Dict{{"CF$UID", 1}, {"x", true}}},
    };
    for (const auto& [body, expected] : cases) {
        auto read = XmlPropertyList::read(plist(body));
        ASSERT_TRUE(read.ok()) << body << ": " << read.error().detail;
        EXPECT_EQ(*read, expected) << body;
    }
}

TEST(XmlPropertyListTest, WritesTheUsualLayout) {
    const PropertyList value = Dict{{"a&b", "<x>"},
                                    {"r", 0.1},
                                    {"u", Uid{3}},
                                    {"bytes", PropertyList::Data{'h', 'i'}},
                                    {"list", Array{true, Dict{}, Array{}}}};
    EXPECT_EQ(*XmlPropertyList::write(value),
              R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>a&amp;b</key>
	<string>&lt;x&gt;</string>
	<key>r</key>
	<real>0.1</real>
	<key>u</key>
	<dict>
		<key>CF$UID</key>
		<integer>3</integer>
	</dict>
	<key>bytes</key>
	<data>
	aGk=
	</data>
	<key>list</key>
	<array>
		<true/>
		<dict/>
		<array/>
	</array>
</dict>
</plist>
)");
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
}  // namespace platform
