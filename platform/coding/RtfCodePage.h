#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

struct UConverter;

namespace platform {

// One Windows code page as RTF names them (\ansicpgN, or the code page of a font's \fcharsetN),
// converted through ICU. A code page ICU does not know falls back to Windows Latin 1.
class RtfCodePage {
  public:
    explicit RtfCodePage(int codePage);
    ~RtfCodePage();
    RtfCodePage(const RtfCodePage&) = delete;
    RtfCodePage& operator=(const RtfCodePage&) = delete;

    int codePage() const { return codePage_; }
    // Appends the UTF-16 text of `bytes`; bytes that do not convert become U+FFFD.
    void decode(std::string_view bytes, std::u16string& out);
    // The single byte this code page has for `c`, if any (never for multi-byte code pages).
    std::optional<unsigned char> encode(char16_t c) const;

    // The code page of a font charset (\fcharsetN); nothing for charsets that defer to the
    // document's code page (1, "default") or that have none.
    static std::optional<int> forCharset(int charset);

  private:
    int codePage_;
    UConverter* converter_ = nullptr;
    bool singleByte_ = false;
    std::array<char16_t, 256> table_{};  // bytes 0x80-0xFF of a single-byte code page
    std::array<std::pair<char16_t, unsigned char>, 128> reverse_{};  // sorted by character
};

}  // namespace platform
