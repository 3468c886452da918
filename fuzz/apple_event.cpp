// Apple events arrive from other processes: whatever decodes must encode to bytes that decode
// to the same event, and reading its values must never fail hard.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/events/AppleEvent.h"

using platform::AppleEventCodec;
using platform::AppleEventDescriptor;
namespace DescType = platform::DescType;

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

// Every coercion on every value; a coerced copy reads back as what it was made from.
void touch(const AppleEventDescriptor& desc) {
    (void)desc.int32Value();
    (void)desc.doubleValue();
    (void)desc.booleanValue();
    (void)desc.typeCodeValue();
    (void)desc.fileURLValue();
    if (const auto text = desc.stringValue()) {
        const auto utxt = desc.coerceToDescriptorType(DescType::kUnicodeText);
        check(utxt.has_value() && utxt->stringValue() == text);
    }
    for (const auto& item : desc.items()) touch(item);
    for (const auto& field : desc.fields()) touch(field.second);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    if (const auto event = AppleEventCodec::decode(bytes)) {
        const std::string again = AppleEventCodec::encode(*event);
        const auto decoded = AppleEventCodec::decode(again);
        check(decoded.ok() && *decoded == *event);
        touch(event->parameters());
        touch(event->attributes());
    }
    if (const auto desc = AppleEventCodec::decodeDescriptor(bytes)) {
        const auto decoded =
            AppleEventCodec::decodeDescriptor(AppleEventCodec::encodeDescriptor(*desc));
        check(decoded.ok() && *decoded == *desc);
        touch(*desc);
    }
    return 0;
}
