#include "agent/library/ItemColor.h"

std::optional<ItemColor> itemColorFromRaw(int64_t raw) {
    if (raw < 0 || raw > static_cast<int64_t>(ItemColor::purple)) return std::nullopt;
    return static_cast<ItemColor>(raw);
}

int64_t rawValue(ItemColor color) {
    return static_cast<int64_t>(color);
}

SystemColor systemColor(ItemColor color) {
    // The system colours' light-appearance values.
    switch (color) {
        case ItemColor::auto_:
            return {"labelColor", 0, 0, 0, true};
        case ItemColor::red:
            return {"systemRedColor", 255, 59, 48};
        case ItemColor::green:
            return {"systemGreenColor", 40, 205, 65};
        case ItemColor::blue:
            return {"systemBlueColor", 0, 122, 255};
        case ItemColor::orange:
            return {"systemOrangeColor", 255, 149, 0};
        case ItemColor::yellow:
            return {"systemYellowColor", 255, 204, 0};
        case ItemColor::brown:
            return {"systemBrownColor", 162, 132, 94};
        case ItemColor::purple:
            return {"systemPurpleColor", 175, 82, 222};
    }
    return {"labelColor", 0, 0, 0, true};
}
