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
};

}  // namespace platform
