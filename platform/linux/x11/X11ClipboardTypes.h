#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// How pasteboard types and X11 selection targets name the same data. Text goes out under every
// name X clients ask for (UTF8_STRING, STRING, TEXT, text/plain…); HTML, RTF and images under
// their MIME types; any other stored type under its own name. Coming in, MIME targets nobody
// mapped keep their name as the type, and the X protocol's own targets (TARGETS, MULTIPLE,
// PIXMAP…) bring nothing. No X11 here, so the table is testable anywhere.
class X11ClipboardTypes {
  public:
    static constexpr std::string_view kUtf8String = "UTF8_STRING";
    static constexpr std::string_view kString = "STRING";  // ISO Latin-1
    static constexpr std::string_view kText = "TEXT";

    // The targets a stored type is offered under, best first.
    static std::vector<std::string> targetsForType(std::string_view type);
    // The type a target's data is stored under; nothing for targets that carry no data of
    // their own or another encoding of text we take elsewhere.
    static std::optional<std::string> typeForTarget(std::string_view target);
    // The text targets to try when reading, best first.
    static const std::vector<std::string>& textTargetsByPreference();

    // Offered data for a target: the stored data converted as the target expects.
    static std::string dataForTarget(std::string_view target, std::string_view type,
                                     std::string data);
    // Received data of a target in the form stored under typeForTarget(target); nothing when
    // it can't be (text that isn't UTF-8).
    static std::optional<std::string> dataFromTarget(std::string_view target, std::string data);

    static std::string latin1ToUtf8(std::string_view latin1);
    // Characters beyond Latin-1 become '?'.
    static std::string utf8ToLatin1(std::string_view utf8);
};

}  // namespace platform
