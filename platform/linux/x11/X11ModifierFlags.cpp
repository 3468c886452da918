#include "platform/linux/x11/X11ModifierFlags.h"
#include "platform/linux/x11/XcbScreen.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace platform {

X11ModifierFlags::X11ModifierFlags(const std::string& displayName) {
    const auto screen = connectToScreen(displayName);
    if (!screen) return;
    connection_ = screen->connection;
    root_ = screen->root;
}

X11ModifierFlags::~X11ModifierFlags() {
    if (connection_) xcb_disconnect(connection_);
}

uint64_t X11ModifierFlags::currentModifierFlags() const {
    if (!connection_ || xcb_connection_has_error(connection_)) return 0;
    const xcb_query_pointer_cookie_t cookie = xcb_query_pointer(connection_, root_);
    std::unique_ptr<xcb_query_pointer_reply_t, decltype(&free)> reply(
        xcb_query_pointer_reply(connection_, cookie, nullptr), &free);
    if (!reply) return 0;
    return flagsFromX11Mask(reply->mask);
}

uint64_t X11ModifierFlags::flagsFromX11Mask(uint16_t mask) {
    uint64_t flags = 0;
    if (mask & XCB_MOD_MASK_LOCK) flags |= ModifierFlags::capsLock;
    if (mask & XCB_MOD_MASK_SHIFT) flags |= ModifierFlags::shift;
    if (mask & XCB_MOD_MASK_CONTROL) flags |= ModifierFlags::control;
    if (mask & XCB_MOD_MASK_1) flags |= ModifierFlags::option;
    if (mask & XCB_MOD_MASK_4) flags |= ModifierFlags::command;
    return flags;
}

}  // namespace platform
