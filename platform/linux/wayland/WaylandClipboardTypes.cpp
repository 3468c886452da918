#include "platform/linux/wayland/WaylandClipboardTypes.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>

#include "platform/core/Utf8.h"
#include "platform/pasteboard/PasteboardTypes.h"

namespace platform {

namespace {

constexpr std::string_view kUtf8Plain = "text/plain;charset=utf-8";
constexpr std::string_view kPlain = "text/plain";
constexpr std::string_view kUtf8String = "UTF8_STRING";
constexpr std::string_view kString = "STRING";  // ISO Latin-1
constexpr std::string_view kText = "TEXT";
constexpr std::string_view kUriList = "text/uri-list";

struct Mapping {
    std::string_view type;
    std::string_view mime;
};

// One MIME type per stored type, both ways.
constexpr std::array kMappings{
    Mapping{PasteboardTypes::kHTML, "text/html"}, Mapping{PasteboardTypes::kRTF, "text/rtf"},
    Mapping{PasteboardTypes::kPNG, "image/png"},  Mapping{PasteboardTypes::kTIFF, "image/tiff"},
    Mapping{"public.jpeg", "image/jpeg"},         Mapping{PasteboardTypes::kFileURL, kUriList},
};

// Other names programs use for the same data; only read.
constexpr std::array kAliases{
    Mapping{PasteboardTypes::kRTF, "application/rtf"},
    Mapping{PasteboardTypes::kRTF, "text/richtext"},
};

std::string lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

bool isTextMime(std::string_view mime) {
    if (mime == kUtf8String || mime == kString || mime == kText) return true;
    const std::string l = lower(mime);
    // Clients write the parameter with or without a space, the charset in either case.
    std::string compact;
    std::copy_if(l.begin(), l.end(), std::back_inserter(compact), [](char c) { return c != ' '; });
    return compact == kPlain || compact == kUtf8Plain;
}

std::string latin1ToUtf8(std::string_view latin1) {
    std::string out;
    out.reserve(latin1.size());
    for (unsigned char c : latin1) Utf8::append(out, c);
    return out;
}

// Characters beyond Latin-1 become '?'.
std::string utf8ToLatin1(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        char32_t c = 0;
        if (!Utf8::next(utf8, i, c)) {
            ++i;
            c = '?';
        }
        out.push_back(c <= 0xFF ? static_cast<char>(c) : '?');
    }
    return out;
}

}  // namespace

std::vector<std::string> WaylandClipboardTypes::mimeTypesForType(std::string_view type) {
    const std::string normalized = PasteboardTypes::normalize(type);
    if (normalized == PasteboardTypes::kString)
        return {std::string(kUtf8Plain), std::string(kPlain), std::string(kUtf8String),
                std::string(kString), std::string(kText)};
    for (const auto& m : kMappings)
        if (m.type == normalized) return {std::string(m.mime)};
    return {normalized};
}

std::optional<std::string> WaylandClipboardTypes::typeForMimeType(std::string_view mime) {
    if (mime.starts_with(kOwnerMarker)) return std::nullopt;
    if (isTextMime(mime)) return std::string(PasteboardTypes::kString);
    const std::string l = lower(mime);
    // Text in some other encoding: the UTF-8 form is taken instead.
    if (l.starts_with(kPlain)) return std::nullopt;
    for (const auto& m : kMappings)
        if (m.mime == l) return std::string(m.type);
    for (const auto& m : kAliases)
        if (m.mime == l) return std::string(m.type);
    // MIME types and type identifiers name data; bare X names (TARGETS, SAVE_TARGETS…) that
    // bridged clients list are protocol targets.
    const bool named =
        mime.find('/') != std::string_view::npos || mime.find('.') != std::string_view::npos;
    if (!named || !PasteboardTypes::isValid(mime)) return std::nullopt;
    return PasteboardTypes::normalize(mime);
}

const std::vector<std::string>& WaylandClipboardTypes::textMimeTypesByPreference() {
    static const std::vector<std::string> types{std::string(kUtf8Plain), std::string(kUtf8String),
                                                std::string(kPlain), std::string(kText),
                                                std::string(kString)};
    return types;
}

std::string WaylandClipboardTypes::dataForMimeType(std::string_view mime, std::string_view type,
                                                   std::string data) {
    if (PasteboardTypes::normalize(type) == PasteboardTypes::kString && mime == kString)
        return utf8ToLatin1(data);
    if (mime == kUriList) return data + "\r\n";
    return data;
}

std::optional<std::string> WaylandClipboardTypes::dataFromMimeType(std::string_view mime,
                                                                   std::string data) {
    if (mime == kString) return latin1ToUtf8(data);
    if (isTextMime(mime)) {
        // Some owners end text with a NUL for C readers.
        if (!data.empty() && data.back() == '\0') data.pop_back();
        if (!Utf8::isValid(data)) return std::nullopt;
        return data;
    }
    if (lower(mime) == kUriList) {
        // The first URI; the list may start with comment lines.
        size_t start = 0;
        while (start < data.size()) {
            size_t end = data.find('\n', start);
            if (end == std::string::npos) end = data.size();
            std::string line = data.substr(start, end - start);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty() && line[0] != '#') return line;
            start = end + 1;
        }
        return std::nullopt;
    }
    return data;
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
