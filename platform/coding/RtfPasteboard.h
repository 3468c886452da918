#pragma once

#include <optional>

#include "platform/coding/AttributedString.h"
#include "platform/pasteboard/Pasteboard.h"

namespace platform {

// Attributed strings on a pasteboard, as the OS's pasteboard reads and writes them: RTF, the
// flat RTFD when there are file attachments, and the plain text as an alternative for readers
// that take only text.
class RtfPasteboard {
  public:
    // Writes into the pasteboard's first item (call clearContents first, as with the OS).
    static bool writeAttributedString(Pasteboard& pasteboard, const AttributedString& text);
    // From the richest type present that reads: flat RTFD, then RTF, then plain text. Nothing
    // when none of them is there or reads.
    static std::optional<AttributedString> readAttributedString(const Pasteboard& pasteboard);
};

}  // namespace platform
