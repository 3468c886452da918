#include "platform/linux/X11TrayWatch.h"

#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <string>

namespace platform {

namespace {

xcb_atom_t internAtom(xcb_connection_t* c, const std::string& name) {
    auto* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(name.size()), name.c_str()), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : XCB_ATOM_NONE;
    free(reply);
    return atom;
}

// The X screen the application runs on, from DISPLAY ("host:display.screen").
int screenNumber() {
    const char* display = std::getenv("DISPLAY");
    const char* colon = display ? std::strrchr(display, ':') : nullptr;
    const char* dot = colon ? std::strchr(colon, '.') : nullptr;
    return dot ? std::atoi(dot + 1) : 0;
}

}  // namespace

X11TrayWatch::X11TrayWatch(std::function<void()> announced)
    : announced_(std::move(announced)), context_(std::make_unique<QObject>()) {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    auto* x11 = app ? app->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return;
    xcb_connection_t* c = x11->connection();
    managerAtom_ = internAtom(c, "MANAGER");
    trayAtom_ = internAtom(c, "_NET_SYSTEM_TRAY_S" + std::to_string(screenNumber()));
    if (!managerAtom_ || !trayAtom_) return;
    app->installNativeEventFilter(this);
    installed_ = true;
}

X11TrayWatch::~X11TrayWatch() {
    if (installed_ && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool X11TrayWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE) return false;
    const auto* client = static_cast<const xcb_client_message_event_t*>(message);
    // Other managers (window manager, clipboard manager) announce themselves alike.
    if (client->type != managerAtom_ || client->format != 32 || client->data.data32[1] != trayAtom_)
        return false;
    // Qt learns of the new tray from this very message: answer once it has.
    QTimer::singleShot(0, context_.get(), [this] { announced_(); });
    return false;
}

}  // namespace platform
