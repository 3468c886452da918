// Reads arbitrary bytes as a pasteboard file of the Linux store. Whatever decodes must encode
// back to exactly the same bytes (an encoding is unique) and decode again to the same contents;
// a difference aborts.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "platform/pasteboard/PasteboardCodec.h"

using platform::PasteboardCodec;

namespace {

void require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "pasteboard_store: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto contents = PasteboardCodec::decode(input);
    if (!contents) return 0;
    const auto encoded = PasteboardCodec::encode(*contents);
    require(encoded.ok(), "encoder refused contents the decoder produced");
    require(*encoded == input, "re-encoding gave different bytes");
    const auto again = PasteboardCodec::decode(*encoded);
    require(again.ok(), "decoder refused the encoder's output");
    require(*again == *contents, "round trip changed the contents");
    return 0;
}
