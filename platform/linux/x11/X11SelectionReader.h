#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/x11/X11Connection.h"
#include "platform/pasteboard/PasteboardStore.h"

namespace platform {

// Reads the CLIPBOARD selection from whoever owns it, on a connection of its own: the owner's
// TARGETS, then each target's data (incremental transfers included), each conversion waiting
// at most `timeout` for the owner and a whole fetch at most `budget`, reading at most
// kMaxBytes. An owner that lets a conversion time out, or exceeds the budget or the size, is not
// asked anything more, so a hung or trickling program costs one bounded wait, never a hang.
// Safe from any thread; one fetch at a time.
class X11SelectionReader {
  public:
    // Set on the windows our own processes own the clipboard with, so each recognises the
    // others' ownership (their contents are already in the shared store).
    static constexpr std::string_view kOwnerMarker = "_PURLANE_PASTEBOARD_OWNER";

    static constexpr size_t kMaxBytes = size_t{256} << 20;
    // Targets asked for beyond the ones the owner lists twice are ignored past this many.
    static constexpr size_t kMaxTargets = 64;

    static std::unique_ptr<X11SelectionReader> open(
        const std::string& display = {},
        std::chrono::milliseconds timeout = std::chrono::milliseconds(1000),
        std::chrono::milliseconds budget = std::chrono::milliseconds(5000));

    struct Owner {
        xcb_window_t window = XCB_NONE;
        bool marked = false;  // one of our processes
    };
    Owner owner();

    // The owner's contents as one item: text first (as public.utf8-plain-text, from the best
    // text target offered), then every other data target in the owner's order, each under its
    // type. Nothing when there is no owner, it answered nothing at all, or it gave up before
    // any data. `from` gets the window that was asked.
    std::optional<PasteboardItem> fetch(xcb_window_t* from = nullptr);

  private:
    struct Received {
        std::string type;  // the property type's name
        uint8_t format = 0;
        std::string data;
    };
    enum class Outcome { Received, Refused, TimedOut };

    X11SelectionReader(std::unique_ptr<X11Connection> connection, std::chrono::milliseconds timeout,
                       std::chrono::milliseconds budget);
    // The names the owner lists, each once; nothing when the reply isn't a list of atoms.
    std::optional<std::vector<std::string>> targetNames(const Received& list);
    Outcome convert(xcb_atom_t target, Received& out);
    bool readIncrementally(std::string& data);
    // The next event, or nothing once `deadline` has passed or the connection broke.
    xcb_generic_event_t* nextEvent(std::chrono::steady_clock::time_point deadline);
    bool readProperty(xcb_atom_t& type, uint8_t& format, std::string& data);

    std::mutex mutex_;
    std::unique_ptr<X11Connection> x_;
    std::chrono::milliseconds timeout_, budget_;
    xcb_window_t window_ = XCB_NONE;
    xcb_atom_t clipboard_, targets_, incr_, marker_;
    // Each fetch takes the next of these, so a late answer to an earlier one is told apart.
    std::vector<xcb_atom_t> properties_;
    size_t fetches_ = 0;
    xcb_atom_t property_ = XCB_NONE;
    // Of the fetch under way.
    std::chrono::steady_clock::time_point deadline_;
    size_t bytes_ = 0;
};

}  // namespace platform
