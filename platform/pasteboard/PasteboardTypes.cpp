#include "platform/pasteboard/PasteboardTypes.h"

#include <algorithm>

namespace platform {

std::string PasteboardTypes::normalize(std::string_view type) {
    if (type == kLegacyString) return std::string(kString);
    if (type == kLegacyRTF) return std::string(kRTF);
    if (type == kLegacyRTFD) return std::string(kRTFD);
    return std::string(type);
}

std::vector<std::string> PasteboardTypes::normalize(const std::vector<std::string>& types) {
    std::vector<std::string> out;
    out.reserve(types.size());
    for (const auto& type : types) {
        std::string t = normalize(type);
        if (std::find(out.begin(), out.end(), t) == out.end()) out.push_back(std::move(t));
    }
    return out;
}

bool PasteboardTypes::isValid(std::string_view type) {
    return !type.empty() && type.size() <= kMaxTypeLength &&
           type.find('\0') == std::string_view::npos;
}

}  // namespace platform
