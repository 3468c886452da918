#include "agent/library/CleanerListPref.h"

#include "agent/library/RegisteredDefaults.h"

std::optional<CleanerListPref::DisplayOrder> CleanerListPref::displayOrderFromRaw(int64_t raw) {
    if (raw < 0 || raw > static_cast<int64_t>(DisplayOrder::customOnly)) return std::nullopt;
    return static_cast<DisplayOrder>(raw);
}

std::optional<CleanerListPref::TextSize> CleanerListPref::textSizeFromRaw(int64_t raw) {
    if (raw < 0 || raw > static_cast<int64_t>(TextSize::huge)) return std::nullopt;
    return static_cast<TextSize>(raw);
}

std::optional<CleanerListPref::ColorStyle> CleanerListPref::colorStyleFromRaw(int64_t raw) {
    if (raw < 0 || raw > static_cast<int64_t>(ColorStyle::combo)) return std::nullopt;
    return static_cast<ColorStyle>(raw);
}

CleanerListPref::DisplayOrder CleanerListPref::displayOrder(
    const platform::UserDefaults& defaults) {
    return displayOrderFromRaw(defaults.integerForKey(RegisteredDefaults::kAppGroupDisplayOrder))
        .value_or(DisplayOrder::standard);
}

CleanerListPref::ColorStyle CleanerListPref::colorStyle(const platform::UserDefaults& defaults) {
    return colorStyleFromRaw(defaults.integerForKey(RegisteredDefaults::kAppGroupColorStyle))
        .value_or(ColorStyle::text);
}

std::optional<CleanerListPref::TextSize> CleanerListPref::textSize(
    const platform::UserDefaults& defaults) {
    return textSizeFromRaw(defaults.integerForKey(RegisteredDefaults::kAppGroupDisplaySize));
}
