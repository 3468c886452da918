#include "agent/library/PL8ColorTable.h"

#include <array>
#include <vector>

namespace {

struct Row {
    ItemColor color;
    std::vector<std::string_view> hex;
};

}  // namespace

PL8ColorTable::PL8ColorTable() {
    // The engine's palette, grouped by the tag each swatch now shows as.
    const std::array<Row, 8> rows{{
        {ItemColor::auto_,
         {"#565656", "#B8B8B8", "#A3A3A3", "#DEDEDE", "#FFFFFF", "#CBCBCB", "#737373", "#8D8D8D",
          "#EFEFEF", "#2F2F2F", "#000000"}},
        {ItemColor::red,
         {"#FFE2E0", "#C8290E", "#8F294D", "#AF375F", "#F688AC", "#FAB5CB", "#6C1A35", "#EF3617",
          "#740E01", "#FF5531", "#FF9F97", "#4F0B24", "#FFC2BE", "#9A1904", "#FF7868", "#CB436F",
          "#FDDCE5", "#F1558B"}},
        {ItemColor::green,
         {"#60661F", "#E5F0DE", "#AAB246", "#436830", "#BBE1A6", "#A1D783", "#F5F6CA", "#73A958",
          "#EEF3AC", "#DFEB71", "#F9FAE4", "#D4EBC6", "#E8EF8D", "#818731", "#2F4C1E", "#82C368",
          "#CDD55B", "#5C8945"}},
        {ItemColor::blue,
         {"#D1F4FD", "#00819E", "#005BB3", "#002D67", "#00B3DC", "#006176", "#004289", "#0072D7",
          "#B4D2FB", "#009EBF", "#007FF7", "#4EDEFA", "#9DE9FC", "#00D2F9", "#00475A", "#DBE9FD",
          "#3EA0F8", "#83B9FA"}},
        {ItemColor::orange,
         {"#E19538", "#702604", "#FFCF94", "#FF9865", "#FFF0DF", "#FFE8DF", "#6D430C", "#FFBF67",
          "#FF7E33", "#BB7A2A", "#BF5018", "#FFCFBC", "#FFB495", "#FFDFBC", "#905B19", "#FFB648",
          "#92380A", "#E76424"}},
        {ItemColor::yellow,
         {"#FFF87B", "#FFFACC", "#9F9534", "#CFC54C", "#FEFCE6", "#FFF693", "#F8EB60", "#FFF7B1",
          "#797323"}},
        {ItemColor::brown,
         {"#FFE8BD", "#FFDE97", "#DEAB41", "#B88C32", "#FFCE52", "#FFD26C", "#8C691F", "#FFF3DF",
          "#6A4D10"}},
        {ItemColor::purple,
         {"#782F8A", "#6342BA", "#E17AF7", "#241762", "#7456E8", "#F6D6FB", "#9C71F7", "#CF5FEE",
          "#C1A4F8", "#3C2884", "#E1D6FB", "#591F68", "#AE4AC3", "#ECAAF9", "#923EA9", "#3E104C",
          "#4A35A0", "#170D4A"}},
    }};
    for (const auto& row : rows)
        for (std::string_view hex : row.hex) colors_.emplace(hex, row.color);
}

const PL8ColorTable& PL8ColorTable::shared() {
    static const PL8ColorTable table;
    return table;
}

ItemColor PL8ColorTable::colorFor(const std::string& hexColor) const {
    const auto it = colors_.find(hexColor);
    return it == colors_.end() ? ItemColor::auto_ : it->second;
}
