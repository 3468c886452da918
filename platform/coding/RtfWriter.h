#pragma once

#include <string>

#include "platform/coding/RtfDocument.h"

namespace platform {

// Writes an attributed string as RTF 1.9: \rtf1\ansi\ansicpgN, a font table, a colour table,
// the document attributes that are set, then the runs with their character and paragraph
// formatting. Characters outside ASCII are written as \uN with one fallback character (\uc1):
// the code page's byte where it has one, otherwise "?". Attachments with an RTF group are
// written back verbatim; file attachments as NeXT graphics naming their file (see Rtfd).
class RtfWriter {
  public:
    static std::string write(const AttributedString& text, const DocumentAttributes& document);
    static std::string write(const AttributedString& text) { return write(text, {}); }
};

}  // namespace platform
