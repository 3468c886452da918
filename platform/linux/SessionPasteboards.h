#pragma once

#include <memory>
#include <string>

#include "platform/linux/FilePasteboardStore.h"
#include "platform/linux/MirroredPasteboardStore.h"

namespace platform {

// The shared pasteboard store mirrored on the session's clipboard: on Wayland the compositor's
// data-control, on X11 the CLIPBOARD selection. Where neither can be reached (a compositor
// without data-control) the store stands alone, and the agent, the one process a portal lets
// reach the clipboard, claims for the others.
struct SessionPasteboards {
    using Mode = MirroredPasteboardStore::Mode;

    // `route`, when given, gets how the clipboard is reached, for the log.
    static Result<std::shared_ptr<PasteboardStore>> wrap(
        Result<std::shared_ptr<FilePasteboardStore>> files, Mode mode,
        std::string* route = nullptr);
};

}  // namespace platform
