#include <gtest/gtest.h>

#include "platform/coding/RtfReader.h"
#include "platform/coding/RtfWriter.h"
#include "tests/platform/RtfTestPrinting.h"
#include "tests/support/TempDir.h"

using namespace platform;

namespace {

std::string fixture(const std::string& name) {
    return testsupport::readFile(std::string(PURLANE_TEST_DATA) + "/rtf/" + name);
}

RtfDocument readFixture(const std::string& name) {
    auto document = RtfReader::read(fixture(name));
    EXPECT_TRUE(document.ok()) << name << ": "
                               << (document.ok() ? "" : document.error().debugDescription());
    return document.ok() ? *document : RtfDocument{};
}

// The attributes of the first character of `needle`.
const TextAttributes& at(const AttributedString& text, std::u16string_view needle) {
    const size_t index = text.text().find(needle);
    EXPECT_NE(index, std::u16string::npos) << "missing text";
    return text.attributesAt(index == std::u16string::npos ? 0 : index);
}

TEST(RtfReader, StyledRunsAndDocumentAttributes) {
    const RtfDocument d = readFixture("styled.rtf");
    EXPECT_EQ(d.text.string(),
              "Plain bold italic under struck\nCourier red on yellow\nCentered\nRight link end\n"
              "Tab\tline\u2028quotes \u201cx\u201d \u2014 braces { } \\ done");
    const AttributedString& t = d.text;
    EXPECT_EQ(at(t, u"Plain").fontFamily, "Helvetica");
    EXPECT_FALSE(at(t, u"Plain").bold);
    EXPECT_EQ(at(t, u"Plain").paragraphFormat, "\\tx566\\tx1133\\pardirnatural\\partightenfactor0");
    EXPECT_EQ(at(t, u"Centered").paragraphFormat, "") << "\\pard resets it";
    EXPECT_TRUE(at(t, u"bold").bold);
    EXPECT_TRUE(at(t, u"italic").italic);
    EXPECT_TRUE(at(t, u"under").underline);
    EXPECT_TRUE(at(t, u"struck").strikethrough);
    const TextAttributes& courier = at(t, u"Courier");
    EXPECT_EQ(courier.fontFamily, "Courier");
    EXPECT_EQ(courier.fontSize, 18.0);
    EXPECT_EQ(courier.foregroundColor, (Color{200, 0, 0}));
    EXPECT_EQ(courier.backgroundColor, (Color{255, 255, 0}));
    EXPECT_EQ(at(t, u"Centered").alignment, TextAlignment::Center);
    EXPECT_EQ(at(t, u"Right").alignment, TextAlignment::Right);
    EXPECT_EQ(at(t, u"link").link, "https://example.com/a?b=1");
    EXPECT_EQ(at(t, u" end").link, "");
    EXPECT_EQ(at(t, u"Tab").alignment, TextAlignment::Justified);
    EXPECT_EQ(t.runs().back().attributes.fontFamily, "Helvetica") << "\\pard keeps the font";

    DocumentAttributes expected;
    expected.paperWidth = 11900;
    expected.paperHeight = 16840;
    expected.leftMargin = 1440;
    expected.rightMargin = 1200;
    expected.topMargin = 1000;
    expected.bottomMargin = 900;
    expected.defaultTabInterval = 720;
    expected.viewWidth = 11520;
    expected.viewHeight = 8400;
    EXPECT_EQ(d.attributes, expected);
}

TEST(RtfReader, UnicodeEscapesSkipTheirFallbacks) {
    const RtfDocument d = readFixture("unicode.rtf");
    EXPECT_EQ(d.text.text(),
              u"Greek \u03b1\u03b2\u03b3 CJK \u6f22\u5b57 astral \U0001F600 and \U0001FB02.\n"
              u"two \u20ac euronone\u2122tm\n");
    EXPECT_EQ(d.attributes.defaultFont, 0);
    EXPECT_EQ(d.attributes.defaultFontFamily, "Arial");
}

TEST(RtfReader, BytesDecodeInTheCodePageOfTheDocumentOrTheFont) {
    const RtfDocument d = readFixture("codepage.rtf");
    EXPECT_EQ(d.attributes.codePage, 1251);
    // \'hh and 8-bit text in 1251; a \fcharset0 font in 1252; a Shift-JIS font byte pairs.
    EXPECT_EQ(d.text.string(), "Привет, мир! да\ncafé\nあい\n");
}

TEST(RtfReader, TableCellsBecomeTabsAndRowsNewlines) {
    const RtfDocument d = readFixture("table.rtf");
    EXPECT_EQ(d.text.string(), "Before\nName\tValue\nApples\t3\nAfter\n");
    EXPECT_EQ(at(d.text, u"Name").tableRow,
              "\\trowd\\trgaph108\\trleft-108\\clbrdrt\\brdrs\\brdrw10\\cellx2000\\cellx4000");
    EXPECT_EQ(at(d.text, u"3\n").tableRow, at(d.text, u"Name").tableRow);
    EXPECT_EQ(at(d.text, u"After").tableRow, "");
}

TEST(RtfReader, PicturesAreAttachmentsKeepingTheirGroupVerbatim) {
    const std::string rtf = fixture("picture.rtf");
    const RtfDocument d = readFixture("picture.rtf");
    EXPECT_EQ(d.text.text(), u"Before \uFFFC and \uFFFC after.\n") << "no \\nonshppict text";
    const auto& first = at(d.text, u"\uFFFC").attachment;
    ASSERT_TRUE(first);
    const size_t start = rtf.find("{\\*\\shppict");
    EXPECT_EQ(first->rtf, rtf.substr(start, rtf.find("{\\nonshppict") - start));
    const auto& second = d.text.attributesAt(d.text.text().rfind(u'\uFFFC')).attachment;
    ASSERT_TRUE(second);
    EXPECT_EQ(second->rtf, "{\\pict\\macpict\\bin4 {}\\}}") << "\\bin data is not parsed";
}

TEST(RtfReader, FixturesSurviveWriteAndReadBack) {
    for (const char* name : {"styled.rtf", "unicode.rtf", "codepage.rtf", "table.rtf",
                             "picture.rtf", "attachment.rtfd/TXT.rtf"}) {
        const RtfDocument d = readFixture(name);
        const std::string written = RtfWriter::write(d.text, d.attributes);
        auto again = RtfReader::read(written);
        ASSERT_TRUE(again.ok()) << name << ": " << again.error().debugDescription();
        EXPECT_EQ(again->text, d.text) << name << "\n" << written;
        EXPECT_EQ(again->attributes, d.attributes) << name;
        EXPECT_EQ(RtfWriter::write(again->text, again->attributes), written) << name;
    }
}

TEST(RtfReader, ToleratesWhatWritersCommonlyProduce) {
    const struct {
        const char* rtf;
        std::u16string text;
    } cases[] = {
        {"{\\rtf1 a\\unknownword12 b{\\*\\unknowndest c}d}", u"abd"},
        {"{\\rtf1 text}\r\n\0trailing garbage", u"text"},
        {"{\\rtf1 \\u-4? \\u65 A}", u"\uFFFC A"},
        {"{\\rtf1 x\\\r\ny}", u"x\ny"},
        {"{\\rtf1 a{\\b b}c}", u"abc"},
        {"{\\rtf1 5\\- 3}", u"5\u00ad 3"},
        {"{\\rtf1 a}}", u"a"},  // what follows the document is not read
        {"{\\rtf1 a{\\upr{\\f0 8-bit}{\\*\\ud{\\f0 wide\\u228?}}}b}", u"awide\u00e4b"},
        // \* marks a destination only right after a brace.
        {"{\\rtf1 a\\*\\pict b{\\*x\\pict c}}", u"abxc"},
    };
    for (const auto& c : cases) {
        auto d = RtfReader::read(c.rtf);
        ASSERT_TRUE(d.ok()) << c.rtf << ": " << d.error().debugDescription();
        EXPECT_EQ(d->text.text(), c.text) << c.rtf;
    }
}

TEST(RtfReader, MalformedInputIsRefused) {
    const std::string deep = "{\\rtf1 " + std::string(300, '{') + std::string(301, '}');
    const std::string deepSkipped = "{\\rtf1 {\\*\\x " + std::string(300, '{') + "}";
    const struct {
        std::string rtf;
        const char* why;
    } cases[] = {
        {"", "empty"},
        {"plain text", "no header"},
        {"{\\rtf1 text", "not closed"},
        {"{\\rtf1 {\\b text}", "inner group not closed"},
        {"{\\rtf1 {\\pict 0102}", "picture not closed"},
        {deep, "too deep"},
        {deepSkipped, "too deep in a skipped group"},
        {"{\\rtf1 \\fs99999999999 x}", "parameter beyond 32 bits"},
        {"{\\rtf1 \\fs-2147483649 x}", "negative parameter beyond 32 bits"},
        {"{\\rtf1 \\u123456789012 x}", "parameter digits beyond 32 bits"},
        {"{\\rtf1 \\" + std::string(33, 'a') + " x}", "control word too long"},
        {"{\\rtf1 \\uc1000 x}", "huge \\uc"},
        {"{\\rtf1 \\uc-1 x}", "negative \\uc"},
        {"{\\rtf1 \\'zz}", "\\' without hex"},
        {"{\\rtf1 \\'4", "\\' cut off"},
        {"{\\rtf1 \\", "backslash at the end"},
        {"{\\rtf1 \\bin99 ab}", "\\bin beyond the end"},
        {"{\\rtf1 \\bin-1 ab}", "negative \\bin"},
    };
    for (const auto& c : cases) {
        auto d = RtfReader::read(c.rtf);
        ASSERT_FALSE(d.ok()) << c.why;
        EXPECT_EQ(d.error().code, Error::kCoderReadCorrupt) << c.why;
        EXPECT_FALSE(d.error().detail.empty()) << c.why;
    }
    // Names every run copies are bounded, and so are the runs all together.
    const std::string longName(1000, 'n');
    auto named = RtfReader::read("{\\rtf1{\\fonttbl\\f0 " + longName +
                                 ";}\\f0 x{\\field{\\*\\fldinst HYPERLINK \"" +
                                 std::string(10000, 'u') + "\"}{\\fldrslt y}}}");
    ASSERT_TRUE(named.ok());
    EXPECT_EQ(named->text.attributesAt(0).fontFamily, longName.substr(0, 256));
    EXPECT_EQ(named->text.attributesAt(1).link, "");
    std::string dense = "{\\rtf1{\\fonttbl\\f0 " + std::string(250, 'n') + ";}\\f0 ";
    for (int i = 0; i < 20000; ++i) dense += "{\\b a}b";
    EXPECT_FALSE(RtfReader::read(dense + "}").ok()) << "runs out of proportion to the input";

    RtfReader::Limits small;
    small.maxInputSize = 10;
    EXPECT_FALSE(RtfReader::read("{\\rtf1 more than ten}", small).ok()) << "size cap";
}

}  // namespace
