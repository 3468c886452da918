#pragma once

#include <xcb/xcb.h>

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/x11/X11Connection.h"
#include "platform/pasteboard/PasteboardStore.h"

namespace platform {

// The owner's side of the CLIPBOARD selection: answers conversion requests for the contents on
// offer — TARGETS, TIMESTAMP, MULTIPLE and every target of every stored type — and sends data
// larger than one chunk incrementally (INCR) as the requestor deletes each piece. Runs on the
// thread that reads the connection's events; only targets() may be called from another.
class X11SelectionServer {
  public:
    struct Offer {
        std::shared_ptr<const std::vector<PasteboardItem>> items;
        xcb_timestamp_t time = XCB_CURRENT_TIME;
        bool owner = false;
    };

    X11SelectionServer(const X11Connection& x, xcb_atom_t selection, size_t chunkBytes);

    void handleRequest(const xcb_selection_request_event_t& request, const Offer& offer);
    // Progress of incremental transfers: the requestor deleted the last piece.
    void handlePropertyNotify(const xcb_property_notify_event_t& change);
    // A requestor went away mid-transfer.
    void handleDestroy(xcb_window_t window);
    // Every target the offer can be converted to, in the order TARGETS lists them.
    std::vector<xcb_atom_t> targets(const Offer& offer, bool withProtocolTargets);
    size_t activeTransfers() const { return transfers_.size(); }
    // A MULTIPLE request naming more (target, property) pairs than this is refused.
    static constexpr size_t kMaxMultiplePairs = 256;

  private:
    struct Target {
        std::string name;
        std::string type;  // the stored type it comes from
    };
    struct Transfer {
        xcb_window_t requestor;
        xcb_atom_t property;
        xcb_atom_t type;
        std::shared_ptr<const std::string> data;
        size_t offset = 0;
    };

    // Writes the target's data to the requestor's property; false when the offer hasn't it.
    bool answer(xcb_window_t requestor, xcb_atom_t target, xcb_atom_t property, const Offer& offer,
                bool incremental);
    bool answerMultiple(xcb_window_t requestor, xcb_atom_t property, const Offer& offer);
    std::vector<Target> offeredTargets(const Offer& offer) const;
    xcb_atom_t atom(const std::string& name);
    void watchRequestor(xcb_window_t window, bool on);
    void sendChunk(Transfer& transfer);

    const X11Connection& x_;
    xcb_connection_t* c_;
    xcb_atom_t selection_;
    size_t chunkBytes_;
    xcb_atom_t targets_, timestamp_, multiple_, incr_, atomPair_;
    std::mutex atomsMutex_;
    std::map<std::string, xcb_atom_t> atoms_;
    std::vector<Transfer> transfers_;
};

}  // namespace platform
