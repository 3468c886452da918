#include <gtest/gtest.h>

#include <algorithm>

#include "platform/coding/AttributedString.h"
#include "tests/platform/RtfTestPrinting.h"

using namespace platform;

namespace {

TextAttributes bold() {
    TextAttributes a;
    a.bold = true;
    return a;
}

// "plain BOLD plain" with the middle word bold.
AttributedString sample() {
    AttributedString s(u"one ");
    s.append(u"TWO", bold());
    s.append(u" three", TextAttributes{});
    return s;
}

std::vector<std::pair<std::u16string, bool>> boldRuns(const AttributedString& s) {
    std::vector<std::pair<std::u16string, bool>> out;
    for (const auto& r : s.runs()) {
        out.emplace_back(s.text().substr(r.location, r.length), r.attributes.bold);
    }
    return out;
}

using Runs = std::vector<std::pair<std::u16string, bool>>;

TEST(AttributedString, RunsStayMergedAndCoverTheText) {
    AttributedString s = sample();
    EXPECT_EQ(boldRuns(s), (Runs{{u"one ", false}, {u"TWO", true}, {u" three", false}}));
    s.setAttributes(0, 5, bold());
    EXPECT_EQ(boldRuns(s), (Runs{{u"one TWO", true}, {u" three", false}}));
    s.setAttributes(2, 100, TextAttributes{});
    EXPECT_EQ(boldRuns(s), (Runs{{u"on", true}, {u"e TWO three", false}}));
    EXPECT_TRUE(s.attributesAt(1).bold);
    EXPECT_EQ(s.substring(1, 3).text(), u"ne ");
    EXPECT_EQ(AttributedString::fromUtf8("a\xF0\x9F\x98\x80").length(), 3u);
    EXPECT_EQ(AttributedString(u"\U0001F600\xD800").string(), "\xF0\x9F\x98\x80\xEF\xBF\xBD");
}

TEST(AttributedString, ReplaceTextKeepsStyles) {
    const struct {
        std::u16string newText;
        Runs expected;
    } cases[] = {
        // Same length: character for character.
        {u"ONE two THREE", {{u"ONE ", false}, {u"two", true}, {u" THREE", false}}},
        // Trimmed ends: the rest keeps its runs.
        {u"one TWO", {{u"one ", false}, {u"TWO", true}}},
        // A word changed inside the bold run stays bold.
        {u"one TWENTY three", {{u"one ", false}, {u"TWENTY", true}, {u" three", false}}},
        // Inserted text takes the style of the character before, as typed text does.
        {u"one xTWO three", {{u"one x", false}, {u"TWO", true}, {u" three", false}}},
        {u"", {}},
    };
    for (const auto& c : cases) {
        AttributedString s = sample();
        s.replaceText(c.newText);
        EXPECT_EQ(s.text(), c.newText);
        EXPECT_EQ(boldRuns(s), c.expected) << std::string(c.newText.begin(), c.newText.end());
    }
    AttributedString s = sample();
    s.replaceText(std::string_view("one TWO thr\xC3\xA9\x65"));
    EXPECT_EQ(s.string(), "one TWO thr\xC3\xA9\x65");

    // Attachments stay when the new text keeps their characters, even where the text around
    // them changes.
    TextAttachment picture;
    picture.rtf = "{\\pict 00}";
    AttributedString withPicture(u"Image: ");
    withPicture.appendAttachment(picture);
    withPicture.append(u" and text.", bold());
    withPicture.replaceText(std::u16string_view(u"Picture:\uFFFC and more text"));
    EXPECT_EQ(withPicture.text(), u"Picture:\uFFFC and more text");
    ASSERT_TRUE(withPicture.attributesAt(8).attachment);
    EXPECT_EQ(withPicture.attributesAt(8).attachment->rtf, "{\\pict 00}");
    EXPECT_TRUE(withPicture.attributesAt(20).bold);
}

TEST(AttributedString, TransformRunsCleansTextAndLeavesAttachmentsAlone) {
    AttributedString s = sample();
    TextAttachment picture;
    picture.rtf = "{\\pict 00}";
    s.appendAttachment(picture);
    s.append(u" four", TextAttributes{});
    s.transformRuns([](std::u16string_view text, const TextAttributes& a) {
        std::u16string out(text);
        if (!a.bold) std::replace(out.begin(), out.end(), u'e', u'E');
        return out;
    });
    EXPECT_EQ(s.text(), u"onE TWO thrEE\uFFFC four");
    ASSERT_TRUE(s.attributesAt(13).attachment);
    EXPECT_EQ(s.attributesAt(13).attachment->rtf, "{\\pict 00}");
    EXPECT_EQ(s, s.substring(0, s.length())) << "equal by value, attachments too";
}

}  // namespace
