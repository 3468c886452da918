#pragma once

#include <cstdint>
#include <optional>

#include "platform/defaults/UserDefaults.h"

// How cleaner lists are shown: the three display settings and their readers. The readers go
// to the defaults on every call, so a change in the preferences shows at the next list build.
struct CleanerListPref {
    // Order of the group names: built-in first, user groups first, or user groups only.
    enum class DisplayOrder : int64_t { standard = 0, customFirst = 1, customOnly = 2 };
    // Row text size of the list.
    enum class TextSize : int64_t { compact = 0, standard = 1, large = 2, huge = 3 };
    // How a row's colour tag is drawn: as the text colour, a bubble, or both.
    enum class ColorStyle : int64_t { text = 0, bubble = 1, combo = 2 };

    // Nothing for raw values out of range.
    static std::optional<DisplayOrder> displayOrderFromRaw(int64_t raw);
    static std::optional<TextSize> textSizeFromRaw(int64_t raw);
    static std::optional<ColorStyle> colorStyleFromRaw(int64_t raw);

    // "AppGroupDisplayOrder"; anything out of range reads as standard.
    static DisplayOrder displayOrder(const platform::UserDefaults& defaults);
    // "AppGroupColorStyle"; anything out of range reads as text.
    static ColorStyle colorStyle(const platform::UserDefaults& defaults);
    // "AppGroupDisplaySize"; nothing when out of range.
    static std::optional<TextSize> textSize(const platform::UserDefaults& defaults);
};
