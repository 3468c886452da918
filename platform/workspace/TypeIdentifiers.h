#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The OS's uniform type identifiers as far as the system deals in them: the declared types with
// what each conforms to, the preferred type for a file-name extension, and the dynamic
// identifiers ("dyn.…") the OS makes up for anything it has no declaration of. A dynamic
// identifier conforms to nothing but itself (and the two roots every item has).
class TypeIdentifiers {
  public:
    static constexpr std::string_view kItem = "public.item";
    static constexpr std::string_view kContent = "public.content";
    static constexpr std::string_view kData = "public.data";
    static constexpr std::string_view kDirectory = "public.directory";
    static constexpr std::string_view kFolder = "public.folder";
    static constexpr std::string_view kPackage = "com.apple.package";
    static constexpr std::string_view kText = "public.text";
    static constexpr std::string_view kPlainText = "public.plain-text";
    static constexpr std::string_view kUTF8PlainText = "public.utf8-plain-text";
    static constexpr std::string_view kUTF16PlainText = "public.utf16-plain-text";
    static constexpr std::string_view kUTF16ExternalPlainText = "public.utf16-external-plain-text";
    static constexpr std::string_view kRTF = "public.rtf";
    static constexpr std::string_view kRTFD = "com.apple.rtfd";
    static constexpr std::string_view kFlatRTFD = "com.apple.flat-rtfd";
    static constexpr std::string_view kHTML = "public.html";
    static constexpr std::string_view kXML = "public.xml";
    static constexpr std::string_view kMarkdown = "net.daringfireball.markdown";
    static constexpr std::string_view kSourceCode = "public.source-code";
    static constexpr std::string_view kImage = "public.image";

    // Whether `type` is `other` or declared (directly or through its parents) to conform to it.
    // Identifiers compare without regard to case, as the OS's do.
    static bool conformsTo(std::string_view type, std::string_view other);
    // Whether the OS declares the type (dynamic identifiers are not declared).
    static bool isDeclared(std::string_view type);
    static bool isDynamic(std::string_view type);

    // The declared type whose preferred or other extension `extension` is (any case); a dynamic
    // identifier for an extension nobody declared. Empty extension: public.data.
    static std::string preferredIdentifierForExtension(std::string_view extension);
    // The dynamic identifier the OS gives an undeclared extension: the tag list
    // "?0=6:1=<extension>" in its base-32 alphabet after "dyn.a".
    static std::string dynamicIdentifierForExtension(std::string_view extension);

    // The identifiers the type conforms to directly.
    static std::vector<std::string> parents(std::string_view type);
};

}  // namespace platform
