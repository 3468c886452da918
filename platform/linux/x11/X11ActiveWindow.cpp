#include "platform/linux/x11/X11ActiveWindow.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>

#include "platform/linux/x11/X11KeyTarget.h"
#include "platform/linux/x11/XcbScreen.h"

namespace platform {

namespace {

using Reply = std::unique_ptr<xcb_get_property_reply_t, decltype(&free)>;

Reply propertyReply(xcb_connection_t* c, xcb_get_property_cookie_t cookie) {
    return Reply(xcb_get_property_reply(c, cookie, nullptr), &free);
}

xcb_get_property_cookie_t askProperty(xcb_connection_t* c, xcb_window_t window, xcb_atom_t atom,
                                      uint32_t longs) {
    return xcb_get_property(c, 0, window, atom, XCB_GET_PROPERTY_TYPE_ANY, 0, longs);
}

std::string text(const Reply& r) {
    if (!r || r->format != 8) return {};
    const auto* data = static_cast<const char*>(xcb_get_property_value(r.get()));
    return std::string(data, static_cast<size_t>(xcb_get_property_value_length(r.get())));
}

std::vector<xcb_window_t> windows(const Reply& r) {
    if (!r || r->format != 32 || r->type != XCB_ATOM_WINDOW) return {};
    const auto* data = static_cast<const xcb_window_t*>(xcb_get_property_value(r.get()));
    return std::vector<xcb_window_t>(data, data + xcb_get_property_value_length(r.get()) / 4);
}

std::optional<xcb_window_t> activeWindow(xcb_connection_t* c, xcb_window_t root, xcb_atom_t atom) {
    const auto list = windows(propertyReply(c, askProperty(c, root, atom, 1)));
    if (list.empty() || list.front() == XCB_WINDOW_NONE) return std::nullopt;
    return list.front();
}

// Nothing reads this connection's events: the errors of windows that went away meanwhile
// (BadWindow) would pile up in its queue for as long as the agent runs.
void dropErrors(xcb_connection_t* c) {
    while (xcb_generic_event_t* event = xcb_poll_for_event(c)) free(event);
}

}  // namespace

std::unique_ptr<X11ActiveWindow> X11ActiveWindow::open(const std::string& display) {
    const auto screen = connectToScreen(display);
    if (!screen) return nullptr;
    xcb_connection_t* watch = screen->connection;
    const xcb_window_t root = screen->root;
    xcb_connection_t* requests = xcb_connect(display.empty() ? nullptr : display.c_str(), nullptr);
    if (xcb_connection_has_error(requests)) {
        xcb_disconnect(watch);
        xcb_disconnect(requests);
        return nullptr;
    }

    const char* names[] = {"_NET_ACTIVE_WINDOW",  "_NET_CLIENT_LIST",
                           "_NET_WM_PID",         "_NET_SUPPORTING_WM_CHECK",
                           "_GTK_APPLICATION_ID", "_KDE_NET_WM_DESKTOP_FILE",
                           "UTF8_STRING"};
    xcb_intern_atom_cookie_t cookies[std::size(names)];
    for (size_t i = 0; i < std::size(names); ++i)
        cookies[i] = xcb_intern_atom(watch, 0, static_cast<uint16_t>(strlen(names[i])), names[i]);
    xcb_atom_t values[std::size(names)] = {};
    for (size_t i = 0; i < std::size(names); ++i) {
        auto* reply = xcb_intern_atom_reply(watch, cookies[i], nullptr);
        values[i] = reply ? reply->atom : XCB_ATOM_NONE;
        free(reply);
    }
    Atoms atoms{values[0], values[1], values[2], values[3], values[4], values[5], values[6]};

    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(watch, root, XCB_CW_EVENT_MASK, &mask);
    return std::unique_ptr<X11ActiveWindow>(new X11ActiveWindow(watch, requests, root, atoms));
}

X11ActiveWindow::X11ActiveWindow(xcb_connection_t* watch, xcb_connection_t* requests,
                                 xcb_window_t root, Atoms atoms)
    : watch_(watch), requests_(requests), root_(root), atoms_(atoms) {
    if (pipe2(wakeup_, O_CLOEXEC | O_NONBLOCK) == 0)
        thread_ = std::thread([this] { this->watch(); });
}

const DesktopEntries& X11ActiveWindow::entries() const {
    std::call_once(entriesLoaded_, [this] { entries_ = DesktopEntries::load(); });
    return entries_;
}

X11ActiveWindow::~X11ActiveWindow() {
    if (thread_.joinable()) {
        const char byte = 0;
        ssize_t ignored = ::write(wakeup_[1], &byte, 1);
        (void)ignored;
        thread_.join();
    }
    for (int fd : wakeup_)
        if (fd >= 0) close(fd);
    xcb_disconnect(watch_);
    xcb_disconnect(requests_);
}

void X11ActiveWindow::setFrontmostChanged(std::function<void(const WindowedApplication&)> changed) {
    std::lock_guard lock(mutex_);
    changed_ = std::move(changed);
}

std::optional<WindowedApplication> X11ActiveWindow::frontmost() {
    std::lock_guard lock(mutex_);
    return front_;
}

void X11ActiveWindow::watch() {
    // The event mask is in force already, so no change falls between this reading and the
    // events.
    refresh();
    pollfd fds[2] = {{xcb_get_file_descriptor(watch_), POLLIN, 0}, {wakeup_[0], POLLIN, 0}};
    for (;;) {
        bool activeChanged = false;
        while (xcb_generic_event_t* event = xcb_poll_for_event(watch_)) {
            if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
                const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event);
                activeChanged |= notify->atom == atoms_.activeWindow;
            }
            free(event);
        }
        if (xcb_connection_has_error(watch_)) return;
        if (activeChanged) {
            if (auto app = refresh()) {
                std::function<void(const WindowedApplication&)> changed;
                {
                    std::lock_guard lock(mutex_);
                    changed = changed_;
                }
                if (changed) changed(*app);
            }
            continue;  // replies read meanwhile may have queued more events
        }
        if (poll(fds, 2, -1) < 0 && errno != EINTR) return;
        if (fds[1].revents) return;
    }
}

