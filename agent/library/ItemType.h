#pragma once

#include <cstdint>
#include <optional>

// The kind of a row as the first file format recorded it. Rows are shown by their token, not by
// this field (see GroupItem::isLabel and GroupItem::isSpacer).
enum class ItemType : uint8_t {
    token = 0,
    label = 1,
    separator = 2,
};

// Nothing for raw values outside 0 to 2.
std::optional<ItemType> itemTypeFromRaw(int64_t raw);
