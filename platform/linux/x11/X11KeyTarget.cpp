#include "platform/linux/x11/X11KeyTarget.h"

#include <poll.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace platform {

namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&free)>;

template <typename T>
Reply<T> reply(T* raw) {
    return Reply<T>(raw, &free);
}

}  // namespace

X11KeyTarget::X11KeyTarget(xcb_connection_t* connection, uint32_t root)
    : connection_(connection), root_(root) {
    netClientList_ = atom("_NET_CLIENT_LIST");
    netClientListStacking_ = atom("_NET_CLIENT_LIST_STACKING");
    netActiveWindow_ = atom("_NET_ACTIVE_WINDOW");
    netWmPid_ = atom("_NET_WM_PID");
    netSupportingWmCheck_ = atom("_NET_SUPPORTING_WM_CHECK");
    gtkApplicationId_ = atom("_GTK_APPLICATION_ID");
    kdeDesktopFile_ = atom("_KDE_NET_WM_DESKTOP_FILE");
}

uint32_t X11KeyTarget::atom(const char* name) {
    auto r = reply(xcb_intern_atom_reply(
        connection_,
        xcb_intern_atom(connection_, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr));
    return r ? r->atom : XCB_ATOM_NONE;
}

std::optional<std::vector<uint32_t>> X11KeyTarget::windowList(uint32_t property) {
    auto r = reply(xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 0, root_, property, XCB_ATOM_WINDOW, 0, 1 << 16),
        nullptr));
    if (!r || r->format != 32 || r->type != XCB_ATOM_WINDOW) return std::nullopt;
    const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(r.get()));
    return std::vector<uint32_t>(data, data + xcb_get_property_value_length(r.get()) / 4);
}

