// RTF and RTFD files: cleaned through the pasteboard as attributed strings with their styles,
// RTF under the naming options, RTFD always in place.

#include <filesystem>

#include "platform/coding/RtfReader.h"
#include "tests/agent/files/FileCleanerFixture.h"

using namespace platform;
using filestest::FileCleanerTest;
namespace fs = std::filesystem;

namespace {

// Two fonts, a red run and a bold one, and a page size to keep.
const char* kStyled =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Helvetica;}{\\f1\\froman Times;}}"
    "{\\colortbl;\\red255\\green0\\blue0;}\\paperw11900\\paperh16840"
    "\\f0\\fs24 plain {\\cf1 red} {\\f1\\b bold}\\par}";

class RichTextFileTest : public FileCleanerTest {
  protected:
    RtfDocument readRtf(const std::string& name) {
        auto document = RtfReader::read(read(name));
        EXPECT_TRUE(document.ok()) << name;
        return document.ok() ? *document : RtfDocument{};
    }
    // The runs' attributes, to compare styles across a clean.
    static std::vector<TextAttributes> styles(const AttributedString& text) {
        std::vector<TextAttributes> out;
        for (const auto& run : text.runs()) out.push_back(run.attributes);
        return out;
    }
};

TEST_F(RichTextFileTest, RtfKeepsItsStylesAndDocumentAttributes) {
    const std::string p = file("letter.rtf", kStyled);
    const RtfDocument before = readRtf("letter.rtf");
    cleaner.cleanSingleFile(p, {{"cleanerName", "#UPPER"}});

    const RtfDocument after = readRtf("letter.rtf");
    EXPECT_EQ(after.text.string(), "PLAIN RED BOLD\n");
    EXPECT_EQ(styles(after.text), styles(before.text));
    EXPECT_EQ(after.attributes.paperWidth, 11900);
    EXPECT_EQ(after.attributes.paperHeight, 16840);
    ASSERT_EQ(client.requests.size(), 1u);
    EXPECT_EQ(client.requests[0].types[0], "public.rtf");
    EXPECT_TRUE(store->names().empty());
}

TEST_F(RichTextFileTest, RtfIsWrittenUnderItsNewNameInADestinationFolder) {
    const std::string p = file("letter.rtf", kStyled);
    cleaner.cleanSingleFile(p, {{"cleanerName", "#UPPER"},
                                {"destNameSuffix", "-clean"},
                                {"useDestinationFolder", true},
                                {"destFolder", "out"}});
    EXPECT_EQ(read("letter.rtf"), kStyled);
    EXPECT_EQ(readRtf("out/letter-clean.rtf").text.string(), "PLAIN RED BOLD\n");
}

TEST_F(RichTextFileTest, RichTextGetsTheCleanerAsGiven) {
    const std::string p = file("letter.rtf", kStyled);
    cleaner.cleanSingleFile(p, {{"cleanerName", "Upper Case"}});
    ASSERT_EQ(client.requests.size(), 1u);
    EXPECT_EQ(client.requests[0].cleaner, "Upper Case");
}

TEST_F(RichTextFileTest, UnreadableRichTextIsReportedAndLeftAlone) {
    const std::string rtf = file("broken.rtf", "{\\rtf1 unbalanced");
    temp.write("broken.rtfd/readme.txt", "no TXT.rtf here");
    cleaner.cleanSingleFile(rtf, {{"cleanerName", "#UPPER"}});
    cleaner.cleanSingleFile(path("broken.rtfd"), {{"cleanerName", "#UPPER"}});
    EXPECT_EQ(lines(), (std::vector<std::string>{
                           "[Error] Could not read file at: " + rtf,
                           "[Error] Could not read RTFD file at: " + path("broken.rtfd")}));
    EXPECT_EQ(read("broken.rtf"), "{\\rtf1 unbalanced");
    EXPECT_TRUE(client.requests.empty());
}

TEST_F(RichTextFileTest, OtherTypesAreNotRichText) {
    cleaner.cleanRichTextFile(path("x.pdf"), "#UPPER", "com.adobe.pdf", {});
    EXPECT_EQ(lines(), std::vector<std::string>{"-- " + path("x.pdf") +
                                                "  [com.adobe.pdf][currently not supported]"});
}

}  // namespace
