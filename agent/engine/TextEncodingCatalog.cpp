#include "agent/engine/TextEncodingCatalog.h"

#include <algorithm>

#include "agent/engine/Lowercase.h"

TextEncodingCatalog::TextEncodingCatalog(std::vector<platform::StringEncoding> encodings,
                                         std::string western, std::string unicode)
    : sorted_(std::move(encodings)), western_(lowercased(western)), unicode_(lowercased(unicode)) {
    using platform::StringEncoding;
    using platform::StringEncodings;
    std::stable_sort(
        sorted_.begin(), sorted_.end(), [](const StringEncoding& a, const StringEncoding& b) {
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

std::optional<platform::StringEncoding> TextEncodingCatalog::resolve(
    const std::string& name) const {
    const std::string wanted = lowercased(name);
    for (const auto& e : sorted_)
        if (!e.name.empty() && lowercased(e.name) == wanted) return e;
    const std::string bracketed = "(" + wanted + ")";
    for (const auto& e : sorted_) {
        const std::string n = lowercased(e.name);
        const bool word = n.starts_with(western_) || n.starts_with(unicode_);
        if (word && n.ends_with(bracketed)) return e;
    }
    return std::nullopt;
}
