#include <gtest/gtest.h>

#include "platform/coding/RtfPasteboard.h"
#include "platform/coding/Rtfd.h"
#include "platform/sim/SimPasteboardStore.h"
#include "tests/platform/RtfTestPrinting.h"
#include "tests/support/TempDir.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

const fs::path kFixture = fs::path(PURLANE_TEST_DATA) / "rtf" / "attachment.rtfd";

std::vector<std::string> listing(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(Rtfd, AttachmentsCarryTheirFilesData) {
    auto d = Rtfd::read(kFixture);
    ASSERT_TRUE(d.ok()) << d.error().debugDescription();
    EXPECT_EQ(d->text.text(), u"Image: \uFFFC and text.");
    const auto& attachment = d->text.attributesAt(7).attachment;
    ASSERT_TRUE(attachment);
    EXPECT_EQ(attachment->fileName, "dot.png");
    EXPECT_EQ(attachment->contents, testsupport::readFile(kFixture / "dot.png"));
    EXPECT_EQ(attachment->width, 200);
    EXPECT_EQ(attachment->height, 200);

    EXPECT_EQ(Rtfd::read(kFixture / "missing.rtfd").error().code, Error::kFileReadNoSuchFile);
    EXPECT_FALSE(Rtfd::read(kFixture / "TXT.rtf").ok()) << "a file is not an RTFD";
}

TEST(Rtfd, WriteReplacesTheFolderWholeAndKeepsAttachments) {
    testsupport::TempDir dir;
    const fs::path target = dir / "doc.rtfd";
    dir.write("doc.rtfd/TXT.rtf", "{\\rtf1 old}");
    dir.write("doc.rtfd/stale.txt", "left over");

    auto d = Rtfd::read(kFixture);
    ASSERT_TRUE(d.ok());
    d->text.replaceText(std::u16string_view(u"Picture: \uFFFC and cleaned text."));
    // A second attachment with the same name and one whose name would leave the folder.
    TextAttachment other;
    other.fileName = "dot.png";
    other.contents = "second";
    d->text.appendAttachment(other);
    other.fileName = "../escape";
    other.contents = "third";
    d->text.appendAttachment(other);
    ASSERT_TRUE(Rtfd::write(target.string() + "/", d->text).ok()) << "a trailing slash is fine";

    EXPECT_EQ(listing(target),
              (std::vector<std::string>{".._escape", "TXT.rtf", "dot 2.png", "dot.png"}));
    EXPECT_EQ(listing(dir.path()), std::vector<std::string>{"doc.rtfd"}) << "no temporary left";
    auto back = Rtfd::read(target);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back->text.string(), "Picture: \uFFFC and cleaned text.\uFFFC\uFFFC");
    EXPECT_EQ(back->text.attributesAt(9).attachment->contents,
              d->text.attributesAt(9).attachment->contents);
    EXPECT_EQ(back->text.attributesAt(back->text.length() - 2).attachment->contents, "second");
    EXPECT_EQ(back->text.attributesAt(back->text.length() - 1).attachment->fileName, ".._escape");
}

TEST(Rtfd, AttachmentsAreReadOnlyFromTheFolderAndWhatCantBeReadIsKept) {
    testsupport::TempDir dir;
    dir.write("secret", "do not read");
    dir.write("doc.rtfd/TXT.rtf",
              "{\\rtf1 {{\\NeXTGraphic ../secret \\width1 \\height1}}"
              "{{\\NeXTGraphic link.txt \\width1 \\height1}}{{\\NeXTGraphic Pages \\width1}}}");
    fs::create_symlink(dir / "secret", dir / "doc.rtfd/link.txt");
    dir.write("doc.rtfd/Pages/index.xml", "a folder attachment");
    auto d = Rtfd::read(dir / "doc.rtfd");
    ASSERT_TRUE(d.ok());
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(d->text.attributesAt(i).attachment->contents, "");

    ASSERT_TRUE(Rtfd::write(dir / "doc.rtfd", d->text).ok());
    EXPECT_TRUE(fs::is_symlink(dir / "doc.rtfd/link.txt"));
    EXPECT_EQ(testsupport::readFile(dir / "doc.rtfd/Pages/index.xml"), "a folder attachment");
    EXPECT_FALSE(fs::exists(dir / "doc.rtfd/.._secret"));
}

TEST(Rtfd, FlatFormRoundTripsAndRefusesDamage) {
    auto d = Rtfd::read(kFixture);
    ASSERT_TRUE(d.ok());
    const std::string flat = Rtfd::flatten(d->text);
    auto back = Rtfd::readFlat(flat);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back->text, d->text);
    for (const std::string& damaged :
         {std::string(), std::string("rtfx"), flat.substr(0, 6), flat.substr(0, flat.size() - 1),
          std::string("rtfd\1\0\0\0\xff\xff\xff\x7f", 12)}) {
        EXPECT_FALSE(Rtfd::readFlat(damaged).ok()) << damaged.size();
    }
}

TEST(RtfPasteboard, AttributedStringGoesAsRtfWithPlainTextAndComesBack) {
    auto store = std::make_shared<SimPasteboardStore>();
    Pasteboard pasteboard = Pasteboard::pasteboardWithName(store, "rtf-test");
    TextAttributes a;
    a.italic = true;
    a.fontFamily = "Helvetica";
    AttributedString text(u"styled \u00e9", a);
    pasteboard.clearContents();
    ASSERT_TRUE(RtfPasteboard::writeAttributedString(pasteboard, text));
    EXPECT_EQ(pasteboard.types(),
              (std::vector<std::string>{"public.rtf", "public.utf8-plain-text"}));
    EXPECT_EQ(pasteboard.stringForType(PasteboardTypes::kString), "styled \u00e9");
    EXPECT_EQ(RtfPasteboard::readAttributedString(pasteboard), text);

    // File attachments need the flat RTFD.
    auto withFile = Rtfd::read(kFixture);
    ASSERT_TRUE(withFile.ok());
    pasteboard.clearContents();
    ASSERT_TRUE(RtfPasteboard::writeAttributedString(pasteboard, withFile->text));
    EXPECT_TRUE(pasteboard.dataForType(PasteboardTypes::kRTFD));
    EXPECT_EQ(RtfPasteboard::readAttributedString(pasteboard), withFile->text);

    // Damaged RTF falls back to the plain text; nothing at all gives nothing.
    pasteboard.clearContents();
    pasteboard.setData("{\\rtf1 broken", PasteboardTypes::kRTF);
    pasteboard.setString("plain");
    EXPECT_EQ(RtfPasteboard::readAttributedString(pasteboard), AttributedString(u"plain"))
        << "plain text has no font of its own";
    pasteboard.clearContents();
    EXPECT_FALSE(RtfPasteboard::readAttributedString(pasteboard));
}

}  // namespace
