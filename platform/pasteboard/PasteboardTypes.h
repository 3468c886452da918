#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The type identifiers pasteboard data is stored under, and the legacy names the OS still takes
// for some of them. Every pasteboard function that takes a type accepts either; what is stored
// and reported is always the identifier.
class PasteboardTypes {
  public:
    static constexpr std::string_view kString = "public.utf8-plain-text";
    static constexpr std::string_view kRTF = "public.rtf";
    static constexpr std::string_view kRTFD = "com.apple.flat-rtfd";
    static constexpr std::string_view kHTML = "public.html";
    static constexpr std::string_view kPNG = "public.png";
    static constexpr std::string_view kTIFF = "public.tiff";
    static constexpr std::string_view kFileURL = "public.file-url";

    static constexpr std::string_view kLegacyString = "NSStringPboardType";
    static constexpr std::string_view kLegacyRTF = "NSRTFPboardType";
    static constexpr std::string_view kLegacyRTFD = "NSRTFDPboardType";

    // Longest type name kept; longer ones are refused rather than stored.
    static constexpr size_t kMaxTypeLength = 1024;

    // The identifier for a legacy name; any other name as it is.
    static std::string normalize(std::string_view type);
    // Each normalised, later duplicates dropped.
    static std::vector<std::string> normalize(const std::vector<std::string>& types);
    // Whether `type` can be stored: not empty, no NUL, not longer than kMaxTypeLength.
    static bool isValid(std::string_view type);
};

}  // namespace platform
