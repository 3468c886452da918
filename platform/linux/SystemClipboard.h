#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/pasteboard/PasteboardStore.h"

namespace platform {

// The desktop's clipboard as one process of ours sees it, whatever carries it: the X11
// CLIPBOARD selection, a Wayland compositor's data-control, a desktop portal. The shared
// pasteboard store mirrors its general pasteboard on one of these.
//
// Owner: claim() offers contents under every type they have, until another client takes the
// clipboard. Reader: owner(), generation() and fetch(). Watcher: watch() reports every change of
// owner to a handler on a worker thread (changes faster than the handler coalesced);
// waitForChanges() lets readers wait for the handler to catch up with what was announced.
class SystemClipboard {
  public:
    enum class Owner {
        None,     // nobody owns the clipboard
        This,     // this object
        Ours,     // another of our processes: its contents are in the shared store
        Foreign,  // any other program
    };
    using ChangeHandler = std::function<void(Owner)>;
    // Names one ownership of the clipboard, so a reader can tell whether the owner it fetched
    // from still owns it; 0 while nobody does.
    using Generation = uint64_t;

    virtual ~SystemClipboard() = default;

    // Takes the clipboard with these contents (none: an empty clipboard). False when the
    // desktop refused them or did not confirm it took them: the caller must not report the
    // write as done.
    virtual bool claim(std::vector<PasteboardItem> items) = 0;
    virtual Owner owner() = 0;
    virtual Generation generation() = 0;
    // The current owner's contents as one item with every type it offers; nothing when there
    // is no owner or it did not answer. `from` gets the generation that answered.
    virtual std::optional<PasteboardItem> fetch(Generation* from) = 0;

    // Starts watching (once); false when the desktop cannot tell of changes.
    virtual bool watch(ChangeHandler handler) = 0;
    // Waits until the handler has run for every change announced so far; false after `bound`.
    virtual bool waitForChanges(std::chrono::milliseconds bound) = 0;
    // Ends the watch, waiting for a handler that is running; no handler runs afterwards.
    virtual void stopWatching() = 0;
};

}  // namespace platform
