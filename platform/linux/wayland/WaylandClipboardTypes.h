#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// How pasteboard types and the MIME types of a Wayland clipboard name the same data, by the
// rules the X11 clipboard follows: text goes out under every name clients ask for (the MIME
// names and the X names XWayland bridges), HTML, RTF and images under their MIME types, any
// other stored type under its own name. Coming in, MIME types nobody mapped keep their name as
// the type; text in another charset and bare X names bring nothing. Plain C++, testable anywhere.
class WaylandClipboardTypes {
  public:
    // Marks offers made by our processes; the offered name adds the process and the source.
    static constexpr std::string_view kOwnerMarker = "application/x-purlane-owner";

    // The MIME types a stored type is offered under, best first.
    static std::vector<std::string> mimeTypesForType(std::string_view type);
    // The type a MIME type's data is stored under; nothing for names that carry no data of their
    // own, another encoding of text we take elsewhere, or our marker.
    static std::optional<std::string> typeForMimeType(std::string_view mime);
    // The text MIME types to try when reading, best first.
    static const std::vector<std::string>& textMimeTypesByPreference();

    // Offered data for a MIME type: the stored data converted as readers of it expect.
    static std::string dataForMimeType(std::string_view mime, std::string_view type,
                                       std::string data);
    // Received data in the form stored under typeForMimeType(mime); nothing when it can't be
    // (text that isn't UTF-8, a URI list without a URI).
    static std::optional<std::string> dataFromMimeType(std::string_view mime, std::string data);

    // The marker naming the offer of `source` in process `pid`, and the two read back from one.
    static std::string ownerMarker(long pid, uint64_t source);
    struct Marker {
        long pid = 0;
        uint64_t source = 0;
    };
    static std::optional<Marker> parseOwnerMarker(std::string_view mime);
};

}  // namespace platform
