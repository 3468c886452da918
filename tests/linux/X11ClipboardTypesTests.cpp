#include "platform/linux/x11/X11ClipboardTypes.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using platform::X11ClipboardTypes;
using Strings = std::vector<std::string>;

TEST(X11ClipboardTypes, StoredTypesAreOfferedUnderTargetsThatComeBackAsThem) {
    const Strings text = {"UTF8_STRING", "text/plain;charset=utf-8", "text/plain", "STRING",
                          "TEXT"};
    const struct {
        std::string type;
        Strings targets;
    } cases[] = {
        {"public.utf8-plain-text", text},
        {"public.html", {"text/html"}},
        {"public.rtf", {"text/rtf"}},
        {"public.png", {"image/png"}},
        {"public.tiff", {"image/tiff"}},
        {"public.file-url", {"text/uri-list"}},
        {"com.apple.flat-rtfd", {"com.apple.flat-rtfd"}},
        {"application/x-custom", {"application/x-custom"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(X11ClipboardTypes::targetsForType(c.type), c.targets) << c.type;
        for (const auto& target : c.targets)
            EXPECT_EQ(X11ClipboardTypes::typeForTarget(target), c.type) << target;
    }
    // Older names of the same types.
    EXPECT_EQ(X11ClipboardTypes::targetsForType("NSStringPboardType"), text);
    EXPECT_EQ(X11ClipboardTypes::targetsForType("NSRTFPboardType"), Strings{"text/rtf"});
}

TEST(X11ClipboardTypes, OtherTargetsComeInAsTypesOrNotAtAll) {
    const struct {
        std::string target;
        std::optional<std::string> type;
    } cases[] = {
        {"text/plain;charset=UTF-8", "public.utf8-plain-text"},
        {"text/plain;charset=utf-16", std::nullopt},  // the UTF-8 form is taken instead
        {"application/rtf", "public.rtf"},
        {"image/bmp", "image/bmp"},  // unmapped MIME types keep their name
        {"TARGETS", std::nullopt},
        {"MULTIPLE", std::nullopt},
        {"SAVE_TARGETS", std::nullopt},
        {"PIXMAP", std::nullopt},
        {"_NETSCAPE_URL", std::nullopt},
        {"COMPOUND_TEXT", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(X11ClipboardTypes::typeForTarget(c.target), c.type) << c.target;
}

TEST(X11ClipboardTypes, DataIsConvertedForItsTarget) {
    const std::string text = "caf\xC3\xA9 \xE2\x82\xAC";  // "café €"
    const struct {
        std::string target, type, stored, offered;
    } out[] = {
        {"UTF8_STRING", "public.utf8-plain-text", text, text},
        {"STRING", "public.utf8-plain-text", text, "caf\xE9 ?"},  // Latin-1 has no euro sign
        {"text/uri-list", "public.file-url", "file:///tmp/a", "file:///tmp/a\r\n"},
        {"image/png", "public.png", std::string("\x89PNG\0\1", 6), std::string("\x89PNG\0\1", 6)},
    };
    for (const auto& c : out)
        EXPECT_EQ(X11ClipboardTypes::dataForTarget(c.target, c.type, c.stored), c.offered)
            << c.target;

    const struct {
        std::string target, received;
        std::optional<std::string> stored;
    } in[] = {
        {"UTF8_STRING", text, text},
        {"UTF8_STRING", text + '\0', text},
        {"UTF8_STRING", "bad \xFF", std::nullopt},
        {"STRING", "caf\xE9", "caf\xC3\xA9"},
        {"text/uri-list", "# comment\r\nfile:///a\r\nfile:///b\r\n", "file:///a"},
        {"text/uri-list", "# only a comment\r\n", std::nullopt},
        {"image/png", std::string("\0\xFF", 2), std::string("\0\xFF", 2)},
    };
    for (const auto& c : in)
        EXPECT_EQ(X11ClipboardTypes::dataFromTarget(c.target, c.received), c.stored) << c.target;
}

TEST(X11ClipboardTypes, TextTargetsPreferUtf8) {
    const auto& order = X11ClipboardTypes::textTargetsByPreference();
    ASSERT_FALSE(order.empty());
    EXPECT_EQ(order.front(), "UTF8_STRING");
    for (const auto& target : order)
        EXPECT_EQ(X11ClipboardTypes::typeForTarget(target), "public.utf8-plain-text") << target;
}

}  // namespace
