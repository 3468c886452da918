#include "platform/linux/x11/X11Connection.h"
#include "platform/linux/x11/XcbScreen.h"

#include <cstdlib>

namespace platform {

std::unique_ptr<X11Connection> X11Connection::open(const std::string& display) {
    const auto screen = connectToScreen(display);
    if (!screen) return nullptr;
    return std::unique_ptr<X11Connection>(new X11Connection(screen->connection, screen->root));
}

X11Connection::X11Connection(xcb_connection_t* connection, xcb_window_t root)
    : connection_(connection), root_(root) {}

X11Connection::~X11Connection() {
    xcb_disconnect(connection_);
}

xcb_atom_t X11Connection::atom(std::string_view name) const {
    return atoms({std::string(name)}).front();
}

std::vector<xcb_atom_t> X11Connection::atoms(const std::vector<std::string>& names) const {
    std::vector<xcb_intern_atom_cookie_t> cookies;
    cookies.reserve(names.size());
    for (const auto& name : names)
        cookies.push_back(
            xcb_intern_atom(connection_, 0, static_cast<uint16_t>(name.size()), name.data()));
    std::vector<xcb_atom_t> out;
    out.reserve(names.size());
    for (auto cookie : cookies) {
        auto reply = xcbReply(xcb_intern_atom_reply(connection_, cookie, nullptr));
        out.push_back(reply ? reply->atom : XCB_ATOM_NONE);
    }
    return out;
}

std::string X11Connection::atomName(xcb_atom_t atom) const {
    return atomNames({atom}).front();
}

std::vector<std::string> X11Connection::atomNames(const std::vector<xcb_atom_t>& atoms) const {
    std::vector<xcb_get_atom_name_cookie_t> cookies;
    cookies.reserve(atoms.size());
    for (auto atom : atoms) cookies.push_back(xcb_get_atom_name(connection_, atom));
    std::vector<std::string> out;
    out.reserve(atoms.size());
    for (auto cookie : cookies) {
        auto reply = xcbReply(xcb_get_atom_name_reply(connection_, cookie, nullptr));
        out.emplace_back(reply ? std::string(xcb_get_atom_name_name(reply.get()),
                                             xcb_get_atom_name_name_length(reply.get()))
                               : std::string());
    }
    return out;
}

xcb_window_t X11Connection::createWindow() const {
    const xcb_window_t window = xcb_generate_id(connection_);
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window, root_, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &events);
    return window;
}

size_t X11Connection::maxRequestBytes() const {
    return size_t{xcb_get_maximum_request_length(connection_)} * 4;
}

xcb_window_t X11Connection::selectionOwner(xcb_atom_t selection) const {
    auto reply = xcbReply(xcb_get_selection_owner_reply(
        connection_, xcb_get_selection_owner(connection_, selection), nullptr));
    return reply ? reply->owner : XCB_NONE;
}

bool X11Connection::hasProperty(xcb_window_t window, xcb_atom_t property) const {
    auto reply = xcbReply(xcb_get_property_reply(
        connection_,
        xcb_get_property(connection_, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 0),
        nullptr));
    return reply && reply->type != XCB_NONE;
}

}  // namespace platform
