#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/SystemClipboard.h"
#include "platform/linux/x11/X11Connection.h"
#include "platform/linux/x11/X11SelectionReader.h"
#include "platform/linux/x11/X11SelectionServer.h"
#include "platform/pasteboard/PasteboardStore.h"

namespace platform {

// The X11 CLIPBOARD selection for one process, on connections of its own and a thread of its
// own, so requests are answered and changes noticed while the caller's thread sleeps.
//
// Owner: claim() offers contents under every target they map to; ownership ends when another
// client takes the selection. When the process is done, handOff() (the destructor does it too)
// gives the contents to a clipboard manager, unless one of our watchers runs and will take them
// itself once the selection has no owner.
// Reader: owner() and fetch(), through an X11SelectionReader.
// Watcher: watch() reports every change of owner to a handler, on a worker thread, changes that
// come faster than the handler coalesced; waitForChanges() lets readers wait for the handler to
// catch up with what the server has already announced.
class X11Clipboard : public SystemClipboard {
  public:
    struct Options {
        std::string display;  // $DISPLAY when empty
        // Longest wait for one answer of another client.
        std::chrono::milliseconds timeout{1000};
        // Data larger than this goes incrementally.
        size_t chunkBytes = 256 * 1024;
    };

    // Nothing without a display or when it can't be reached.
    static std::unique_ptr<X11Clipboard> open(Options options);
    static std::unique_ptr<X11Clipboard> open() { return open(Options{}); }
    ~X11Clipboard() override;
    X11Clipboard(const X11Clipboard&) = delete;
    X11Clipboard& operator=(const X11Clipboard&) = delete;

    // Takes the clipboard with these contents; false when the server refused.
    bool claim(std::vector<PasteboardItem> items) override;
    bool isOwner() const;
    // If this object still owns the clipboard: asks the clipboard manager to keep the contents
    // and waits for its answer at most `bound`. True when the manager said it kept them.
    bool handOff(std::chrono::milliseconds bound = std::chrono::milliseconds(2000));

    Owner owner() override;
    // The owner's window: the same window keeps the clipboard through its owner's claims.
    Generation generation() override { return reader_->owner().window; }
    std::optional<PasteboardItem> fetch(Generation* from) override;

    // Starts watching (once); false when the server lacks XFixes.
    bool watch(ChangeHandler handler) override;
    // Waits until the handler has run for every change announced so far; false after `bound`.
    bool waitForChanges(std::chrono::milliseconds bound) override;
    // Ends the watch, waiting for a handler that is running; no handler runs afterwards.
    void stopWatching() override;
    // Whether a process of ours other than this one watches the clipboard.
    bool otherWatcherRunning() const;

  private:
    X11Clipboard(std::unique_ptr<X11Connection> x, std::unique_ptr<X11SelectionReader> reader,
                 const Options& options);
    void run();
    void work();
    // A server timestamp, from a property change on our window.
    xcb_timestamp_t serverTime();
    X11SelectionServer::Offer offer() const;

    std::unique_ptr<X11Connection> x_;
    std::unique_ptr<X11SelectionReader> reader_;
    Options options_;
    xcb_window_t window_;
    xcb_atom_t clipboard_, manager_, saveTargets_, saveProperty_, stamp_, wake_, watcherSelection_;
    std::atomic<uint8_t> xfixesEvent_ = 0;  // set by watch(), read by the event thread
    X11SelectionServer server_;             // event thread, but for targets()

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::mutex claiming_;  // one claim at a time
    std::shared_ptr<const std::vector<PasteboardItem>> contents_;
    bool owner_ = false;
    xcb_timestamp_t ownedSince_ = XCB_CURRENT_TIME;
    uint64_t stamps_ = 0;
    xcb_timestamp_t lastStamp_ = XCB_CURRENT_TIME;
    enum class HandOff { Idle, Waiting, Kept, Refused } handOff_ = HandOff::Idle;
    bool stopping_ = false;
    bool stopWatching_ = false;
    ChangeHandler handler_;
    uint64_t announced_ = 0, handled_ = 0;

    std::thread events_;
    std::thread worker_;
};

}  // namespace platform
