#pragma once

#include <optional>
#include <string>

#include "platform/ui/Menu.h"

// The shape of a row's colour box.
enum class ShapeType : int { roundedrect = 0, oval = 1, rectangle = 2 };

// The three kinds of rows a cleaner list shows, told apart by the row's item.
enum class CleanerListRowKind { cleaner, label, separator };

// Everything a view needs to draw one row of the cleaner list; the controller decides it all.
struct CleanerListRow {
    CleanerListRowKind kind = CleanerListRowKind::cleaner;
    // Cleaner rows: the name; label rows: the name in upper case; separators: empty.
    std::string title;
    // The title's colour; nothing means the view's normal (or, for labels, secondary) text
    // colour.
    std::optional<platform::RgbColor> titleColor;
    // The cell's tool tip: the item's description.
    std::string toolTip;
    // Row height (separators: the separator height) and the cleaner button's height.
    double rowHeight = 0;
    double buttonHeight = 0;
    // Only cleaner rows can be selected and show the hover outline.
    bool canSelect = false;

    // The colour box before a cleaner's title.
    bool colorBoxHidden = true;
    // Nothing means the label colour (the view's normal text colour).
    std::optional<platform::RgbColor> colorBoxColor;
    // 0 means the full height of the box's view.
    double colorBoxHeight = 0;
    double colorBoxRadius = 4.0;
    ShapeType colorBoxShape = ShapeType::roundedrect;
};
