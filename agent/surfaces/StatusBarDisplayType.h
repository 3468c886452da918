#pragma once

// What a click on the status item does. The two menu modes behave alike: the item carries the
// global menu.
enum class StatusBarDisplayType : int {
    popover = 0,
    singleMenu = 1,
    allMenu = 2,
};
