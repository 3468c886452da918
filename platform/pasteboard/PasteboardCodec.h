#pragma once

#include <string>
#include <string_view>

#include "platform/core/Result.h"
#include "platform/pasteboard/PasteboardStore.h"

namespace platform {

// The bytes of one pasteboard in the Linux store. Little-endian throughout:
//   "PLPB", u32 version (1), i64 change count (not negative), u32 item count, then per item
//   u32 entry count and per entry: u32 type length, the type, u8 1 when data follows (0 for a
//   type only declared), then u64 data length and the data.
// Files come from other processes and may be damaged or planted, so decoding checks every count
// and length against what is left before trusting it, and refuses trailing bytes: one set of
// contents has exactly one encoding.
class PasteboardCodec {
  public:
    static constexpr std::string_view kMagic = "PLPB";
    static constexpr uint32_t kVersion = 1;
    static constexpr size_t kHeaderSize = 20;

    // Fails for a type that can't be stored or a type twice in one item.
    static Result<std::string> encode(const PasteboardContents& contents);
    static Result<PasteboardContents> decode(std::string_view bytes);
};

}  // namespace platform
