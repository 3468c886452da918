#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/ClipboardShortcuts.h"

struct xcb_connection_t;

namespace platform {

// The window that synthetic keys reach on an X display, found and focused through the window
// manager's EWMH properties on the caller's connection.
class X11KeyTarget {
  public:
    X11KeyTarget(xcb_connection_t* connection, uint32_t root);

    // The top-level window of process `pid`: the topmost client (by _NET_CLIENT_LIST_STACKING,
    // else _NET_CLIENT_LIST) whose _NET_WM_PID is `pid`; without a window manager the root's
    // children and grandchildren are searched.
    std::optional<uint32_t> windowOfProcess(int pid);
    // _NET_ACTIVE_WINDOW, else the input focus.
    std::optional<uint32_t> activeWindow();
    // Makes `window` active and focused: asks the window manager with a _NET_ACTIVE_WINDOW
    // message (source: a pager, so no focus-stealing rule refuses it) or, without one, sets the
    // input focus itself; then waits up to `timeout` for the focus to arrive, on property and
    // focus events rather than by polling. True once it did.
    bool focus(uint32_t window, std::chrono::milliseconds timeout);
    // WM_CLASS and the application id (_GTK_APPLICATION_ID, else _KDE_NET_WM_DESKTOP_FILE) of
    // `window` or of its nearest ancestor that has a WM_CLASS.
    ClipboardShortcuts::Application application(uint32_t window);

  private:
    uint32_t atom(const char* name);
    std::optional<std::vector<uint32_t>> windowList(uint32_t atom);
    std::optional<std::string> stringProperty(uint32_t window, uint32_t property);
    std::optional<uint32_t> cardinalProperty(uint32_t window, uint32_t property);
    std::optional<uint32_t> parentOf(uint32_t window);
    std::vector<uint32_t> childrenOf(uint32_t window);
    bool focusWithin(uint32_t window);
    bool hasWindowManager();

    xcb_connection_t* connection_;
    uint32_t root_;
    uint32_t netClientList_, netClientListStacking_, netActiveWindow_, netWmPid_;
    uint32_t netSupportingWmCheck_, gtkApplicationId_, kdeDesktopFile_;
};

}  // namespace platform
