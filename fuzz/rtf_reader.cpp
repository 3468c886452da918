#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/coding/RtfReader.h"
#include "platform/coding/RtfWriter.h"
#include "platform/coding/Rtfd.h"

// RTF comes from files the user cleans and from other applications' pasteboard data.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto document = platform::RtfReader::read(bytes);
    if (document) {
        // Whatever was read is written as RTF that reads back to the same text, and writing
        // that again gives the same RTF.
        const std::string written =
            platform::RtfWriter::write(document->text, document->attributes);
        auto again = platform::RtfReader::read(written);
        if (!again || again->text.text() != document->text.text()) __builtin_trap();
        if (platform::RtfWriter::write(again->text, again->attributes) != written) __builtin_trap();
    }
    // The flat RTFD of the pasteboard shares the reader.
    (void)platform::Rtfd::readFlat(bytes);
    return 0;
}
