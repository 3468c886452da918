#include "platform/coding/RtfCodePage.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <cstdint>
#include <string>

namespace platform {

namespace {

UConverter* openConverter(int codePage) {
    // ICU knows the Windows code pages as "windows-N", the Mac ones under their own names and
    // the DOS ones as "cpN".
    std::string names[3];
    switch (codePage) {
        case 10000:
            names[0] = "macintosh";
            break;
        case 10007:
            names[0] = "x-mac-cyrillic";
            break;
        default:
            names[0] = "windows-" + std::to_string(codePage);
            names[1] = "cp" + std::to_string(codePage);
            names[2] = "ibm-" + std::to_string(codePage);
    }
    for (const std::string& name : names) {
        if (name.empty()) continue;
        UErrorCode status = U_ZERO_ERROR;
        UConverter* converter = ucnv_open(name.c_str(), &status);
        if (U_SUCCESS(status) && converter) return converter;
    }
    return nullptr;
}

}  // namespace

RtfCodePage::RtfCodePage(int codePage) : codePage_(codePage) {
    converter_ = openConverter(codePage);
    if (!converter_) {
        codePage_ = 1252;
        converter_ = openConverter(1252);
    }
    if (converter_ && ucnv_getMaxCharSize(converter_) == 1) {
        singleByte_ = true;
        for (int b = 0x80; b < 0x100; ++b) {
            const char byte = static_cast<char>(b);
            UChar out[4];
            UErrorCode status = U_ZERO_ERROR;
            const int32_t n = ucnv_toUChars(converter_, out, 4, &byte, 1, &status);
            table_[b] = U_SUCCESS(status) && n == 1 ? out[0] : u'\uFFFD';
            reverse_[b - 0x80] = {table_[b], static_cast<unsigned char>(b)};
        }
        std::sort(reverse_.begin(), reverse_.end());
    }
}

RtfCodePage::~RtfCodePage() {
    if (converter_) ucnv_close(converter_);
}

void RtfCodePage::decode(std::string_view bytes, std::u16string& out) {
    if (singleByte_ || !converter_) {
        for (char c : bytes) {
            const auto b = static_cast<unsigned char>(c);
            out.push_back(b < 0x80 ? char16_t(b) : (converter_ ? table_[b] : u'\uFFFD'));
        }
        return;
    }
    // Windows code pages never give more UTF-16 units than bytes; ask again if one does.
    const size_t start = out.size();
    size_t room = bytes.size() + 8;
    for (int attempt = 0; attempt < 2; ++attempt) {
        out.resize(start + room);
        UErrorCode status = U_ZERO_ERROR;
        ucnv_resetToUnicode(converter_);
        const int32_t n = ucnv_toUChars(converter_, reinterpret_cast<UChar*>(out.data() + start),
                                        static_cast<int32_t>(room), bytes.data(),
                                        static_cast<int32_t>(bytes.size()), &status);
        if (U_SUCCESS(status)) {
            out.resize(start + static_cast<size_t>(n));
            return;
        }
        if (status != U_BUFFER_OVERFLOW_ERROR) break;
        room = static_cast<size_t>(n) + 1;
    }
    out.resize(start);
}

std::optional<unsigned char> RtfCodePage::encode(char16_t c) const {
    if (c < 0x80) return static_cast<unsigned char>(c);
    if (!singleByte_) return std::nullopt;
    auto it = std::lower_bound(reverse_.begin(), reverse_.end(), std::make_pair(c, uint8_t{0}));
    if (it == reverse_.end() || it->first != c || c == u'\uFFFD') return std::nullopt;
    return it->second;
}

std::optional<int> RtfCodePage::forCharset(int charset) {
    switch (charset) {
        case 0:
            return 1252;
        case 77:
            return 10000;
        case 89:
            return 10007;
        case 128:
            return 932;
        case 129:
            return 949;
        case 134:
            return 936;
        case 136:
            return 950;
        case 161:
            return 1253;
        case 162:
            return 1254;
        case 163:
            return 1258;
        case 177:
            return 1255;
        case 178:
            return 1256;
        case 186:
            return 1257;
        case 204:
            return 1251;
        case 222:
            return 874;
        case 238:
            return 1250;
        case 254:
            return 437;
        case 255:
            return 850;
        default:
            return std::nullopt;
    }
}

}  // namespace platform
