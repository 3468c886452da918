#pragma once

#include <optional>
#include <string>

#include "platform/coding/AttributedString.h"

namespace platform {

// The document-wide settings an RTF file carries besides its text. Lengths are in twips
// (1/20 point), as RTF stores them; a setting the file did not have stays empty and is not
// written back.
struct DocumentAttributes {
    std::optional<int> paperWidth;          // \paperw
    std::optional<int> paperHeight;         // \paperh
    std::optional<int> leftMargin;          // \margl
    std::optional<int> rightMargin;         // \margr
    std::optional<int> topMargin;           // \margt
    std::optional<int> bottomMargin;        // \margb
    std::optional<int> defaultTabInterval;  // \deftab
    int codePage = 1252;                    // \ansicpg: the code page of \'hh bytes
    // \deff: the font-table index of the default font as read, and that font's name. The writer
    // always puts the default font first in its own table.
    std::optional<int> defaultFont;
    std::string defaultFontFamily;
    std::optional<int> viewWidth;   // \vieww
    std::optional<int> viewHeight;  // \viewh

    friend bool operator==(const DocumentAttributes&, const DocumentAttributes&) = default;
};

// An RTF document read whole.
struct RtfDocument {
    AttributedString text;
    DocumentAttributes attributes;

    friend bool operator==(const RtfDocument&, const RtfDocument&) = default;
};

}  // namespace platform
