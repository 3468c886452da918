#pragma once

#include <bit>
#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// UTF-8 and UTF-16 helpers the codecs share. "Well-formed" UTF-8 is the strict kind: no overlong
// forms, no surrogates, nothing past U+10FFFF. Each codec keeps its own error reporting; these
// only say yes or no.
class Utf8 {
  public:
    // A code point that UTF-8 can carry: below U+110000 and not a surrogate.
    static bool isScalarValue(char32_t c) { return c <= 0x10FFFF && !isSurrogate(c); }
    static bool isSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }
    static bool isHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
    static bool isLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
    // The code point of a high and a low surrogate.
    static char32_t combineSurrogates(char32_t high, char32_t low) {
        return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
    }

    // Appends `c`, which must be a scalar value, as UTF-8.
    static void append(std::string& out, char32_t c);

    // Decodes the well-formed sequence at `i` into `c` and moves `i` past it; false, with `i`
    // left as it was, when the bytes there are not one (or `i` is at the end).
    static bool next(std::string_view s, size_t& i, char32_t& c);
    // Length of the well-formed sequence at `pos`, or 0 when there is none.
    static size_t sequenceLength(std::string_view s, size_t pos);
    static bool isValid(std::string_view s);

    // Appends UTF-16 code units, stored as bytes in `order`, as UTF-8. False on an odd byte count
    // (nothing appended) or an unpaired surrogate (the text before it appended).
    static bool appendUtf16(std::string& out, std::string_view bytes, std::endian order);
    // Appends the UTF-16 code units of well-formed UTF-8; false at the first malformed sequence.
    static bool toUtf16(std::string_view utf8, std::u16string& out);
};

}  // namespace platform
