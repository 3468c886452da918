#include "platform/linux/x11/X11Accessibility.h"

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <cstdlib>
#include <string>

#include "platform/core/Log.h"

namespace platform {

bool X11Accessibility::isProcessTrusted(bool /*prompt*/) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    bool trusted = false;
    if (xcb_connection_has_error(connection)) {
        // Synthetic input needs an X server; a Wayland-only or headless session has none here.
        const char* display = std::getenv("DISPLAY");
        log(display && *display
                ? "Synthetic keys unavailable: cannot connect to X display " + std::string(display)
                : std::string("Synthetic keys unavailable: no X11 display "
                              "(DISPLAY is not set)"));
    } else {
        const xcb_query_extension_reply_t* ext = xcb_get_extension_data(connection, &xcb_test_id);
        trusted = ext && ext->present;
        if (!trusted) log("Synthetic keys unavailable: the X server has no XTEST extension");
    }
    xcb_disconnect(connection);
    return trusted;
}

}  // namespace platform
