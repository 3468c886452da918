#include <gtest/gtest.h>

#include "platform/events/AppleEvent.h"
#include "platform/events/AppleEventManager.h"

using namespace platform;

namespace {

using Desc = AppleEventDescriptor;
constexpr FourCharCode kPL90 = FourCharCode::make("PL90");
constexpr FourCharCode kCmd = FourCharCode::make("Cmd_");
constexpr FourCharCode kGURL = FourCharCode::make("GURL");

Desc utf16(std::u16string text) {
    return Desc(DescType::kUnicodeText,
                std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2));
}

TEST(AppleEventDescriptor, CoercesBetweenTextNumbersBooleansAndCodes) {
    struct Case {
        Desc desc;
        std::optional<std::string> text;
        std::optional<int32_t> integer;
        std::optional<bool> boolean;
        std::optional<double> real;
    };
    const auto no = std::nullopt;
    const Case cases[] = {
        {Desc::string("42"), "42", 42, no, 42.0},
        {Desc::string(" -7 "), " -7 ", -7, no, -7.0},
        {Desc::string("+3.0"), "+3.0", 3, no, 3.0},
        {Desc::string("2.5"), "2.5", no, no, 2.5},
        {Desc::string("2147483648"), "2147483648", no, no, 2147483648.0},
        {Desc::string("12abc"), "12abc", no, no, no},
        {Desc::string("inf"), "inf", no, no, no},
        {Desc::string(""), "", no, no, no},
        {Desc::string("TRUE"), "TRUE", no, true, no},
        {Desc::int32(42), "42", 42, no, 42.0},
        {Desc::int32(1), "1", 1, true, 1.0},
        {Desc::real(2.0), "2.0", 2, no, 2.0},
        {Desc::real(1e10), "1e+10", no, no, 1e10},
        {Desc::boolean(true), "true", 1, true, no},
        {Desc(DescType::kFalse, ""), "false", 0, false, no},
        {Desc::enumCode(FourCharCode::make("true")), "true", no, true, no},
        {Desc::typeCode(FourCharCode::make("PL90")), "PL90", no, no, no},
        {Desc::list({Desc::int32(5)}), "5", 5, no, 5.0},
        {Desc::list({Desc::int32(5), Desc::int32(6)}), no, no, no, no},
        {Desc::null(), no, no, no, no},
        {Desc::record({{kCmd, Desc::int32(1)}}), no, no, no, no},
        // Malformed plain data reads as nothing.
        {Desc(DescType::kSInt32, "abc"), no, no, no, no},
        {Desc(DescType::kBoolean, ""), no, no, no, no},
        {Desc::string("\xC3\x28"), no, no, no, no},
    };
    for (const Case& c : cases) {
        const std::string label = c.desc.descriptorType().text() + " " + c.desc.data();
        EXPECT_EQ(c.desc.stringValue(), c.text) << label;
        EXPECT_EQ(c.desc.int32Value(), c.integer) << label;
        EXPECT_EQ(c.desc.booleanValue(), c.boolean) << label;
        EXPECT_EQ(c.desc.doubleValue(), c.real) << label;
    }
}

TEST(AppleEventDescriptor, TextTypesConvertAmongThemselves) {
    const std::string text = "caf\xC3\xA9 \xE2\x82\xAC \xEF\xA3\xBF";  // café € and the logo
    EXPECT_EQ(Desc::string(text).coerceToDescriptorType(DescType::kText),
              Desc(DescType::kText, "caf\x8E \xDB \xF0"));

    // Every Mac Roman byte reads as one character and goes back to itself.
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const auto back = Desc(DescType::kText, all)
                          .coerceToDescriptorType(DescType::kUTF8Text)
                          ->coerceToDescriptorType(DescType::kText);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->data(), all);
    EXPECT_FALSE(Desc::string("\xE6\x97\xA5").coerceToDescriptorType(DescType::kText));

    // UTF-16 with a surrogate pair; a leading byte-order mark is not text.
    EXPECT_EQ(Desc::string("a\xF0\x9F\x98\x80").coerceToDescriptorType(DescType::kUnicodeText),
              utf16(u"a\U0001F600"));
    EXPECT_EQ(utf16(u"\uFEFFhi").stringValue(), "hi");
    EXPECT_FALSE(utf16(u"\xD83D").stringValue());  // unpaired high surrogate
    EXPECT_FALSE(utf16(u"\xDE00x").stringValue());
    EXPECT_FALSE(Desc(DescType::kUnicodeText, "abc").stringValue());
}

