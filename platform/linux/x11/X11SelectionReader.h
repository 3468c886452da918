#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/linux/x11/X11Connection.h"
#include "platform/pasteboard/PasteboardStore.h"

namespace platform {

// Reads the CLIPBOARD selection from whoever owns it, on a connection of its own: the owner's
// TARGETS, then each target's data (incremental transfers included), each conversion waiting
// at most `timeout` for the owner. An owner that lets a conversion time out is not asked
// anything more, so a hung program costs one time-out, never a hang. Safe from any thread;
// one fetch at a time.
class X11SelectionReader {
  public:
    // Set on the windows our own processes own the clipboard with, so each recognises the
    // others' ownership (their contents are already in the shared store).
    static constexpr std::string_view kOwnerMarker = "_PURLANE_PASTEBOARD_OWNER";

    static std::unique_ptr<X11SelectionReader> open(
        const std::string& display = {},
        std::chrono::milliseconds timeout = std::chrono::milliseconds(1000));

    struct Owner {
        xcb_window_t window = XCB_NONE;
        bool marked = false;  // one of our processes
    };
    Owner owner();

    // The owner's contents as one item: text first (as public.utf8-plain-text, from the best
    // text target offered), then every other data target in the owner's order, each under its
    // type. Nothing when there is no owner or it answered nothing at all.
    std::optional<PasteboardItem> fetch();

  private:
    struct Received {
        std::string type;  // the property type's name
        std::string data;
    };
    enum class Outcome { Received, Refused, TimedOut };

    X11SelectionReader(std::unique_ptr<X11Connection> connection,
                       std::chrono::milliseconds timeout);
    Outcome convert(xcb_atom_t target, Received& out);
    bool readIncrementally(std::string& data);
    // The next event, or nothing once `deadline` has passed or the connection broke.
    xcb_generic_event_t* nextEvent(std::chrono::steady_clock::time_point deadline);
    bool readProperty(xcb_atom_t& type, std::string& data);

    std::mutex mutex_;
    std::unique_ptr<X11Connection> x_;
    std::chrono::milliseconds timeout_;
    xcb_window_t window_ = XCB_NONE;
    xcb_atom_t clipboard_, property_, targets_, incr_, marker_;
};

}  // namespace platform