std::optional<WindowedApplication> X11ActiveWindow::refresh() {
    const auto window = activeWindow(watch_, root_, atoms_.activeWindow);
    std::optional<WindowedApplication> app;
    if (window) app = describe(watch_, {*window}).front();
    std::lock_guard lock(mutex_);
    const auto previous = front_;
    frontWindow_ = window.value_or(XCB_WINDOW_NONE);
    front_ = app;
    // The server hands a gone client's window ids to the next client, so the same id may now
    // be another program's window: the process tells applications apart, not the window.
    if (!app || (previous && previous->pid == app->pid)) return std::nullopt;
    return app;
}

std::vector<std::optional<WindowedApplication>> X11ActiveWindow::describe(
    xcb_connection_t* c, const std::vector<xcb_window_t>& windows) const {
    struct Asked {
        xcb_get_property_cookie_t pid, wmClass, gtkId, kdeFile;
    };
    std::vector<Asked> asked;
    for (xcb_window_t w : windows) {
        asked.push_back({askProperty(c, w, atoms_.wmPid, 1),
                         askProperty(c, w, XCB_ATOM_WM_CLASS, 256),
                         askProperty(c, w, atoms_.gtkApplicationId, 256),
                         askProperty(c, w, atoms_.kdeDesktopFile, 256)});
    }
    std::vector<std::optional<WindowedApplication>> apps;
    for (const Asked& a : asked) {
        const Reply pid = propertyReply(c, a.pid);
        const std::string wmClass = text(propertyReply(c, a.wmClass));
        std::string applicationId = text(propertyReply(c, a.gtkId));
        const std::string kdeFile = text(propertyReply(c, a.kdeFile));
        if (!pid || pid->format != 32 || xcb_get_property_value_length(pid.get()) < 4) {
            apps.emplace_back();
            continue;
        }
        if (applicationId.empty()) applicationId = kdeFile;
        // WM_CLASS is two NUL-terminated strings: the instance, then the class.
        const std::string instance = wmClass.substr(0, wmClass.find('\0'));
        std::string klass;
        if (auto nul = wmClass.find('\0'); nul != std::string::npos)
            klass = wmClass.substr(nul + 1, wmClass.find('\0', nul + 1) - nul - 1);

        WindowedApplication app;
        app.pid =
            static_cast<int>(*static_cast<const uint32_t*>(xcb_get_property_value(pid.get())));
        if (const auto* entry = entries().match(instance, klass, applicationId)) {
            app.localizedName = entry->name;
            app.bundleIdentifier = entry->id;
        } else {
            app.localizedName = !klass.empty() ? klass : instance;
            if (!applicationId.empty()) app.bundleIdentifier = applicationId;
        }
        apps.push_back(std::move(app));
    }
    return apps;
}

std::vector<WindowedApplication> X11ActiveWindow::withWindows() {
    std::lock_guard lock(requestsMutex_);
    const auto clients = windows(
        propertyReply(requests_, askProperty(requests_, root_, atoms_.clientList, 1 << 16)));
    std::vector<WindowedApplication> apps;
    std::set<int> seen;
    for (auto& app : describe(requests_, clients)) {
        if (app && seen.insert(app->pid).second) apps.push_back(std::move(*app));
    }
    dropErrors(requests_);
    return apps;
}

bool X11ActiveWindow::activate(int pid) {
    std::lock_guard lock(requestsMutex_);
    X11KeyTarget target(requests_, root_);
    const auto window = target.windowOfProcess(pid);
    if (!window) {
        dropErrors(requests_);
        return false;
    }
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = *window;
    message.type = atoms_.activeWindow;
    message.data.data32[0] = 2;  // source indication: a pager, acting for the user
    message.data.data32[1] = XCB_CURRENT_TIME;
    message.data.data32[2] = activeWindow(requests_, root_, atoms_.activeWindow).value_or(0);
    xcb_send_event(requests_, 0, root_,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
    const uint32_t above = XCB_STACK_MODE_ABOVE;
    xcb_configure_window(requests_, *window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    // A round trip: both requests have reached the server when this returns.
    free(xcb_get_input_focus_reply(requests_, xcb_get_input_focus(requests_), nullptr));
    dropErrors(requests_);
    return true;
}

}  // namespace platform
