#include <gtest/gtest.h>

#include "platform/core/Log.h"
#include "platform/pasteboard/Pasteboard.h"
#include "platform/pasteboard/PasteboardCodec.h"
#include "platform/sim/SimPasteboardStore.h"

using namespace platform;

namespace {

constexpr std::string_view kText = PasteboardTypes::kString;
constexpr std::string_view kRTF = PasteboardTypes::kRTF;
constexpr std::string_view kHTML = PasteboardTypes::kHTML;

class PasteboardTest : public testing::Test {
  protected:
    std::shared_ptr<SimPasteboardStore> store = std::make_shared<SimPasteboardStore>();
    Pasteboard general = Pasteboard::generalPasteboard(store);
};

TEST_F(PasteboardTest, ChangeCountMovesOnTakeOverAndHandlesWithOneNameShareContents) {
    const int64_t start = general.changeCount();
    EXPECT_EQ(general.clearContents(), start + 1);
    EXPECT_TRUE(general.setString("one"));
    EXPECT_TRUE(general.writeObjects({"two"}));
    EXPECT_EQ(general.changeCount(), start + 1);
    EXPECT_EQ(general.declareTypes({std::string(kText)}), start + 2);
    EXPECT_EQ(general.clearContents(), start + 3);
    EXPECT_EQ(general.changeCount(), start + 3);

    Pasteboard mine = Pasteboard::pasteboardWithName(store, "com.halvik.clean");
    Pasteboard theirs = Pasteboard::pasteboardWithName(store, "com.halvik.clean");
    mine.clearContents();
    mine.setString("  dirty text ");
    EXPECT_EQ(theirs.stringForType(kText), "  dirty text ");
    theirs.clearContents();
    EXPECT_EQ(mine.changeCount(), theirs.changeCount());
    EXPECT_FALSE(mine.stringForType(kText));
    EXPECT_FALSE(general.stringForType(kText)) << "other names are other pasteboards";
}

TEST_F(PasteboardTest, ReadsTakeTheFirstItemHavingTheTypeAndLegacyNamesAreTheSameTypes) {
    general.clearContents();
    ASSERT_TRUE(general.setData("{\\rtf1 first}", kRTF));
    ASSERT_TRUE(general.writeObjects({"second", "third"}));
    EXPECT_EQ(general.stringForType(kText), "second");
    EXPECT_EQ(general.types(), (std::vector<std::string>{"public.rtf", "public.utf8-plain-text"}));

    // setString writes into the first item, which now has text too and wins.
    ASSERT_TRUE(general.setString("first"));
    EXPECT_EQ(general.stringForType(kText), "first");
    EXPECT_EQ(general.readObjects(), (std::vector<std::string>{"first", "second", "third"}));
    EXPECT_EQ(general.availableTypeFromArray({std::string(kHTML), "NSRTFPboardType"}), kRTF);

    // Legacy names are the same types.
    general.declareTypes({"NSStringPboardType", "public.utf8-plain-text", "NSRTFDPboardType"});
    EXPECT_EQ(general.types(),
              (std::vector<std::string>{"public.utf8-plain-text", "com.apple.flat-rtfd"}));
    EXPECT_FALSE(general.dataForType(kText)) << "declared, but nobody has given the data yet";
    ASSERT_TRUE(general.setData("rtf", "NSRTFPboardType"));
    EXPECT_EQ(general.pasteboardItems().at(0).dataForType(kRTF), "rtf");
}

TEST_F(PasteboardTest, WritesAreAddedToWhatIsThereAndBadInputIsRefused) {
    general.clearContents();
    general.writeObjects({"a"});
    general.writeObjects({"b"});  // no clearContents in between: added, as the OS does
    EXPECT_EQ(general.readObjects(), (std::vector<std::string>{"a", "b"}));

    const size_t writes = store->writeCount();
    ScopedLogCapture capture;
    EXPECT_FALSE(general.setData("x", ""));
    EXPECT_FALSE(general.setData("x", std::string("a\0b", 3)));
    EXPECT_EQ(store->writeCount(), writes) << "bad types are refused";

    // Bytes that are not UTF-8 are data, not text.
    general.clearContents();
    general.setData("\xc3\x28 broken", kText);
    EXPECT_FALSE(general.stringForType(kText));
    EXPECT_TRUE(general.dataForType(kText) && general.readObjects().empty());
}

TEST_F(PasteboardTest, UniquePasteboardsAndReleasing) {
    auto a = Pasteboard::pasteboardWithUniqueName(store);
    auto b = Pasteboard::pasteboardWithUniqueName(store);
    ASSERT_TRUE(a.ok() && b.ok());
    EXPECT_NE(a->name(), b->name());

    const int64_t count = a->clearContents();
    a->setString("scratch");
    a->releaseGlobally();
    EXPECT_TRUE(a->types().empty() && store->names().empty());
    EXPECT_GE(a->changeCount(), count) << "a change count never goes back";
    EXPECT_GT(a->clearContents(), count);  // the handle stays usable
}

// The codec reads files other processes wrote, or anybody planted.
TEST(PasteboardCodecTest, RoundTripsAndRefusesTruncatedOrLyingInput) {
    PasteboardItem first;
    first.setString("hello", kText);
    first.setData(std::string("\0\x01\xff", 3), kRTF);
    first.entries.push_back({std::string(kHTML), std::nullopt});
    const PasteboardContents sample{42, {first, PasteboardItem{}, {{{"public.png", ""}}}}};
    const std::string good = PasteboardCodec::encode(sample).value();
    auto back = PasteboardCodec::decode(good);
    ASSERT_TRUE(back.ok()) << back.error().debugDescription();
    EXPECT_EQ(*back, sample);
    EXPECT_TRUE(PasteboardCodec::decode(*PasteboardCodec::encode({})).ok());
    for (size_t n = 0; n < good.size(); ++n)
        EXPECT_FALSE(PasteboardCodec::decode(std::string_view(good).substr(0, n)).ok()) << n;
    EXPECT_FALSE(PasteboardCodec::decode(good + "x").ok()) << "trailing bytes";

    auto patched = [&](size_t at, std::string_view with) {
        std::string s = good;
        s.replace(at, with.size(), with);
        return PasteboardCodec::decode(s);
    };
    EXPECT_FALSE(patched(0, "XLPB").ok());                       // magic
    EXPECT_FALSE(patched(4, std::string("\x02", 1)).ok());       // version
    EXPECT_FALSE(patched(15, "\x80").ok());                      // negative count
    EXPECT_FALSE(patched(16, "\xff\xff\xff\x7f").ok());          // item count
    EXPECT_FALSE(patched(20, "\xff\xff\xff\xff").ok());          // entry count
    EXPECT_FALSE(patched(24, std::string("\0\0\0\0", 4)).ok());  // empty type
    EXPECT_FALSE(patched(24, "\xff\xff\xff\x0f").ok());          // type length
    const size_t flag = 24 + 4 + kText.size();
    EXPECT_FALSE(patched(flag, "\x02").ok());                                  // data flag
    EXPECT_FALSE(patched(flag + 1, "\xff\xff\xff\xff\xff\xff\xff\xff").ok());  // data length
    EXPECT_EQ(patched(flag + 8, "\xff").error().code, Error::kCoderReadCorrupt);

    // The same type twice in one item is not something a pasteboard can hold.
    PasteboardContents twice;
    twice.items = {PasteboardItem{{{"public.rtf", "a"}, {"public.rtf", "b"}}}};
    EXPECT_FALSE(PasteboardCodec::encode(twice).ok());
    std::string dup =
        *PasteboardCodec::encode({0, {PasteboardItem{{{"public.rtf", "a"}, {"public.rtx", "b"}}}}});
    dup[dup.rfind("public.rtx") + 9] = 'f';
    EXPECT_FALSE(PasteboardCodec::decode(dup).ok());
}

}  // namespace
