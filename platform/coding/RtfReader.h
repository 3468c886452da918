#pragma once

#include <cstddef>
#include <string_view>

#include "platform/coding/RtfDocument.h"
#include "platform/core/Result.h"

namespace platform {

// Reads RTF (1.9 and what the OS's text system writes) into an attributed string and the
// document's attributes.
//
// Kept: text (\uN with \ucN fallbacks skipped, \'hh and 8-bit text in the document's code page or
// the current font's charset), fonts, sizes, bold, italic, underline, strikethrough, colours,
// alignment, hyperlink fields, table rows, and special characters (\par is a newline, \line
// U+2028, \tab a tab, …). Pictures, objects and NeXT graphics become attachment characters:
// pictures and objects keep their RTF group verbatim, so they are written back untouched.
// Other destinations (\info, \stylesheet, \*-groups, headers, …) are skipped.
//
// Outside input is refused with a corrupt-data error, never a crash: no "{\rtf" at the start,
// unbalanced braces, groups nested deeper than the limit, numeric parameters outside 32 bits,
// overlong control words, \ucN beyond the limit, or input larger than the size cap.
class RtfReader {
  public:
    struct Limits {
        size_t maxInputSize = size_t{64} << 20;
        int maxGroupDepth = 256;
        int maxUnicodeSkip = 64;
    };

    static Result<RtfDocument> read(std::string_view rtf, const Limits& limits);
    static Result<RtfDocument> read(std::string_view rtf) { return read(rtf, Limits{}); }
};

}  // namespace platform
