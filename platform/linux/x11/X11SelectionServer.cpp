#include "platform/linux/x11/X11SelectionServer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/linux/x11/X11ClipboardTypes.h"

namespace platform {

namespace {

// Transfers left behind by requestors that stopped reading are dropped beyond this many.
constexpr size_t kMaxTransfers = 16;

}  // namespace

X11SelectionServer::X11SelectionServer(const X11Connection& x, xcb_atom_t selection,
                                       size_t chunkBytes)
    : x_(x), c_(x.get()), selection_(selection) {
    // Room for the request header within the server's request size.
    chunkBytes_ = std::max<size_t>(1024, std::min(chunkBytes, x.maxRequestBytes() - 64));
    const auto atoms = x.atoms({"TARGETS", "TIMESTAMP", "MULTIPLE", "INCR", "ATOM_PAIR"});
    targets_ = atoms[0];
    timestamp_ = atoms[1];
    multiple_ = atoms[2];
    incr_ = atoms[3];
    atomPair_ = atoms[4];
}

xcb_atom_t X11SelectionServer::atom(const std::string& name) {
    std::lock_guard lock(atomsMutex_);
    auto it = atoms_.find(name);
    if (it != atoms_.end()) return it->second;
    const xcb_atom_t a = x_.atom(name);
    atoms_.emplace(name, a);
    return a;
}

std::vector<X11SelectionServer::Target> X11SelectionServer::offeredTargets(
    const Offer& offer) const {
    std::vector<Target> out;
    if (!offer.items) return out;
    for (const auto& item : *offer.items)
        for (const auto& entry : item.entries) {
            if (!entry.data) continue;
            for (auto& name : X11ClipboardTypes::targetsForType(entry.type)) {
                const bool known = std::any_of(out.begin(), out.end(),
                                               [&](const Target& t) { return t.name == name; });
                if (!known) out.push_back({std::move(name), entry.type});
            }
        }
    return out;
}

std::vector<xcb_atom_t> X11SelectionServer::targets(const Offer& offer, bool withProtocolTargets) {
    std::vector<xcb_atom_t> out;
    if (withProtocolTargets) out = {targets_, timestamp_, multiple_};
    for (const auto& target : offeredTargets(offer)) out.push_back(atom(target.name));
    return out;
}

void X11SelectionServer::handleRequest(const xcb_selection_request_event_t& request,
                                       const Offer& offer) {
    // Requestors from before ICCCM name no property: the target doubles as one.
    const xcb_atom_t property = request.property == XCB_NONE ? request.target : request.property;
    const bool current = offer.owner && request.selection == selection_ &&
                         (request.time == XCB_CURRENT_TIME || offer.time == XCB_CURRENT_TIME ||
                          request.time >= offer.time);
    bool ok = false;
    if (current) {
        ok = request.target == multiple_
                 ? answerMultiple(request.requestor, property, offer)
                 : answer(request.requestor, request.target, property, offer, true);
    }
    xcb_selection_notify_event_t notify{};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request.time;
    notify.requestor = request.requestor;
    notify.selection = request.selection;
    notify.target = request.target;
    notify.property = ok ? property : XCB_NONE;
    xcb_send_event(c_, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&notify));
    xcb_flush(c_);
}

