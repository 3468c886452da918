#include "platform/core/Utf8.h"

#include <cstdint>

namespace platform {

void Utf8::append(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool Utf8::next(std::string_view s, size_t& i, char32_t& c) {
    if (i >= s.size()) return false;
    const auto byte = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
    const uint8_t lead = byte(i);
    if (lead < 0x80) {
        c = lead;
        ++i;
        return true;
    }
    size_t length;
    char32_t value;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07;
    } else {
        return false;
    }
    if (s.size() - i < length) return false;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return false;
        value = value << 6 | (byte(i + k) & 0x3F);
    }
    static constexpr char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kMinimum[length] || !isScalarValue(value)) return false;
    c = value;
    i += length;
    return true;
}

size_t Utf8::sequenceLength(std::string_view s, size_t pos) {
    size_t end = pos;
    char32_t c;
    return next(s, end, c) ? end - pos : 0;
}

bool Utf8::isValid(std::string_view s) {
    char32_t c;
    for (size_t i = 0; i < s.size();)
        if (!next(s, i, c)) return false;
    return true;
}

bool Utf8::appendUtf16(std::string& out, std::string_view bytes, std::endian order) {
    if (bytes.size() % 2 != 0) return false;
    const auto unit = [&](size_t k) -> char32_t {
        const auto a = static_cast<uint8_t>(bytes[k]);
        const auto b = static_cast<uint8_t>(bytes[k + 1]);
        return order == std::endian::big ? (a << 8 | b) : (b << 8 | a);
    };
    for (size_t k = 0; k < bytes.size(); k += 2) {
        char32_t c = unit(k);
        if (isLowSurrogate(c)) return false;
        if (isHighSurrogate(c)) {
            if (k + 2 >= bytes.size() || !isLowSurrogate(unit(k + 2))) return false;
            c = combineSurrogates(c, unit(k + 2));
            k += 2;
        }
        append(out, c);
    }
    return true;
}

bool Utf8::toUtf16(std::string_view utf8, std::u16string& out) {
    char32_t c;
    for (size_t i = 0; i < utf8.size();) {
        if (!next(utf8, i, c)) return false;
        if (c < 0x10000) {
            out += static_cast<char16_t>(c);
        } else {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
    }
    return true;
}

}  // namespace platform
