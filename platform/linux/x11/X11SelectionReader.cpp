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

constexpr size_t kProperties = 8;
// The raw list is cut here before its names are asked for, one round trip each.
constexpr size_t kMaxListedTargets = 1024;

}  // namespace

std::unique_ptr<X11SelectionReader> X11SelectionReader::open(const std::string& display,
                                                             std::chrono::milliseconds timeout,
                                                             std::chrono::milliseconds budget) {
    auto connection = X11Connection::open(display);
    if (!connection) return nullptr;
    return std::unique_ptr<X11SelectionReader>(
        new X11SelectionReader(std::move(connection), timeout, budget));
}

X11SelectionReader::X11SelectionReader(std::unique_ptr<X11Connection> connection,
                                       std::chrono::milliseconds timeout,
                                       std::chrono::milliseconds budget)
    : x_(std::move(connection)), timeout_(timeout), budget_(budget) {
    std::vector<std::string> names{"CLIPBOARD", "TARGETS", "INCR", std::string(kOwnerMarker)};
    for (size_t i = 0; i < kProperties; ++i)
        names.push_back("_PURLANE_SELECTION_" + std::to_string(i));
    const auto atoms = x_->atoms(names);
    clipboard_ = atoms[0];
    targets_ = atoms[1];
    incr_ = atoms[2];
    marker_ = atoms[3];
    properties_.assign(atoms.begin() + 4, atoms.end());
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

std::optional<PasteboardItem> X11SelectionReader::fetch(xcb_window_t* from) {
    std::lock_guard lock(mutex_);
    if (x_->failed()) return std::nullopt;
    const xcb_window_t owner = x_->selectionOwner(clipboard_);
    if (from) *from = owner;
    if (owner == XCB_NONE) return std::nullopt;
    while (xcb_generic_event_t* stale = xcb_poll_for_event(x_->get())) free(stale);
    // Late answers to conversions that timed out earlier name another property.
    property_ = properties_[fetches_++ % properties_.size()];
    deadline_ = Clock::now() + budget_;
    bytes_ = 0;

    std::vector<std::string> names;
    Received list;
    Outcome outcome = convert(targets_, list);
    if (outcome == Outcome::TimedOut) return std::nullopt;
    if (outcome == Outcome::Received) {
        auto listed = targetNames(list);
        if (!listed) return std::nullopt;
        names = std::move(*listed);
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
    // An owner given up on before it gave anything must not pass for an empty clipboard.
    if (!answered || (outcome == Outcome::TimedOut && item.entries.empty())) return std::nullopt;
    return item;
}

std::optional<std::vector<std::string>> X11SelectionReader::targetNames(const Received& list) {
    if (list.format != 32 || (list.type != "ATOM" && list.type != "TARGETS")) return std::nullopt;
    std::vector<xcb_atom_t> atoms(
        std::min(list.data.size() / sizeof(xcb_atom_t), kMaxListedTargets));
    std::copy_n(list.data.data(), atoms.size() * sizeof(xcb_atom_t),
                reinterpret_cast<char*>(atoms.data()));
    std::vector<xcb_atom_t> unique;
    for (const xcb_atom_t atom : atoms) {
        if (atom == XCB_NONE || std::find(unique.begin(), unique.end(), atom) != unique.end())
            continue;
        unique.push_back(atom);
        if (unique.size() == kMaxTargets) break;
    }
    auto names = x_->atomNames(unique);
    std::erase(names, std::string());
    return names;
}

X11SelectionReader::Outcome X11SelectionReader::convert(xcb_atom_t target, Received& out) {
    xcb_connection_t* c = x_->get();
    xcb_delete_property(c, window_, property_);
    xcb_convert_selection(c, window_, clipboard_, target, property_, XCB_CURRENT_TIME);
    xcb_flush(c);
    const auto deadline = std::min(Clock::now() + timeout_, deadline_);
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
        if (notify.property != property_) continue;
        xcb_atom_t type = XCB_NONE;
        if (!readProperty(type, out.format, out.data)) return Outcome::Refused;
        if (type == incr_) {
            out.data.clear();
            if (!readIncrementally(out.data)) return Outcome::TimedOut;
        } else if (out.data.size() > kMaxBytes - bytes_) {
            return Outcome::TimedOut;
        }
        bytes_ += out.data.size();
        out.type = type == incr_ ? std::string() : x_->atomName(type);
        return Outcome::Received;
    }
    return Outcome::TimedOut;
}

bool X11SelectionReader::readIncrementally(std::string& data) {
    // Reading the INCR property deleted it, which tells the owner to send the first chunk.
    // Each chunk waits at most the time-out, all of them together at most what is left of the
    // fetch's budget: an owner sending a trickle forever is given up on all the same.
    for (;;) {
        const auto deadline = std::min(Clock::now() + timeout_, deadline_);
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
        uint8_t format = 0;
        std::string piece;
        if (!readProperty(type, format, piece)) return false;
        if (piece.empty()) return true;
        if (piece.size() > kMaxBytes - bytes_ - data.size()) return false;
        data += piece;
    }
}

bool X11SelectionReader::readProperty(xcb_atom_t& type, uint8_t& format, std::string& data) {
    xcb_connection_t* c = x_->get();
    auto reply = xcbReply(xcb_get_property_reply(
        c, xcb_get_property(c, 1, window_, property_, XCB_GET_PROPERTY_TYPE_ANY, 0, UINT32_MAX / 4),
        nullptr));
    if (!reply) return false;
    type = reply->type;
    format = reply->format;
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