TEST(AppleEventDescriptor, CodesAndFileURLsFromText) {
    EXPECT_EQ(Desc::string("Cmd_").typeCodeValue(), kCmd);
    EXPECT_EQ(Desc::string("\xC2\xA9opt").typeCodeValue(), FourCharCode(0xA96F7074u));
    EXPECT_EQ(Desc::typeCode(FourCharCode(0xA96F7074u)).stringValue(), "\xC2\xA9opt");
    EXPECT_FALSE(Desc::string("Cmd").typeCodeValue());
    EXPECT_EQ(Desc::string("PL90").coerceToDescriptorType(DescType::kEnumerated),
              Desc::enumCode(kPL90));

    const Url expected = Url::fileURLWithPath("/tmp/a b.txt");
    EXPECT_EQ(Desc::string("/tmp/a b.txt").fileURLValue(), expected);
    EXPECT_EQ(Desc::string("file:///tmp/a%20b.txt").fileURLValue(), expected);
    EXPECT_EQ(Desc::fileURL(expected).stringValue(), "file:///tmp/a%20b.txt");
    for (const char* notFile : {"https://example.com/x", "relative/path"})
        EXPECT_FALSE(Desc::string(notFile).fileURLValue()) << notFile;
    EXPECT_FALSE(Desc(DescType::kFileURL, "http://x/").fileURLValue());

    EXPECT_EQ(Desc::int32(7).coerceToDescriptorType(DescType::kList), Desc::list({Desc::int32(7)}));
    EXPECT_FALSE(Desc::int32(7).coerceToDescriptorType(FourCharCode::make("xxxx")));
}

TEST(AppleEventDescriptor, ListsAndRecords) {
    Desc list = Desc::list({Desc::string("a"), Desc::int32(2)});
    EXPECT_EQ(list.descriptorAtIndex(2)->int32Value(), 2) << "items count from one";
    EXPECT_EQ(list.descriptorAtIndex(0), nullptr);
    EXPECT_EQ(list.descriptorAtIndex(3), nullptr);
    EXPECT_NE(list, Desc::list({Desc::int32(2), Desc::string("a")})) << "lists are ordered";

    // A repeated keyword keeps its first place and its last value; order does not matter to
    // equality.
    Desc record =
        Desc::record({{kCmd, Desc::int32(1)}, {kPL90, Desc::null()}, {kCmd, Desc::int32(3)}});
    EXPECT_EQ(record.fields().at(0).first, kCmd);
    record.removeDescriptor(kPL90);
    EXPECT_EQ(record, Desc::record({{kCmd, Desc::int32(3)}}));
    EXPECT_EQ(Desc::record({{kCmd, Desc::null()}, {kPL90, Desc::null()}}),
              Desc::record({{kPL90, Desc::null()}, {kCmd, Desc::null()}}));
}

AppleEvent sampleEvent() {
    AppleEvent event(kPL90, kCmd, "com.halvik.purlane9", 17, 42);
    event.setParamDescriptor(FourCharCode::make("p001"), Desc::string("Pasteboard \xE2\x9C\x93"));
    event.setParamDescriptor(FourCharCode::make("p002"), Desc::string(""));
    Desc nested = Desc::record({{kGURL, Desc::list({Desc::real(-0.5), Desc::boolean(false),
                                                    Desc::list(), Desc::record()})}});
    Desc inner(DescType::kAppleEvent, {});
    inner.setDescriptor(AEKeyword::kErrorNumber, Desc::int32(-1708));
    event.setParamDescriptor(AEKeyword::kDirectObject, Desc::list({nested, inner, Desc::null()}));
    event.setAttributeDescriptor(FourCharCode::make("subj"), Desc::bundleIdentifier("x.y"));
    return event;
}

