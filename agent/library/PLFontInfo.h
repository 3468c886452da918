#pragma once

#include <string>

#include "platform/ui/FontLookup.h"

// A font read back from the settings, with the dictionary keys it is stored under.
struct PLFontInfo {
    // The OS's font attribute names, used as the keys of a stored font.
    static constexpr const char* kFontNameAttribute = "NSFontNameAttribute";
    static constexpr const char* kFontSizeAttribute = "NSFontSizeAttribute";

    platform::Font font;
    std::string attr_name = kFontNameAttribute;
    std::string attr_size = kFontSizeAttribute;
};
