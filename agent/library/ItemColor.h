#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// The colour tag of a row. `auto_` is the plain label colour (`auto` is taken by the language).
enum class ItemColor : uint8_t {
    auto_ = 0,
    red = 1,
    green = 2,
    blue = 3,
    orange = 4,
    yellow = 5,
    brown = 6,
    purple = 7,
};

// Nothing for raw values outside 0 to 7.
std::optional<ItemColor> itemColorFromRaw(int64_t raw);
int64_t rawValue(ItemColor color);

// The system colour a tag is drawn with: the OS's colour name and its light-appearance RGB.
// `dynamic` marks the label colour, which follows the appearance (text colour) rather than a
// fixed hue; views draw it in their normal text colour.
struct SystemColor {
    std::string_view name;
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    bool dynamic = false;
};

SystemColor systemColor(ItemColor color);
