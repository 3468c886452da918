#include "agent/library/ItemType.h"

std::optional<ItemType> itemTypeFromRaw(int64_t raw) {
    if (raw < 0 || raw > static_cast<int64_t>(ItemType::separator)) return std::nullopt;
    return static_cast<ItemType>(raw);
}
