#pragma once

#include <xcb/xcb.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// One xcb connection with the small helpers the selection code shares: atoms by name and back,
// and an unmapped window of our own to own selections and receive data on.
class X11Connection {
  public:
    // Connects to `display`, or to $DISPLAY when empty; nothing without a display or when the
    // server can't be reached.
    static std::unique_ptr<X11Connection> open(const std::string& display = {});
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    xcb_connection_t* get() const { return connection_; }
    xcb_window_t root() const { return root_; }
    bool failed() const { return xcb_connection_has_error(connection_) != 0; }

    xcb_atom_t atom(std::string_view name) const;
    // Several at once: one round trip's worth of waiting.
    std::vector<xcb_atom_t> atoms(const std::vector<std::string>& names) const;
    std::string atomName(xcb_atom_t atom) const;
    std::vector<std::string> atomNames(const std::vector<xcb_atom_t>& atoms) const;

    // An unmapped 1×1 input-only window that reports property changes.
    xcb_window_t createWindow() const;
    // The largest property payload one request may carry, in bytes.
    size_t maxRequestBytes() const;
    // The owner of a selection; XCB_NONE when it has none.
    xcb_window_t selectionOwner(xcb_atom_t selection) const;
    // Whether `window` carries `property` (any type); false for windows that are gone.
    bool hasProperty(xcb_window_t window, xcb_atom_t property) const;

  private:
    X11Connection(xcb_connection_t* connection, xcb_window_t root);
    xcb_connection_t* connection_;
    xcb_window_t root_;
};

template <class T>
using XcbReply = std::unique_ptr<T, decltype(&free)>;

template <class T>
XcbReply<T> xcbReply(T* reply) {
    return XcbReply<T>(reply, &free);
}

}  // namespace platform