bool X11SelectionServer::answer(xcb_window_t requestor, xcb_atom_t target, xcb_atom_t property,
                                const Offer& offer, bool incremental) {
    if (target == targets_) {
        const auto list = targets(offer, true);
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, requestor, property, XCB_ATOM_ATOM, 32,
                            static_cast<uint32_t>(list.size()), list.data());
        return true;
    }
    if (target == timestamp_) {
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, requestor, property, XCB_ATOM_INTEGER, 32, 1,
                            &offer.time);
        return true;
    }
    const std::string name = x_.atomName(target);
    const auto offered = offeredTargets(offer);
    const auto found = std::find_if(offered.begin(), offered.end(),
                                    [&](const Target& t) { return t.name == name; });
    if (found == offered.end()) return false;
    std::optional<std::string> stored;
    for (const auto& item : *offer.items)
        if ((stored = item.dataForType(found->type))) break;
    if (!stored) return false;
    auto data = std::make_shared<const std::string>(
        X11ClipboardTypes::dataForTarget(name, found->type, std::move(*stored)));
    // TEXT is answered in UTF-8 and says so; every other target is its own property type.
    const xcb_atom_t type = name == X11ClipboardTypes::kText
                                ? atom(std::string(X11ClipboardTypes::kUtf8String))
                                : target;
    if (data->size() > chunkBytes_) {
        if (!incremental) return false;
        std::erase_if(transfers_, [&](const Transfer& t) {
            return t.requestor == requestor && t.property == property;
        });
        if (transfers_.size() >= kMaxTransfers) transfers_.erase(transfers_.begin());
        watchRequestor(requestor, true);
        const uint32_t size = static_cast<uint32_t>(std::min<size_t>(data->size(), UINT32_MAX));
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, requestor, property, incr_, 32, 1, &size);
        transfers_.push_back({requestor, property, type, std::move(data), 0});
        return true;
    }
    xcb_change_property(c_, XCB_PROP_MODE_REPLACE, requestor, property, type, 8,
                        static_cast<uint32_t>(data->size()), data->data());
    return true;
}

bool X11SelectionServer::answerMultiple(xcb_window_t requestor, xcb_atom_t property,
                                        const Offer& offer) {
    // Each pair costs a round trip on the event thread and the answer must fit one request:
    // a longer list is refused whole.
    auto reply = xcbReply(
        xcb_get_property_reply(c_,
                               xcb_get_property(c_, 0, requestor, property, atomPair_, 0,
                                                static_cast<uint32_t>(kMaxMultiplePairs * 2)),
                               nullptr));
    if (!reply || reply->type != atomPair_ || reply->format != 32 || reply->bytes_after != 0)
        return false;
    const auto* values = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    std::vector<xcb_atom_t> pairs(values, values + xcb_get_property_value_length(reply.get()) / 4);
    if (pairs.size() % 2 != 0) return false;
    // Each pair is (target, property); a conversion that fails gets None as its property.
    for (size_t i = 0; i + 1 < pairs.size(); i += 2) {
        if (pairs[i] == multiple_ || pairs[i + 1] == XCB_NONE ||
            !answer(requestor, pairs[i], pairs[i + 1], offer, false))
            pairs[i + 1] = XCB_NONE;
    }
    xcb_change_property(c_, XCB_PROP_MODE_REPLACE, requestor, property, atomPair_, 32,
                        static_cast<uint32_t>(pairs.size()), pairs.data());
    return true;
}

void X11SelectionServer::watchRequestor(xcb_window_t window, bool on) {
    const uint32_t mask = on ? XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY : 0;
    xcb_change_window_attributes(c_, window, XCB_CW_EVENT_MASK, &mask);
}

void X11SelectionServer::handlePropertyNotify(const xcb_property_notify_event_t& change) {
    if (change.state != XCB_PROPERTY_DELETE) return;
    const auto it = std::find_if(transfers_.begin(), transfers_.end(), [&](const Transfer& t) {
        return t.requestor == change.window && t.property == change.atom;
    });
    if (it == transfers_.end()) return;
    const bool last = it->offset >= it->data->size();
    sendChunk(*it);
    if (last) {
        const xcb_window_t requestor = it->requestor;
        transfers_.erase(it);
        const bool more = std::any_of(transfers_.begin(), transfers_.end(),
                                      [&](const Transfer& t) { return t.requestor == requestor; });
        if (!more) watchRequestor(requestor, false);
    }
    xcb_flush(c_);
}

void X11SelectionServer::sendChunk(Transfer& transfer) {
    // The piece after the last one is empty: that ends the transfer.
    const size_t size = std::min(chunkBytes_, transfer.data->size() - transfer.offset);
    xcb_change_property(c_, XCB_PROP_MODE_REPLACE, transfer.requestor, transfer.property,
                        transfer.type, 8, static_cast<uint32_t>(size),
                        transfer.data->data() + transfer.offset);
    transfer.offset += size;
}

void X11SelectionServer::handleDestroy(xcb_window_t window) {
    std::erase_if(transfers_, [&](const Transfer& t) { return t.requestor == window; });
}

}  // namespace platform
