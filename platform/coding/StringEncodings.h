#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// One of the OS's string encodings: its value, the OS's display name ("Unicode (UTF-8)",
// "Western (Mac OS Roman)") and its most compatible Mac encoding.
struct StringEncoding {
    uint32_t value = 0;
    std::string name;
    uint32_t mostCompatibleMacEncoding = 0;
};

// The OS's table of string encodings, as far as ICU can convert them here, with conversion
// and detection through ICU.
class StringEncodings {
  public:
    // The most compatible Mac encoding of the Unicode encodings.
    static constexpr uint32_t kMacUnicode = 256;

    // In the OS's own order (not sorted).
    static const std::vector<StringEncoding>& available();
    static const StringEncoding* find(uint32_t value);

    // Bytes in the encoding to UTF-8, and back; nothing when the bytes or text do not convert.
    static std::optional<std::string> toUtf8(std::string_view bytes, uint32_t encoding);
    static std::optional<std::string> fromUtf8(std::string_view text, uint32_t encoding);
    // The most likely encoding of the bytes, among the available ones.
    static std::optional<uint32_t> detect(std::string_view bytes);

    // Text read from a file's bytes, and the encoding it was read with.
    struct Decoded {
        std::string text;  // UTF-8
        uint32_t encoding = 0;
    };
    // Bytes of a file in the named encoding, as the OS reads a text file: a byte-order mark of
    // that encoding is not part of the text. Nothing when the bytes are not in that encoding.
    static std::optional<std::string> decode(std::string_view bytes, uint32_t encoding);
    // Bytes of a file in an encoding found out: a byte-order mark says it; else UTF-8 when
    // the bytes are valid UTF-8; else the first of ICU's likely charsets that reads them
    // without a fault. Nothing when none does.
    static std::optional<Decoded> decodeDetecting(std::string_view bytes);
    // Text for a file in the encoding: fails, never substitutes, when some character has no
    // form in it. The Unicode encodings without a stated byte order start with a mark.
    static std::optional<std::string> encode(std::string_view text, uint32_t encoding);

    static constexpr uint32_t kUTF8 = 0x08000100;
    static constexpr uint32_t kUTF16 = 0x00000100;
    static constexpr uint32_t kUTF32 = 0x0C000100;
};

}  // namespace platform
