#include "platform/linux/x11/X11SelectionReader.h"

#include <poll.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "platform/linux/x11/X11ClipboardTypes.h"
#include "platform/pasteboard/PasteboardTypes.h"

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

std::unique_ptr<X11SelectionReader> X11SelectionReader::open(const std::string& display,
                                                             std::chrono::milliseconds timeout) {
    auto connection = X11Connection::open(display);
    if (!connection) return nullptr;
    return std::unique_ptr<X11SelectionReader>(
        new X11SelectionReader(std::move(connection), timeout));
}

X11SelectionReader::X11SelectionReader(std::unique_ptr<X11Connection> connection,
                                       std::chrono::milliseconds timeout)
    : x_(std::move(connection)), timeout_(timeout) {
    const auto atoms = x_->atoms(
        {"CLIPBOARD", "_PURLANE_SELECTION", "TARGETS", "INCR", std::string(kOwnerMarker)});
    clipboard_ = atoms[0];
    property_ = atoms[1];
    targets_ = atoms[2];
    incr_ = atoms[3];
    marker_ = atoms[4];
    window_ = x_->createWindow();
    xcb_flush(x_->get());
}

X11SelectionReader::Owner X11SelectionReader::owner() {
    std::lock_guard lock(mutex_);
    Owner owner;
    owner.window = x_->selectionOwner(clipboard_);
    owner.marked = owner.window != XCB_NONE && x_->hasProperty(owner.window, marker_);
    return owner;
}

std::optional<PasteboardItem> X11SelectionReader::fetch() {
    std::lock_guard lock(mutex_);
    if (x_->failed() || x_->selectionOwner(clipboard_) == XCB_NONE) return std::nullopt;
    // Late answers to conversions that timed out earlier must not be taken for new ones.
    while (xcb_generic_event_t* stale = xcb_poll_for_event(x_->get())) free(stale);

    std::vector<std::string> names;
    Received list;
    Outcome outcome = convert(targets_, list);
    if (outcome == Outcome::TimedOut) return std::nullopt;
    if (outcome == Outcome::Received) {
        std::vector<xcb_atom_t> atoms(list.data.size() / sizeof(xcb_atom_t));
        std::copy_n(list.data.data(), atoms.size() * sizeof(xcb_atom_t),
                    reinterpret_cast<char*>(atoms.data()));
        names = x_->atomNames(atoms);
    } else {
        // An owner without TARGETS: ask for text the old way.
        names = {std::string(X11ClipboardTypes::kUtf8String),
                 std::string(X11ClipboardTypes::kString)};
    }

    PasteboardItem item;
    bool answered = outcome == Outcome::Received;
    const auto tryTarget = [&](const std::string& target) {
        Received got;
        outcome = convert(x_->atom(target), got);
        if (outcome != Outcome::Received) return false;
        answered = true;
        // TEXT comes in whichever encoding the owner picked; the property type says which.
        const std::string& as = target == X11ClipboardTypes::kText ? got.type : target;
        const auto type = X11ClipboardTypes::typeForTarget(as);
        if (!type) return false;
        auto data = X11ClipboardTypes::dataFromTarget(as, std::move(got.data));
        return data && item.setData(std::move(*data), *type);
    };

    for (const auto& target : X11ClipboardTypes::textTargetsByPreference()) {
        if (std::find(names.begin(), names.end(), target) == names.end()) continue;
        if (tryTarget(target) || outcome == Outcome::TimedOut) break;
    }
    for (const auto& target : names) {
        if (outcome == Outcome::TimedOut) break;
        const auto type = X11ClipboardTypes::typeForTarget(target);
        if (!type || item.hasType(*type)) continue;
        tryTarget(target);
    }
    if (!answered) return std::nullopt;
    return item;
}

X11SelectionReader::Outcome X11SelectionReader::convert(xcb_atom_t target, Received& out) {
    xcb_connection_t* c = x_->get();
    xcb_delete_property(c, window_, property_);
    xcb_convert_selection(c, window_, clipboard_, target, property_, XCB_CURRENT_TIME);
    xcb_flush(c);
    const auto deadline = Clock::now() + timeout_;
    while (xcb_generic_event_t* event = nextEvent(deadline)) {
        const auto kind = event->response_type & 0x7f;
        if (kind != XCB_SELECTION_NOTIFY) {
            free(event);
            continue;
        }
        const auto notify = *reinterpret_cast<xcb_selection_notify_event_t*>(event);
        free(event);
        if (notify.requestor != window_ || notify.selection != clipboard_ ||
            notify.target != target)
            continue;
        if (notify.property == XCB_NONE) return Outcome::Refused;
        xcb_atom_t type = XCB_NONE;
        if (!readProperty(type, out.data)) return Outcome::Refused;
        if (type == incr_) {
            out.data.clear();
            if (!readIncrementally(out.data)) return Outcome::TimedOut;
        }
        out.type = type == incr_ ? std::string() : x_->atomName(type);
        return Outcome::Received;
    }
    return Outcome::TimedOut;
}

bool X11SelectionReader::readIncrementally(std::string& data) {
    // Reading the INCR property deleted it, which tells the owner to send the first chunk.
    for (;;) {
        const auto deadline = Clock::now() + timeout_;
        bool chunk = false;
        while (xcb_generic_event_t* event = nextEvent(deadline)) {
            const auto kind = event->response_type & 0x7f;
            const auto* change = reinterpret_cast<xcb_property_notify_event_t*>(event);
            chunk = kind == XCB_PROPERTY_NOTIFY && change->window == window_ &&
                    change->atom == property_ && change->state == XCB_PROPERTY_NEW_VALUE;
            free(event);
            if (chunk) break;
        }
        if (!chunk) return false;
        xcb_atom_t type = XCB_NONE;
        std::string piece;
        if (!readProperty(type, piece)) return false;
        if (piece.empty()) return true;
        data += piece;
    }
}

bool X11SelectionReader::readProperty(xcb_atom_t& type, std::string& data) {
    xcb_connection_t* c = x_->get();
    auto reply = xcbReply(xcb_get_property_reply(
        c, xcb_get_property(c, 1, window_, property_, XCB_GET_PROPERTY_TYPE_ANY, 0, UINT32_MAX / 4),
        nullptr));
    if (!reply) return false;
    type = reply->type;
    const auto* bytes = static_cast<const char*>(xcb_get_property_value(reply.get()));
    data.assign(bytes, static_cast<size_t>(xcb_get_property_value_length(reply.get())));
    return true;
}

xcb_generic_event_t* X11SelectionReader::nextEvent(Clock::time_point deadline) {
    xcb_connection_t* c = x_->get();
    for (;;) {
        if (xcb_generic_event_t* event = xcb_poll_for_event(c)) return event;
        if (x_->failed()) return nullptr;
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return nullptr;
        pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
        ::poll(&fd, 1, static_cast<int>(left));
    }
}

}  // namespace platform
