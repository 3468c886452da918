#pragma once

#include <ostream>

#include "platform/coding/AttributedString.h"

namespace platform {

// Failure messages show the text and its runs instead of raw bytes.
inline void PrintTo(const AttributedString& s, std::ostream* os) {
    *os << '"' << s.string() << '"';
    for (const AttributedString::Run& r : s.runs()) {
        const TextAttributes& a = r.attributes;
        *os << "\n  [" << r.location << '+' << r.length << "] font=" << a.fontFamily << ' '
            << a.fontSize << (a.bold ? " b" : "") << (a.italic ? " i" : "")
            << (a.underline ? " ul" : "") << (a.strikethrough ? " strike" : "")
            << " align=" << static_cast<int>(a.alignment);
        if (a.foregroundColor)
            *os << " fg=" << int(a.foregroundColor->red) << ',' << int(a.foregroundColor->green)
                << ',' << int(a.foregroundColor->blue);
        if (a.backgroundColor) *os << " bg=" << int(a.backgroundColor->red);
        if (!a.link.empty()) *os << " link=" << a.link;
        if (!a.tableRow.empty()) *os << " row=" << a.tableRow;
        if (!a.paragraphFormat.empty()) *os << " para=" << a.paragraphFormat;
        if (a.attachment)
            *os << " attachment=" << a.attachment->fileName << '|' << a.attachment->rtf << '|'
                << a.attachment->contents.size();
    }
}

}  // namespace platform
