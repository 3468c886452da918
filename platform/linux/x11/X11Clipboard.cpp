#include "platform/linux/x11/X11Clipboard.h"

#include <unistd.h>
#include <xcb/xfixes.h>

#include <cstdlib>

#include "platform/core/Log.h"

namespace platform {

std::unique_ptr<X11Clipboard> X11Clipboard::open(Options options) {
    auto x = X11Connection::open(options.display);
    if (!x) return nullptr;
    auto reader = X11SelectionReader::open(options.display, options.timeout);
    if (!reader) return nullptr;
    return std::unique_ptr<X11Clipboard>(
        new X11Clipboard(std::move(x), std::move(reader), options));
}

X11Clipboard::X11Clipboard(std::unique_ptr<X11Connection> x,
                           std::unique_ptr<X11SelectionReader> reader, const Options& options)
    : x_(std::move(x)),
      reader_(std::move(reader)),
      options_(options),
      window_(x_->createWindow()),
      server_(*x_, x_->atom("CLIPBOARD"), options.chunkBytes) {
    const auto atoms =
        x_->atoms({"CLIPBOARD", "CLIPBOARD_MANAGER", "SAVE_TARGETS", "_PURLANE_SAVE_TARGETS",
                   "_PURLANE_TIMESTAMP", "_PURLANE_WAKE", "_PURLANE_CLIPBOARD_WATCHER",
                   std::string(X11SelectionReader::kOwnerMarker)});
    clipboard_ = atoms[0];
    manager_ = atoms[1];
    saveTargets_ = atoms[2];
    saveProperty_ = atoms[3];
    stamp_ = atoms[4];
    wake_ = atoms[5];
    watcherSelection_ = atoms[6];
    const uint32_t pid = static_cast<uint32_t>(::getpid());
    xcb_change_property(x_->get(), XCB_PROP_MODE_REPLACE, window_, atoms[7], XCB_ATOM_CARDINAL, 32,
                        1, &pid);
    xcb_flush(x_->get());
    events_ = std::thread([this] { run(); });
}

X11Clipboard::~X11Clipboard() {
    stopWatching();
    if (isOwner()) handOff();
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    // A message to our own window wakes the event thread, which then ends.
    xcb_client_message_event_t wake{};
    wake.response_type = XCB_CLIENT_MESSAGE;
    wake.format = 32;
    wake.window = window_;
    wake.type = wake_;
    xcb_send_event(x_->get(), 0, window_, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&wake));
    xcb_flush(x_->get());
    events_.join();
    xcb_destroy_window(x_->get(), window_);
    xcb_flush(x_->get());
}

X11SelectionServer::Offer X11Clipboard::offer() const {
    std::lock_guard lock(mutex_);
    return {contents_, ownedSince_, owner_};
}

void X11Clipboard::run() {
    xcb_connection_t* c = x_->get();
    while (xcb_generic_event_t* event = xcb_wait_for_event(c)) {
        std::unique_ptr<xcb_generic_event_t, decltype(&free)> hold(event, &free);
        const uint8_t kind = event->response_type & 0x7f;
        if (kind == XCB_SELECTION_REQUEST) {
            server_.handleRequest(*reinterpret_cast<xcb_selection_request_event_t*>(event),
                                  offer());
        } else if (kind == XCB_PROPERTY_NOTIFY) {
            const auto& change = *reinterpret_cast<xcb_property_notify_event_t*>(event);
            if (change.window == window_ && change.atom == stamp_) {
                std::lock_guard lock(mutex_);
                lastStamp_ = change.time;
                ++stamps_;
                changed_.notify_all();
            } else {
                server_.handlePropertyNotify(change);
            }
        } else if (kind == XCB_DESTROY_NOTIFY) {
            server_.handleDestroy(reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window);
        } else if (kind == XCB_SELECTION_CLEAR) {
            const auto& clear = *reinterpret_cast<xcb_selection_clear_event_t*>(event);
            std::lock_guard lock(mutex_);
            // A clear older than our latest claim belongs to an ownership already replaced.
            if (clear.selection == clipboard_ &&
                (ownedSince_ == XCB_CURRENT_TIME || clear.time >= ownedSince_))
                owner_ = false;
        } else if (kind == XCB_SELECTION_NOTIFY) {
            const auto& notify = *reinterpret_cast<xcb_selection_notify_event_t*>(event);
            if (notify.selection == manager_ && notify.target == saveTargets_) {
                std::lock_guard lock(mutex_);
                if (handOff_ == HandOff::Waiting)
                    handOff_ = notify.property == XCB_NONE ? HandOff::Refused : HandOff::Kept;
                changed_.notify_all();
            }
        } else if (kind == XCB_CLIENT_MESSAGE) {
            const auto& message = *reinterpret_cast<xcb_client_message_event_t*>(event);
            std::lock_guard lock(mutex_);
            if (message.type == wake_ && stopping_) break;
        } else if (const uint8_t xfixes = xfixesEvent_.load();
                   xfixes != 0 && kind == xfixes + XCB_XFIXES_SELECTION_NOTIFY) {
            std::lock_guard lock(mutex_);
            ++announced_;
            changed_.notify_all();
        }
    }
}

