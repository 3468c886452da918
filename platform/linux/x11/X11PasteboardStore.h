#pragma once

#include <memory>

#include "platform/linux/FilePasteboardStore.h"
#include "platform/linux/MirroredPasteboardStore.h"
#include "platform/linux/x11/X11Clipboard.h"

namespace platform {

// The shared pasteboard store mirrored on the X11 CLIPBOARD selection.
struct X11PasteboardStore {
    using Mode = MirroredPasteboardStore::Mode;

    // `files` mirrored on the display's clipboard; `files` itself when there is no display.
    static std::shared_ptr<PasteboardStore> mirror(std::shared_ptr<PasteboardStore> files,
                                                   Mode mode, X11Clipboard::Options options = {});
    // The same for a store just opened; an error passes through.
    static Result<std::shared_ptr<PasteboardStore>> wrap(
        Result<std::shared_ptr<FilePasteboardStore>> files, Mode mode,
        X11Clipboard::Options options = {});
};

}  // namespace platform
