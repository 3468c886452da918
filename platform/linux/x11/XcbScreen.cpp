#include "platform/linux/x11/XcbScreen.h"

#include <cstdlib>

namespace platform {

std::optional<XcbScreen> connectToScreen(const std::string& display) {
    const char* name = display.empty() ? std::getenv("DISPLAY") : display.c_str();
    if (!name || !*name) return std::nullopt;
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(name, &screenNumber);
    // xcb_connect never returns null; a failed connection is an object in the error state.
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return std::nullopt;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i) xcb_screen_next(&screens);
    if (screens.rem == 0) {
        xcb_disconnect(connection);
        return std::nullopt;
    }
    return XcbScreen{connection, screens.data->root};
}

}  // namespace platform
