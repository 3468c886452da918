#include "platform/coding/StringEncodings.h"

#include "platform/core/Utf8.h"

#include <unicode/ucnv.h>
#include <unicode/ucsdet.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <memory>

namespace platform {

namespace {

// Most compatible Mac encodings used below.
constexpr uint32_t kRoman = 0;
constexpr uint32_t kJapanese = 1;
constexpr uint32_t kChineseTrad = 2;
constexpr uint32_t kKorean = 3;
constexpr uint32_t kArabic = 4;
constexpr uint32_t kHebrew = 5;
constexpr uint32_t kGreek = 6;
constexpr uint32_t kCyrillic = 7;
constexpr uint32_t kThai = 21;
constexpr uint32_t kChineseSimp = 25;
constexpr uint32_t kCentralEur = 29;
constexpr uint32_t kVietnamese = 30;
constexpr uint32_t kTurkish = 35;
constexpr uint32_t kIcelandic = 37;
constexpr uint32_t kRomanian = 38;
constexpr uint32_t kCeltic = 39;
constexpr uint32_t kUkrainian = 0x98;
constexpr uint32_t kUnicode = StringEncodings::kMacUnicode;

struct Candidate {
    uint32_t value;
    const char* name;
    uint32_t mac;
    const char* icu;
};

// The OS's encodings in its own order: the built-in ones first, then the rest by value. Those
// ICU has no converter for here (most Mac script encodings, NextStep, Mac Mail, Latin 10,
// VISCII, Johab, Shift JIS X0213, Big 5-E) drop out when the table is built.
constexpr Candidate kCandidates[] = {
    {0x00000000, "Western (Mac OS Roman)", kRoman, "macintosh"},
    {0x00000500, "Western (Windows Latin 1)", kRoman, "windows-1252"},
    {0x00000201, "Western (ISO Latin 1)", kRoman, "ISO-8859-1"},
    {0x00000B01, "Western (NextStep)", kRoman, "x-nextstep"},
    {0x00000600, "Western (ASCII)", kRoman, "US-ASCII"},
    {0x08000100, "Unicode (UTF-8)", kUnicode, "UTF-8"},
    {0x00000100, "Unicode (UTF-16)", kUnicode, "UTF-16"},
    {0x10000100, "Unicode (UTF-16BE)", kUnicode, "UTF-16BE"},
    {0x14000100, "Unicode (UTF-16LE)", kUnicode, "UTF-16LE"},
    {0x0C000100, "Unicode (UTF-32)", kUnicode, "UTF-32"},
    {0x18000100, "Unicode (UTF-32BE)", kUnicode, "UTF-32BE"},
    {0x1C000100, "Unicode (UTF-32LE)", kUnicode, "UTF-32LE"},
    {0x04000100, "Unicode (UTF-7)", kUnicode, "UTF-7"},

    {0x00000001, "Japanese (Mac OS)", kJapanese, "x-mac-japanese"},
    {0x00000002, "Traditional Chinese (Mac OS)", kChineseTrad, "x-mac-trad-chinese"},
    {0x00000003, "Korean (Mac OS)", kKorean, "x-mac-korean"},
    {0x00000004, "Arabic (Mac OS)", kArabic, "x-mac-arabic"},
    {0x00000005, "Hebrew (Mac OS)", kHebrew, "x-mac-hebrew"},
    {0x00000006, "Greek (Mac OS)", kGreek, "x-mac-greek"},
    {0x00000007, "Cyrillic (Mac OS)", kCyrillic, "x-mac-cyrillic"},
    {0x00000015, "Thai (Mac OS)", kThai, "x-mac-thai"},
    {0x00000019, "Simplified Chinese (Mac OS)", kChineseSimp, "x-mac-chinesesimp"},
    {0x0000001D, "Central European (Mac OS)", kCentralEur, "x-mac-centraleurroman"},
    {0x00000021, "Symbol (Mac OS)", 33, "x-mac-symbol"},
    {0x00000022, "Dingbats (Mac OS)", 34, "x-mac-dingbats"},
    {0x00000023, "Turkish (Mac OS)", kTurkish, "x-mac-turkish"},
    {0x00000024, "Croatian (Mac OS)", 36, "x-mac-croatian"},
    {0x00000025, "Icelandic (Mac OS)", kIcelandic, "x-mac-icelandic"},
    {0x00000026, "Romanian (Mac OS)", kRomanian, "x-mac-romanian"},
    {0x0000008C, "Farsi (Mac OS)", 0x8C, "x-mac-farsi"},
    // ICU's Mac Cyrillic is the later table that took in the Ukrainian letters.
    {0x00000098, "Ukrainian (Mac OS)", kUkrainian, "x-MacUkraine"},

    {0x00000202, "Central European (ISO Latin 2)", kCentralEur, "ISO-8859-2"},
    {0x00000203, "Western (ISO Latin 3)", kRoman, "ISO-8859-3"},
    {0x00000204, "Central European (ISO Latin 4)", kCentralEur, "ISO-8859-4"},
    {0x00000205, "Cyrillic (ISO 8859-5)", kCyrillic, "ISO-8859-5"},
    {0x00000206, "Arabic (ISO 8859-6)", kArabic, "ISO-8859-6"},
    {0x00000207, "Greek (ISO 8859-7)", kGreek, "ISO-8859-7"},
    {0x00000208, "Hebrew (ISO 8859-8)", kHebrew, "ISO-8859-8"},
    {0x00000209, "Turkish (ISO Latin 5)", kTurkish, "ISO-8859-9"},
    {0x0000020A, "Nordic (ISO Latin 6)", kRoman, "ISO-8859-10"},
    {0x0000020B, "Thai (ISO 8859-11)", kThai, "ISO-8859-11"},
    {0x0000020D, "Baltic (ISO Latin 7)", kCentralEur, "ISO-8859-13"},
    {0x0000020E, "Celtic (ISO Latin 8)", kCeltic, "ISO-8859-14"},
    {0x0000020F, "Western (ISO Latin 9)", kRoman, "ISO-8859-15"},
    {0x00000210, "Romanian (ISO Latin 10)", kRomanian, "ISO-8859-16"},

    {0x00000400, "Latin-US (DOS)", kRoman, "ibm-437"},
    {0x00000405, "Greek (DOS)", kGreek, "ibm-737"},
    {0x00000406, "Baltic (DOS)", kCentralEur, "ibm-775"},
    {0x00000410, "Western (DOS Latin 1)", kRoman, "ibm-850"},
    {0x00000411, "Greek (DOS Greek 1)", kGreek, "ibm-851"},
    {0x00000412, "Central European (DOS Latin 2)", kCentralEur, "ibm-852"},
    {0x00000413, "Cyrillic (DOS)", kCyrillic, "ibm-855"},
    {0x00000414, "Turkish (DOS)", kTurkish, "ibm-857"},
    {0x00000415, "Portuguese (DOS)", kRoman, "ibm-860"},
    {0x00000416, "Icelandic (DOS)", kIcelandic, "ibm-861"},
    {0x00000417, "Hebrew (DOS)", kHebrew, "ibm-862"},
    {0x00000418, "Canadian French (DOS)", kRoman, "ibm-863"},
    {0x00000419, "Arabic (DOS)", kArabic, "ibm-864"},
    {0x0000041A, "Nordic (DOS)", kRoman, "ibm-865"},
    {0x0000041B, "Russian (DOS)", kCyrillic, "ibm-866"},
    {0x0000041C, "Greek (DOS Greek 2)", kGreek, "ibm-869"},
    {0x0000041D, "Thai (Windows, DOS)", kThai, "windows-874"},
    {0x00000420, "Japanese (Windows, DOS)", kJapanese, "windows-932"},
    {0x00000421, "Simplified Chinese (Windows, DOS)", kChineseSimp, "windows-936"},
    {0x00000422, "Korean (Windows, DOS)", kKorean, "windows-949"},
    {0x00000423, "Traditional Chinese (Windows, DOS)", kChineseTrad, "windows-950"},

    {0x00000501, "Central European (Windows Latin 2)", kCentralEur, "windows-1250"},
    {0x00000502, "Cyrillic (Windows)", kCyrillic, "windows-1251"},
    {0x00000503, "Greek (Windows)", kGreek, "windows-1253"},
    {0x00000504, "Turkish (Windows Latin 5)", kTurkish, "windows-1254"},
    {0x00000505, "Hebrew (Windows)", kHebrew, "windows-1255"},
    {0x00000506, "Arabic (Windows)", kArabic, "windows-1256"},
    {0x00000507, "Baltic (Windows)", kCentralEur, "windows-1257"},
    {0x00000508, "Vietnamese (Windows)", kVietnamese, "windows-1258"},
    {0x00000510, "Korean (Windows Johab)", kKorean, "ibm-1361"},

    {0x00000628, "Japanese (Shift JIS X0213)", kJapanese, "Shift_JIS_X0213"},
    {0x00000631, "Chinese (GBK)", kChineseSimp, "GBK"},
    {0x00000632, "Chinese (GB 18030)", kChineseSimp, "GB18030"},
    {0x00000820, "Japanese (ISO 2022-JP)", kJapanese, "ISO-2022-JP"},
    {0x00000821, "Japanese (ISO 2022-JP-2)", kJapanese, "ISO-2022-JP-2"},
    {0x00000822, "Japanese (ISO 2022-JP-1)", kJapanese, "ISO-2022-JP-1"},
    {0x00000830, "Chinese (ISO 2022-CN)", kChineseSimp, "ISO-2022-CN"},
    {0x00000840, "Korean (ISO 2022-KR)", kKorean, "ISO-2022-KR"},
    {0x00000920, "Japanese (EUC)", kJapanese, "EUC-JP"},
    {0x00000930, "Simplified Chinese (GB 2312)", kChineseSimp, "EUC-CN"},
    {0x00000931, "Traditional Chinese (EUC)", kChineseTrad, "EUC-TW"},
    {0x00000940, "Korean (EUC)", kKorean, "EUC-KR"},
    {0x00000A01, "Japanese (Shift JIS)", kJapanese, "Shift_JIS"},
    {0x00000A02, "Cyrillic (KOI8-R)", kCyrillic, "KOI8-R"},
    {0x00000A03, "Traditional Chinese (Big 5)", kChineseTrad, "Big5"},
    {0x00000A04, "Western (Mac Mail)", kRoman, "x-mac-roman-latin1"},
    {0x00000A05, "Simplified Chinese (HZ GB 2312)", kChineseSimp, "HZ-GB-2312"},
    {0x00000A06, "Traditional Chinese (Big 5 HKSCS)", kChineseTrad, "Big5-HKSCS"},
    {0x00000A07, "Vietnamese (VISCII)", kVietnamese, "VISCII"},
    {0x00000A08, "Ukrainian (KOI8-U)", kUkrainian, "KOI8-U"},
    {0x00000A09, "Traditional Chinese (Big 5-E)", kChineseTrad, "Big5-E"},
    {0x00000C02, "Western (EBCDIC Latin 1)", kRoman, "ibm-037"},
};

struct Entry {
    const char* icu;
    std::string canonical;  // ICU's own converter name, to match detector names by
};

struct Table {
    std::vector<StringEncoding> encodings;
    std::vector<Entry> entries;  // parallel to encodings
};

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

struct DetectorCloser {
    void operator()(UCharsetDetector* d) const { ucsdet_close(d); }
};

Converter open(const char* icuName) {
    UErrorCode status = U_ZERO_ERROR;
    Converter c(ucnv_open(icuName, &status));
    if (U_FAILURE(status)) return nullptr;
    return c;
}

const Table& table() {
    // Built once; C++ makes the first call's initialisation thread-safe.
    static const Table t = [] {
        Table out;
        for (const Candidate& c : kCandidates) {
            Converter conv = open(c.icu);
            if (!conv) continue;
            UErrorCode status = U_ZERO_ERROR;
            const char* canonical = ucnv_getName(conv.get(), &status);
            out.encodings.push_back({c.value, c.name, c.mac});
            out.entries.push_back({c.icu, U_SUCCESS(status) ? canonical : ""});
        }
        return out;
    }();
    return t;
}

const Entry* entryFor(uint32_t value) {
    const Table& t = table();
    for (size_t i = 0; i < t.encodings.size(); ++i)
        if (t.encodings[i].value == value) return &t.entries[i];
    return nullptr;
}

// A converter that fails on any unmappable or malformed input instead of substituting.
Converter strictConverter(uint32_t encoding) {
    const Entry* e = entryFor(encoding);
    if (!e) return nullptr;
    Converter c = open(e->icu);
    if (!c) return nullptr;
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setToUCallBack(c.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    ucnv_setFromUCallBack(c.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    if (U_FAILURE(status)) return nullptr;
    return c;
}

// ICU counts in int32_t; the UTF-16 and UTF-8 buffers below grow to six times the input.
bool fitsInt32(size_t n) {
    return n <= static_cast<size_t>(INT32_MAX / 8);
}

}  // namespace

const std::vector<StringEncoding>& StringEncodings::available() {
    return table().encodings;
}

const StringEncoding* StringEncodings::find(uint32_t value) {
    for (const StringEncoding& e : table().encodings)
        if (e.value == value) return &e;
    return nullptr;
}

std::optional<std::string> StringEncodings::toUtf8(std::string_view bytes, uint32_t encoding) {
    Converter conv = strictConverter(encoding);
    if (!conv || !fitsInt32(bytes.size())) return std::nullopt;
    if (bytes.empty()) return std::string();

    // Nearly every byte gives at most two UTF-16 units; the rare longer mapping retries.
    std::u16string units(bytes.size() * 2 + 1, u'\0');
    UErrorCode status = U_ZERO_ERROR;
    int32_t n = ucnv_toUChars(conv.get(), units.data(), static_cast<int32_t>(units.size()),
                              bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        units.assign(static_cast<size_t>(n) + 1, u'\0');
        status = U_ZERO_ERROR;
        n = ucnv_toUChars(conv.get(), units.data(), static_cast<int32_t>(units.size()),
                          bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    }
    if (U_FAILURE(status)) return std::nullopt;

    std::string out(static_cast<size_t>(n) * 3, '\0');
    int32_t length = 0;
    status = U_ZERO_ERROR;
    // Strict: an unpaired surrogate (possible from UTF-16 bytes) fails here.
    u_strToUTF8(out.data(), static_cast<int32_t>(out.size()), &length, units.data(), n, &status);
    if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING) return std::nullopt;
    out.resize(static_cast<size_t>(length));
    return out;
}

std::optional<std::string> StringEncodings::fromUtf8(std::string_view text, uint32_t encoding) {
    Converter conv = strictConverter(encoding);
    if (!conv || !fitsInt32(text.size())) return std::nullopt;
    if (text.empty()) return std::string();

    std::u16string units(text.size() + 1, u'\0');
    int32_t n = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8(units.data(), static_cast<int32_t>(units.size()), &n, text.data(),
                  static_cast<int32_t>(text.size()), &status);
    if (U_FAILURE(status)) return std::nullopt;

    status = U_ZERO_ERROR;
    const int32_t needed = ucnv_fromUChars(conv.get(), nullptr, 0, units.data(), n, &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) return std::nullopt;
    std::string out(static_cast<size_t>(needed) + 1, '\0');
    status = U_ZERO_ERROR;
    const int32_t written = ucnv_fromUChars(
        conv.get(), out.data(), static_cast<int32_t>(out.size()), units.data(), n, &status);
    if (U_FAILURE(status)) return std::nullopt;
    out.resize(static_cast<size_t>(written));
    return out;
}

namespace {

// The available encodings ICU finds likely for the bytes, likeliest first.
std::vector<uint32_t> likelyEncodings(std::string_view bytes) {
    // ICU gives 10 for "no evidence either way" and little more for bytes that are merely valid.
    constexpr int32_t kMinConfidence = 20;
    std::vector<uint32_t> out;
    if (bytes.empty() || !fitsInt32(bytes.size())) return out;

    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UCharsetDetector, DetectorCloser> det(ucsdet_open(&status));
    if (U_FAILURE(status)) return out;
    ucsdet_setText(det.get(), bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    int32_t count = 0;
    const UCharsetMatch** matches = ucsdet_detectAll(det.get(), &count, &status);
    if (U_FAILURE(status) || !matches) return out;

    const Table& t = table();
    auto add = [&out](uint32_t value) {
        if (std::find(out.begin(), out.end(), value) == out.end()) out.push_back(value);
    };
    for (int32_t i = 0; i < count; ++i) {
        UErrorCode s = U_ZERO_ERROR;
        const int32_t confidence = ucsdet_getConfidence(matches[i], &s);
        const char* name = ucsdet_getName(matches[i], &s);
        if (U_FAILURE(s) || !name || confidence < kMinConfidence) continue;
        // The encoding named as ICU names it first ("Big5" before the Windows code page that
        // shares its converter), then any sharing the detector's converter.
        bool found = false;
        for (size_t k = 0; k < t.entries.size() && !found; ++k)
            if (ucnv_compareNames(name, t.entries[k].icu) == 0) {
                add(t.encodings[k].value);
                found = true;
            }
        if (found) continue;
        Converter conv = open(name);
        if (!conv) continue;
        const char* canonical = ucnv_getName(conv.get(), &s);
        if (U_FAILURE(s)) continue;
        for (size_t k = 0; k < t.entries.size(); ++k)
            if (t.entries[k].canonical == canonical) {
                add(t.encodings[k].value);
                break;
            }
    }
    return out;
}

constexpr std::string_view kUTF8Mark = "\xEF\xBB\xBF";

}  // namespace

std::optional<uint32_t> StringEncodings::detect(std::string_view bytes) {
    const std::vector<uint32_t> likely = likelyEncodings(bytes);
    if (likely.empty()) return std::nullopt;
    return likely.front();
}

std::optional<std::string> StringEncodings::decode(std::string_view bytes, uint32_t encoding) {
    // ICU's UTF-16 and UTF-32 converters take their mark away themselves; UTF-8's keeps it.
    if (encoding == kUTF8) {
        if (bytes.starts_with(kUTF8Mark)) bytes.remove_prefix(kUTF8Mark.size());
        // Already what is wanted once it is known to be well-formed: no conversion round trip,
        // which for a file of megabytes is most of the time spent reading it.
        if (!Utf8::isValid(bytes)) return std::nullopt;
        return std::string(bytes);
    }
    return toUtf8(bytes, encoding);
}

std::optional<StringEncodings::Decoded> StringEncodings::decodeDetecting(std::string_view bytes) {
    auto attempt = [&bytes](uint32_t encoding) -> std::optional<Decoded> {
        if (auto text = decode(bytes, encoding)) return Decoded{std::move(*text), encoding};
        return std::nullopt;
    };
    // A mark settles it: the bytes are in that encoding or in none.
    if (bytes.starts_with(kUTF8Mark)) return attempt(kUTF8);
    if (bytes.starts_with(std::string_view("\xFF\xFE\0\0", 4)) ||
        bytes.starts_with(std::string_view("\0\0\xFE\xFF", 4)))
        return attempt(kUTF32);
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) return attempt(kUTF16);
    if (auto utf8 = attempt(kUTF8)) return utf8;
    for (uint32_t encoding : likelyEncodings(bytes))
        if (auto decoded = attempt(encoding)) return decoded;
    return std::nullopt;
}

std::optional<std::string> StringEncodings::encode(std::string_view text, uint32_t encoding) {
    if (encoding == kUTF8) {
        if (!Utf8::isValid(text)) return std::nullopt;
        return std::string(text);
    }
    return fromUtf8(text, encoding);
}

}  // namespace platform
