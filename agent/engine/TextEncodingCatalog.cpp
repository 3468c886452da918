#include "agent/engine/TextEncodingCatalog.h"

#include <algorithm>
#include <unicode/unistr.h>

namespace {

// Unicode-aware lower case, as the OS's lowercaseString.
std::string lower(const std::string& s) {
    std::string out;
    icu::UnicodeString::fromUTF8(s).toLower().toUTF8String(out);
    return out;
}

}  // namespace

TextEncodingCatalog::TextEncodingCatalog(std::vector<platform::StringEncoding> encodings,
                                         std::string western, std::string unicode)
    : sorted_(std::move(encodings)),
      western_(lower(western)),
      unicode_(lower(unicode)) {
    using platform::StringEncoding;
    using platform::StringEncodings;
    std::stable_sort(sorted_.begin(), sorted_.end(),
                     [](const StringEncoding& a, const StringEncoding& b) {
                         const bool ua = a.mostCompatibleMacEncoding == StringEncodings::kMacUnicode;
                         const bool ub = b.mostCompatibleMacEncoding == StringEncodings::kMacUnicode;
                         if (ua != ub) return ua;
                         if (!ua && a.mostCompatibleMacEncoding != b.mostCompatibleMacEncoding)
                             return a.mostCompatibleMacEncoding < b.mostCompatibleMacEncoding;
                         return a.value < b.value;
                     });
}

std::vector<std::string> TextEncodingCatalog::names() const {
    std::vector<std::string> out;
    for (const auto& e : sorted_)
        if (!e.name.empty()) out.push_back(e.name);
    return out;
}

std::optional<platform::StringEncoding> TextEncodingCatalog::resolve(const std::string& name) const {
    const std::string wanted = lower(name);
    for (const auto& e : sorted_)
        if (!e.name.empty() && lower(e.name) == wanted) return e;
    const std::string bracketed = "(" + wanted + ")";
    for (const auto& e : sorted_) {
        const std::string n = lower(e.name);
        const bool word = n.starts_with(western_) || n.starts_with(unicode_);
        if (word && n.ends_with(bracketed)) return e;
    }
    return std::nullopt;
}
