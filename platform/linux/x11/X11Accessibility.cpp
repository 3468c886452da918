#include "platform/linux/x11/X11Accessibility.h"

#include <xcb/xcb.h>
#include <xcb/xtest.h>

namespace platform {

bool X11Accessibility::isProcessTrusted(bool /*prompt*/) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    bool trusted = false;
    if (connection && !xcb_connection_has_error(connection)) {
        const xcb_query_extension_reply_t* ext = xcb_get_extension_data(connection, &xcb_test_id);
        trusted = ext && ext->present;
    }
    if (connection) xcb_disconnect(connection);
    return trusted;
}

}  // namespace platform