xcb_timestamp_t X11Clipboard::serverTime() {
    std::unique_lock lock(mutex_);
    const uint64_t seen = stamps_;
    xcb_change_property(x_->get(), XCB_PROP_MODE_APPEND, window_, stamp_, XCB_ATOM_INTEGER, 32, 0,
                        nullptr);
    xcb_flush(x_->get());
    if (!changed_.wait_for(lock, options_.timeout, [&] { return stamps_ != seen; }))
        return XCB_CURRENT_TIME;
    return lastStamp_;
}

bool X11Clipboard::claim(std::vector<PasteboardItem> items) {
    std::lock_guard claiming(claiming_);
    const xcb_timestamp_t time = serverTime();
    {
        // Owner before the server says so: a request may arrive as soon as it has.
        std::lock_guard lock(mutex_);
        contents_ = std::make_shared<const std::vector<PasteboardItem>>(std::move(items));
        owner_ = true;
        ownedSince_ = time;
    }
    xcb_set_selection_owner(x_->get(), window_, clipboard_, time);
    const bool owned = x_->selectionOwner(clipboard_) == window_;
    std::lock_guard lock(mutex_);
    if (!owned) owner_ = false;
    return owned;
}

bool X11Clipboard::isOwner() const {
    std::lock_guard lock(mutex_);
    return owner_;
}

bool X11Clipboard::handOff(std::chrono::milliseconds bound) {
    if (!isOwner() || otherWatcherRunning()) return false;
    if (x_->selectionOwner(manager_) == XCB_NONE) return false;
    const auto targets = server_.targets(offer(), false);
    std::unique_lock lock(mutex_);
    handOff_ = HandOff::Waiting;
    xcb_change_property(x_->get(), XCB_PROP_MODE_REPLACE, window_, saveProperty_, XCB_ATOM_ATOM, 32,
                        static_cast<uint32_t>(targets.size()), targets.data());
    xcb_convert_selection(x_->get(), window_, manager_, saveTargets_, saveProperty_,
                          XCB_CURRENT_TIME);
    xcb_flush(x_->get());
    changed_.wait_for(lock, bound, [&] { return handOff_ != HandOff::Waiting; });
    const bool kept = handOff_ == HandOff::Kept;
    handOff_ = HandOff::Idle;
    return kept;
}

std::optional<PasteboardItem> X11Clipboard::fetch(Generation* from) {
    xcb_window_t window = XCB_NONE;
    auto item = reader_->fetch(&window);
    if (from) *from = window;
    return item;
}

X11Clipboard::Owner X11Clipboard::owner() {
    const auto found = reader_->owner();
    if (found.window == XCB_NONE) return Owner::None;
    if (found.window == window_) return Owner::This;
    return found.marked ? Owner::Ours : Owner::Foreign;
}

bool X11Clipboard::watch(ChangeHandler handler) {
    if (!handler) return false;
    {
        std::lock_guard lock(mutex_);
        if (handler_) return true;
    }
    xcb_connection_t* c = x_->get();
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c, &xcb_xfixes_id);
    if (!extension || !extension->present) {
        log("Clipboard: the X server has no XFixes; copies in other programs go unnoticed");
        return false;
    }
    auto version = xcbReply(xcb_xfixes_query_version_reply(
        c, xcb_xfixes_query_version(c, XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION),
        nullptr));
    if (!version) return false;
    {
        std::lock_guard lock(mutex_);
        handler_ = std::move(handler);
        xfixesEvent_ = extension->first_event;
        // The state found at the start counts as the first change.
        ++announced_;
    }
    xcb_xfixes_select_selection_input(c, window_, clipboard_,
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    // Owning this selection tells our other processes that a watcher will keep their contents.
    xcb_set_selection_owner(c, window_, watcherSelection_, XCB_CURRENT_TIME);
    xcb_flush(c);
    worker_ = std::thread([this] { work(); });
    return true;
}

void X11Clipboard::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return stopWatching_ || announced_ != handled_; });
        if (stopWatching_) return;
        const uint64_t target = announced_;
        lock.unlock();
        const Owner now = owner();
        handler_(now);
        lock.lock();
        handled_ = target;
        changed_.notify_all();
    }
}

bool X11Clipboard::waitForChanges(std::chrono::milliseconds bound) {
    std::unique_lock lock(mutex_);
    if (!handler_) return true;
    const uint64_t target = announced_;
    return changed_.wait_for(lock, bound, [&] { return stopWatching_ || handled_ >= target; });
}

void X11Clipboard::stopWatching() {
    {
        std::lock_guard lock(mutex_);
        stopWatching_ = true;
    }
    changed_.notify_all();
    if (worker_.joinable()) worker_.join();
}

bool X11Clipboard::otherWatcherRunning() const {
    const xcb_window_t watcher = x_->selectionOwner(watcherSelection_);
    return watcher != XCB_NONE && watcher != window_;
}

}  // namespace platform
