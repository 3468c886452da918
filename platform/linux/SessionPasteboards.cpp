#include "platform/linux/SessionPasteboards.h"

#include <cstdlib>

#include "platform/linux/wayland/WaylandDataControlClipboard.h"
#include "platform/linux/x11/X11PasteboardStore.h"

namespace platform {

Result<std::shared_ptr<PasteboardStore>> SessionPasteboards::wrap(
    Result<std::shared_ptr<FilePasteboardStore>> files, Mode mode, std::string* route) {
    if (!files.ok()) return files.error();
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (!wayland || !*wayland) {
        if (route) *route = std::getenv("DISPLAY") ? "X11 CLIPBOARD" : "none";
        return X11PasteboardStore::mirror(std::move(files).value(), mode);
    }
    // XWayland's CLIPBOARD reaches native applications only while an X11 window has the
    // focus; data-control reaches them always.
    if (auto clipboard = WaylandDataControlClipboard::open()) {
        if (route) *route = clipboard->protocolName();
        return std::shared_ptr<PasteboardStore>(std::make_shared<MirroredPasteboardStore>(
            std::move(files).value(), std::move(clipboard), mode));
    }
    if (route) *route = "none";
    return std::shared_ptr<PasteboardStore>(std::move(files).value());
}

}  // namespace platform
