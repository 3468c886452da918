#include <gtest/gtest.h>

#include "platform/coding/RtfReader.h"
#include "platform/coding/RtfWriter.h"
#include "tests/platform/RtfTestPrinting.h"

using namespace platform;

namespace {

TEST(RtfWriter, EscapesSpecialAndNonAsciiCharacters) {
    const struct {
        std::u16string text;
        const char* written;  // the body after the header
    } cases[] = {
        {u"a\\b{c}d", "a\\\\b\\{c\\}d"},
        {u"one\ntwo\tthree\u2028four", "one\\par\ntwo\\tab three\\line four"},
        {u"caf\u00e9", "caf\\u233\\'e9"},  // the code page's byte as the fallback
        {u"\u20ac", "\\u8364\\'80"},
        {u"\u03b1", "\\u945?"},  // not in 1252
        {u"\U0001F600", "\\u-10179?\\u-8704?"},
        {u"x\uFFFCy", "x\\u-4?y"},  // an attachment character without attachment
    };
    for (const auto& c : cases) {
        const std::string rtf = RtfWriter::write(AttributedString(c.text));
        EXPECT_NE(rtf.find(std::string("\\fs24\n") + c.written + "}"), std::string::npos) << rtf;
        auto back = RtfReader::read(rtf);
        ASSERT_TRUE(back.ok()) << rtf;
        EXPECT_EQ(back->text.text(), c.text);
    }
}

TEST(RtfWriter, HeaderNamesCodePageFontsColoursAndSetDocumentAttributesOnly) {
    TextAttributes red;
    red.fontFamily = "Menlo";
    red.foregroundColor = Color{255, 0, 0};
    AttributedString text(u"plain ");
    text.append(u"red", red);
    DocumentAttributes document;
    document.codePage = 1251;
    document.paperWidth = 12240;
    document.defaultTabInterval = 720;
    const std::string rtf = RtfWriter::write(text, document);
    EXPECT_TRUE(
        rtf.starts_with("{\\rtf1\\ansi\\ansicpg1251\\uc1\n"
                        "{\\fonttbl{\\f0\\fnil Helvetica;}{\\f1\\fnil Menlo;}}\n"
                        "{\\colortbl;\\red255\\green0\\blue0;}\n"
                        "\\paperw12240\\deftab720\\pard"))
        << rtf;
    EXPECT_EQ(rtf.find("\\margl"), std::string::npos);
    EXPECT_NE(rtf.find("plain \\f1\\cf1 red}"), std::string::npos) << rtf;
}

TEST(RtfWriter, EveryAttributeSurvivesReadingBack) {
    AttributedString text;
    TextAttributes a;
    a.fontFamily = "Times";
    text.append(u"normal ", a);
    a.bold = true;
    a.fontSize = 15.5;
    text.append(u"bold ", a);
    a.italic = a.underline = a.strikethrough = true;
    a.backgroundColor = Color{1, 2, 3};
    text.append(u"all ", a);
    TextAttributes b;
    b.fontFamily = "Helvetica Neue";
    b.alignment = TextAlignment::Center;
    b.foregroundColor = Color{0, 128, 255};
    text.append(u"centred\n", b);
    b.link = "https://example.org/\u00e4";
    b.alignment = TextAlignment::Justified;
    b.paragraphFormat = "\\li720\\fi-360\\tx720";
    text.append(u"a link", b);
    b.link.clear();
    text.append(u" after\n", b);
    TextAttachment picture;
    picture.rtf = "{\\pict\\pngblip 00ff}";
    text.appendAttachment(picture, b);
    TextAttachment file;
    file.fileName = "photo.jpg";
    file.width = 100;
    file.height = 50;
    text.appendAttachment(file, b);
    TextAttributes row;
    row.fontFamily = "Helvetica";  // what an unnamed font reads back as
    row.tableRow = "\\trowd\\cellx1000\\cellx2000";
    text.append(u"c1\tc2\nd1\td2\n", row);
    row.tableRow.clear();
    text.append(u"end", row);

    auto back = RtfReader::read(RtfWriter::write(text));
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back->text, text) << RtfWriter::write(text);
}

}  // namespace
