#pragma once

#include <cstdint>

// The popover's two content layouts, chosen by the user default "DisplayLayout".
enum class PopoverLayout : int {
    // One cleaner list (GlobalPopover2), the default.
    list,
    // A group sidebar beside the list (GlobalPopover).
    split,
};

inline constexpr const char* kDisplayLayoutKey = "DisplayLayout";

// 2 selects the split layout, anything else the single list.
inline PopoverLayout popoverLayoutForDisplayLayout(int64_t displayLayout) {
    return displayLayout == 2 ? PopoverLayout::split : PopoverLayout::list;
}
