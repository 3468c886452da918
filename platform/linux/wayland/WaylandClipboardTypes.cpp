#include "platform/linux/wayland/WaylandClipboardTypes.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>

#include "platform/linux/x11/X11ClipboardTypes.h"
#include "platform/pasteboard/PasteboardTypes.h"

namespace platform {

namespace {

constexpr std::string_view kUtf8Plain = "text/plain;charset=utf-8";
constexpr std::string_view kPlain = "text/plain";

}  // namespace

// Wayland clients ask for the MIME names first; the X names serve XWayland's clients.
std::vector<std::string> WaylandClipboardTypes::mimeTypesForType(std::string_view type) {
    if (PasteboardTypes::normalize(type) == PasteboardTypes::kString)
        return {std::string(kUtf8Plain), std::string(kPlain),
                std::string(X11ClipboardTypes::kUtf8String),
                std::string(X11ClipboardTypes::kString), std::string(X11ClipboardTypes::kText)};
    return X11ClipboardTypes::targetsForType(type);
}

std::optional<std::string> WaylandClipboardTypes::typeForMimeType(std::string_view mime) {
    if (mime.starts_with(kOwnerMarker)) return std::nullopt;
    return X11ClipboardTypes::typeForTarget(mime);
}

const std::vector<std::string>& WaylandClipboardTypes::textMimeTypesByPreference() {
    static const std::vector<std::string> types{
        std::string(kUtf8Plain), std::string(X11ClipboardTypes::kUtf8String), std::string(kPlain),
        std::string(X11ClipboardTypes::kText), std::string(X11ClipboardTypes::kString)};
    return types;
}

std::string WaylandClipboardTypes::dataForMimeType(std::string_view mime, std::string_view type,
                                                   std::string data) {
    return X11ClipboardTypes::dataForTarget(mime, type, std::move(data));
}

std::optional<std::string> WaylandClipboardTypes::dataFromMimeType(std::string_view mime,
                                                                   std::string data) {
    return X11ClipboardTypes::dataFromTarget(mime, std::move(data));
}

std::string WaylandClipboardTypes::ownerMarker(long pid, uint64_t source) {
    return std::string(kOwnerMarker) + ";pid=" + std::to_string(pid) +
           ";source=" + std::to_string(source);
}

std::optional<WaylandClipboardTypes::Marker> WaylandClipboardTypes::parseOwnerMarker(
    std::string_view mime) {
    if (!mime.starts_with(kOwnerMarker)) return std::nullopt;
    Marker marker;
    // A marker without the parameters still names one of our processes, only not which.
    const auto number = [&](std::string_view key, auto& out) {
        const size_t at = mime.find(key);
        if (at == std::string_view::npos) return;
        const char* begin = mime.data() + at + key.size();
        std::from_chars(begin, mime.data() + mime.size(), out);
    };
    number(";pid=", marker.pid);
    number(";source=", marker.source);
    return marker;
}

}  // namespace platform
