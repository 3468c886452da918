#include "platform/linux/x11/X11PasteboardStore.h"

namespace platform {

std::shared_ptr<PasteboardStore> X11PasteboardStore::mirror(std::shared_ptr<PasteboardStore> files,
                                                            Mode mode,
                                                            X11Clipboard::Options options) {
    auto clipboard = X11Clipboard::open(std::move(options));
    if (!clipboard) return files;
    return std::make_shared<MirroredPasteboardStore>(std::move(files), std::move(clipboard), mode);
}

Result<std::shared_ptr<PasteboardStore>> X11PasteboardStore::wrap(
    Result<std::shared_ptr<FilePasteboardStore>> files, Mode mode, X11Clipboard::Options options) {
    if (!files.ok()) return files.error();
    return mirror(std::move(files).value(), mode, std::move(options));
}

}  // namespace platform