std::optional<std::string> X11KeyTarget::stringProperty(uint32_t window, uint32_t property) {
    auto r = reply(xcb_get_property_reply(
        connection_,
        xcb_get_property(connection_, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
        nullptr));
    if (!r || r->format != 8 || r->type == XCB_ATOM_NONE) return std::nullopt;
    const auto* data = static_cast<const char*>(xcb_get_property_value(r.get()));
    return std::string(data, static_cast<size_t>(xcb_get_property_value_length(r.get())));
}

std::optional<uint32_t> X11KeyTarget::cardinalProperty(uint32_t window, uint32_t property) {
    auto r = reply(xcb_get_property_reply(
        connection_,
        xcb_get_property(connection_, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1),
        nullptr));
    if (!r || r->format != 32 || xcb_get_property_value_length(r.get()) < 4) return std::nullopt;
    return *static_cast<const uint32_t*>(xcb_get_property_value(r.get()));
}

std::optional<uint32_t> X11KeyTarget::parentOf(uint32_t window) {
    auto r = reply(xcb_query_tree_reply(connection_, xcb_query_tree(connection_, window), nullptr));
    if (!r || r->parent == XCB_WINDOW_NONE) return std::nullopt;
    return r->parent;
}

std::vector<uint32_t> X11KeyTarget::childrenOf(uint32_t window) {
    auto r = reply(xcb_query_tree_reply(connection_, xcb_query_tree(connection_, window), nullptr));
    if (!r) return {};
    const xcb_window_t* children = xcb_query_tree_children(r.get());
    return std::vector<uint32_t>(children, children + xcb_query_tree_children_length(r.get()));
}

bool X11KeyTarget::hasWindowManager() {
    return cardinalProperty(root_, netSupportingWmCheck_).has_value();
}

std::optional<uint32_t> X11KeyTarget::windowOfProcess(int pid) {
    const auto isOurs = [&](uint32_t w) {
        const auto p = cardinalProperty(w, netWmPid_);
        return p && static_cast<int>(*p) == pid;
    };
    auto clients = windowList(netClientListStacking_);
    if (!clients) clients = windowList(netClientList_);
    if (clients) {
        // Stacking order is bottom to top; the topmost window is the one the user saw last.
        for (auto it = clients->rbegin(); it != clients->rend(); ++it) {
            if (isOurs(*it)) return *it;
        }
        return std::nullopt;
    }
    for (uint32_t child : childrenOf(root_)) {
        if (isOurs(child)) return child;
        for (uint32_t grandchild : childrenOf(child)) {
            if (isOurs(grandchild)) return grandchild;
        }
    }
    return std::nullopt;
}

std::optional<uint32_t> X11KeyTarget::activeWindow() {
    if (auto active = windowList(netActiveWindow_); active && !active->empty() && active->front())
        return active->front();
    auto r =
        reply(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    if (!r || r->focus == XCB_WINDOW_NONE || r->focus == XCB_INPUT_FOCUS_POINTER_ROOT)
        return std::nullopt;
    return r->focus;
}

bool X11KeyTarget::focusWithin(uint32_t window) {
    auto r =
        reply(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    if (!r) return false;
    // The focus may sit on a child of the client window (toolkits focus inner windows).
    for (std::optional<uint32_t> w = r->focus; w && *w != root_ && *w != XCB_WINDOW_NONE;
         w = parentOf(*w)) {
        if (*w == window) return true;
    }
    return false;
}

bool X11KeyTarget::focus(uint32_t window, std::chrono::milliseconds timeout) {
    const bool managed = hasWindowManager();
    const auto arrived = [&] {
        if (!focusWithin(window)) return false;
        if (!managed) return true;
        const auto active = windowList(netActiveWindow_);
        return active && !active->empty() && active->front() == window;
    };
    if (arrived()) return true;

    // Listen before asking, so no change is missed; only this connection's masks change.
    const uint32_t propertyMask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    const uint32_t focusMask = XCB_EVENT_MASK_FOCUS_CHANGE;
    xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &propertyMask);
    xcb_change_window_attributes(connection_, window, XCB_CW_EVENT_MASK, &focusMask);
    if (managed) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = netActiveWindow_;
        message.data.data32[0] = 2;  // source indication: a pager or similar tool
        message.data.data32[1] = XCB_CURRENT_TIME;
        message.data.data32[2] = activeWindow().value_or(XCB_WINDOW_NONE);
        xcb_send_event(connection_, 0, root_,
                       XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                       reinterpret_cast<const char*>(&message));
    } else {
        const uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(connection_, window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
        xcb_set_input_focus(connection_, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
    }
    xcb_flush(connection_);

    const auto deadline = std::chrono::steady_clock::now() + timeout;
    bool done = arrived();
    while (!done) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd fd{xcb_get_file_descriptor(connection_), POLLIN, 0};
        if (poll(&fd, 1, static_cast<int>(left.count())) <= 0) {
            done = arrived();
            break;
        }
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) free(event);
        done = arrived();
    }
    const uint32_t none = 0;
    xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &none);
    xcb_change_window_attributes(connection_, window, XCB_CW_EVENT_MASK, &none);
    xcb_flush(connection_);
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) free(event);
    return done;
}

ClipboardShortcuts::Application X11KeyTarget::application(uint32_t window) {
    ClipboardShortcuts::Application app;
    for (std::optional<uint32_t> w = window; w && *w != root_; w = parentOf(*w)) {
        const auto wmClass = stringProperty(*w, XCB_ATOM_WM_CLASS);
        if (!wmClass) continue;
        // "instance\0class\0"
        const size_t split = wmClass->find('\0');
        app.instance = wmClass->substr(0, split);
        if (split != std::string::npos) {
            const size_t end = wmClass->find('\0', split + 1);
            app.className = wmClass->substr(
                split + 1, end == std::string::npos ? std::string::npos : end - split - 1);
        }
        auto appId = stringProperty(*w, gtkApplicationId_);
        if (!appId) appId = stringProperty(*w, kdeDesktopFile_);
        if (appId) app.appId = *appId;
        break;
    }
    return app;
}

}  // namespace platform
