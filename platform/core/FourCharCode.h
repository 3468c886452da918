#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace platform {

// A 32-bit code written as four characters, the first in the most significant byte: the
// class, ID and keyword constants of Apple events ('aevt', 'GURL', 'PL90'...).
class FourCharCode {
  public:
    // What a text of the wrong length becomes: '????'.
    static constexpr uint32_t kUnknown = 0x3F3F3F3F;

    constexpr FourCharCode() = default;
    constexpr FourCharCode(uint32_t value)
        : value_(value) {}  // NOLINT(google-explicit-constructor)

    // The four bytes of `text`. Any other byte count gives '????' and prints the OS's complaint.
    // Only the count is checked, as the OS does: a four-byte text like "éé" keeps its UTF-8
    // bytes, whatever the message says about ASCII.
    explicit FourCharCode(std::string_view text);

    // From a literal at compile time; anything but four characters does not compile:
    //   constexpr FourCharCode kGetURL = FourCharCode::make("GURL");
    static constexpr FourCharCode make(const char (&text)[5]) {
        return FourCharCode(static_cast<uint32_t>(static_cast<unsigned char>(text[0])) << 24 |
                            static_cast<uint32_t>(static_cast<unsigned char>(text[1])) << 16 |
                            static_cast<uint32_t>(static_cast<unsigned char>(text[2])) << 8 |
                            static_cast<uint32_t>(static_cast<unsigned char>(text[3])));
    }

    constexpr uint32_t value() const { return value_; }
    // The four bytes back, most significant first.
    std::string text() const;

    friend constexpr bool operator==(FourCharCode a, FourCharCode b) {
        return a.value_ == b.value_;
    }
    friend constexpr bool operator<(FourCharCode a, FourCharCode b) { return a.value_ < b.value_; }

  private:
    uint32_t value_ = 0;
};

}  // namespace platform

template <>
struct std::hash<platform::FourCharCode> {
    size_t operator()(platform::FourCharCode code) const noexcept {
        return std::hash<uint32_t>()(code.value());
    }
};
