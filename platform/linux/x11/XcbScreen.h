#pragma once

#include <xcb/xcb.h>

#include <optional>
#include <string>

namespace platform {

// A new connection to a display and the root window of its default screen.
struct XcbScreen {
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = XCB_WINDOW_NONE;
};

// Connects to `display`, or to $DISPLAY when empty; nothing (and no connection left open)
// without a display, when the server can't be reached or has no such screen. The caller
// disconnects.
std::optional<XcbScreen> connectToScreen(const std::string& display = {});

}  // namespace platform
