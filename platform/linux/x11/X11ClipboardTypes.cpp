#include "platform/linux/x11/X11ClipboardTypes.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "platform/core/Utf8.h"
#include "platform/pasteboard/PasteboardTypes.h"

namespace platform {

namespace {

constexpr std::string_view kUtf8Plain = "text/plain;charset=utf-8";
constexpr std::string_view kPlain = "text/plain";
constexpr std::string_view kUriList = "text/uri-list";

struct Mapping {
    std::string_view type;
    std::string_view target;
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

bool isTextTarget(std::string_view target) {
    if (target == X11ClipboardTypes::kUtf8String || target == X11ClipboardTypes::kString ||
        target == X11ClipboardTypes::kText)
        return true;
    const std::string l = lower(target);
    // Clients write the parameter with or without a space, the charset in either case.
    std::string compact;
    std::copy_if(l.begin(), l.end(), std::back_inserter(compact), [](char c) { return c != ' '; });
    return compact == kPlain || compact == kUtf8Plain;
}

}  // namespace

std::vector<std::string> X11ClipboardTypes::targetsForType(std::string_view type) {
    const std::string normalized = PasteboardTypes::normalize(type);
    if (normalized == PasteboardTypes::kString)
        return {std::string(kUtf8String), std::string(kUtf8Plain), std::string(kPlain),
                std::string(kString), std::string(kText)};
    for (const auto& m : kMappings)
        if (m.type == normalized) return {std::string(m.target)};
    return {normalized};
}

std::optional<std::string> X11ClipboardTypes::typeForTarget(std::string_view target) {
    if (isTextTarget(target)) return std::string(PasteboardTypes::kString);
    const std::string l = lower(target);
    // Text in some other encoding: the UTF-8 form is taken instead.
    if (l.starts_with(kPlain)) return std::nullopt;
    for (const auto& m : kMappings)
        if (m.target == l) return std::string(m.type);
    for (const auto& m : kAliases)
        if (m.target == l) return std::string(m.type);
    // MIME types and type identifiers name data; bare X names (TARGETS, PIXMAP, _NETSCAPE_URL…)
    // are protocol or drawing targets.
    const bool named =
        target.find('/') != std::string_view::npos || target.find('.') != std::string_view::npos;
    if (!named || !PasteboardTypes::isValid(target)) return std::nullopt;
    return PasteboardTypes::normalize(target);
}

const std::vector<std::string>& X11ClipboardTypes::textTargetsByPreference() {
    static const std::vector<std::string> targets{std::string(kUtf8String), std::string(kUtf8Plain),
                                                  std::string(kString), std::string(kText),
                                                  std::string(kPlain)};
    return targets;
}

std::string X11ClipboardTypes::dataForTarget(std::string_view target, std::string_view type,
                                             std::string data) {
    if (PasteboardTypes::normalize(type) == PasteboardTypes::kString && target == kString)
        return utf8ToLatin1(data);
    if (target == kUriList) return data + "\r\n";
    return data;
}

std::optional<std::string> X11ClipboardTypes::dataFromTarget(std::string_view target,
                                                             std::string data) {
    if (target == kString) return latin1ToUtf8(data);
    if (isTextTarget(target)) {
        // Some owners end text with a NUL for C readers.
        if (!data.empty() && data.back() == '\0') data.pop_back();
        if (!Utf8::isValid(data)) return std::nullopt;
        return data;
    }
    if (lower(target) == kUriList) {
        // The first URL; the list may start with comment lines.
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

std::string X11ClipboardTypes::latin1ToUtf8(std::string_view latin1) {
    std::string out;
    out.reserve(latin1.size());
    for (unsigned char c : latin1) Utf8::append(out, c);
    return out;
}

std::string X11ClipboardTypes::utf8ToLatin1(std::string_view utf8) {
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

}  // namespace platform