TEST(AppleEventCodec, RoundTripsNestedEventsAndDescriptors) {
    const AppleEvent event = sampleEvent();
    const auto decoded = AppleEventCodec::decode(AppleEventCodec::encode(event));
    ASSERT_TRUE(decoded) << decoded.error().debugDescription();
    EXPECT_EQ(*decoded, event);

    AppleEvent reply(FourCharCode::make("aevt"), FourCharCode::make("ansr"), "", -1, -5);
    reply.setParamDescriptor(AEKeyword::kErrorNumber, Desc::int32(-1712));
    EXPECT_EQ(*AppleEventCodec::decode(AppleEventCodec::encode(reply)), reply);

    const Desc desc = event.parameters();
    EXPECT_EQ(*AppleEventCodec::decodeDescriptor(AppleEventCodec::encodeDescriptor(desc)), desc);
    EXPECT_FALSE(AppleEventCodec::decode(AppleEventCodec::encodeDescriptor(desc)))
        << "a descriptor is not an event";
}

std::string nestedLists(int depth) {
    Desc d = Desc::int32(1);
    for (int i = 0; i < depth; ++i) d = Desc::list({d});
    return AppleEventCodec::encodeDescriptor(d);
}

TEST(AppleEventCodec, RejectsMalformedInput) {
    const std::string valid = AppleEventCodec::encode(sampleEvent());
    for (size_t n = 0; n < valid.size(); ++n) {
        const auto r = AppleEventCodec::decode(std::string_view(valid).substr(0, n));
        ASSERT_FALSE(r) << "truncated to " << n;
        EXPECT_EQ(r.error().code, Error::kCoderReadCorrupt);
    }

    // Header of an event with no target: "plAE" 1, class, id, target length 0, IDs.
    const std::string head = std::string("plAE\1PL90Cmd_\0\0\0\0\0\1\0\0\0\0", 23);
    const std::string emptyRecord("reco\0\0\0\0", 8);
    ASSERT_TRUE(AppleEventCodec::decode(head + emptyRecord + emptyRecord));
    const std::pair<std::string, std::string> cases[] = {
        {"trailing byte", head + emptyRecord + emptyRecord + "x"},
        {"bad magic", "plAX" + head.substr(4) + emptyRecord + emptyRecord},
        {"bad version", "plAE\2" + head.substr(5) + emptyRecord + emptyRecord},
        {"huge target", std::string("plAE\1PL90Cmd_\xFF\xFF\xFF\xFF", 17)},
        {"huge count", head + std::string("reco\x7F\xFF\xFF\xFF", 8) + emptyRecord},
        {"huge data", head + std::string("reco\0\0\0\1----utf8\xFF\xFF\xFF\xF0", 20) + emptyRecord},
        {"parameters not a record", head + std::string("list\0\0\0\0", 8) + emptyRecord},
        {"repeated keyword",
         head + std::string("reco\0\0\0\2----null\0\0\0\0----null\0\0\0\0", 32) + emptyRecord},
        {"huge list", std::string("plAD\1list\xFF\xFF\xFF\xFF", 13)},
        {"too deep", nestedLists(65)},
    };
    for (const auto& [what, bytes] : cases) {
        const bool isEvent = bytes.compare(0, 4, "plAD") != 0;
        const bool ok = isEvent ? AppleEventCodec::decode(bytes).ok()
                                : AppleEventCodec::decodeDescriptor(bytes).ok();
        EXPECT_FALSE(ok) << what;
    }
    EXPECT_TRUE(AppleEventCodec::decodeDescriptor(nestedLists(64)));
}

TEST(AppleEventHandlerTable, LaterHandlersReplaceExactMatchesComeFirstAndSelfRemovalIsSafe) {
    AppleEventHandlerTable table;
    AppleEvent reply;
    table.set(kPL90, kCmd, [](const AppleEvent&, AppleEvent&) { return 0; });
    table.set(kPL90, kCmd, [](const AppleEvent&, AppleEvent&) { return -50; });
    table.set(kPL90, FourCharCode::make("****"), [](const AppleEvent&, AppleEvent&) { return 7; });
    EXPECT_EQ(table.dispatch(AppleEvent(kPL90, kCmd, "t"), reply), OSErr::kParamErr);
    EXPECT_EQ(table.dispatch(AppleEvent(kPL90, kGURL, "t"), reply), 7);
    table.set(kGURL, kGURL,
              [&](const AppleEvent&, AppleEvent&) { return table.remove(kGURL, kGURL), 0; });
    EXPECT_EQ(table.dispatch(AppleEvent(kGURL, kGURL, "t"), reply), 0);
    EXPECT_FALSE(table.has(kGURL, kGURL));
}

}  // namespace
