#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/coding/PropertyList.h"

namespace platform {

class Url;

// An application bundle on disk: `X.app/Contents/{Info.plist, MacOS, Resources, ...}`.
//
// Any existing folder opens, as on the OS: a folder without a readable Info.plist is a bundle
// with an empty info dictionary and so no identifier. Callers that need a real bundle check
// bundleIdentifier().
class Bundle {
  public:
    // The bundle of the running program, found from /proc/self/exe; computed once.
    static const Bundle& main();
    // Nothing when the folder does not exist (or is not a folder).
    static std::optional<Bundle> open(const std::filesystem::path& bundlePath);
    // Nothing for URLs other than file URLs.
    static std::optional<Bundle> open(const Url& url);

    // ".../X.app" for ".../X.app/Contents/MacOS/exe"; otherwise the executable's folder (tools
    // in build/bin are not bundles).
    static std::filesystem::path bundlePathForExecutable(const std::filesystem::path& executable);

    const std::filesystem::path& bundlePath() const { return path_; }
    Url bundleURL() const;
    std::optional<std::string> bundleIdentifier() const;

    const PropertyList::Dictionary& infoDictionary() const { return info_; }
    const PropertyList* objectForInfoDictionaryKey(std::string_view key) const;
    // The value of `key` when it is a string.
    std::optional<std::string> infoString(std::string_view key) const;

    // Contents/MacOS/<CFBundleExecutable>; nothing when the info does not name one (for the
    // main bundle of a plain tool, the tool itself).
    std::optional<std::filesystem::path> executablePath() const;
    std::filesystem::path resourcePath() const;
    std::filesystem::path sharedSupportPath() const;
    std::filesystem::path loginItemsPath() const;

    // Looks in Resources/<subdirectory>/ and then in the development localization,
    // Resources/en.lproj/<subdirectory>/. An empty `extension` means `name` is the whole file
    // name.
    std::optional<std::filesystem::path> pathForResource(std::string_view name,
                                                         std::string_view extension,
                                                         std::string_view subdirectory = {}) const;

    static constexpr const char* kDevelopmentLocalization = "en";

  private:
    Bundle(std::filesystem::path path, PropertyList::Dictionary info);
    static PropertyList::Dictionary readInfo(const std::filesystem::path& bundlePath);

    std::filesystem::path path_;
    PropertyList::Dictionary info_;
    std::optional<std::filesystem::path> executable_;  // only for a main bundle that is a tool
};

}  // namespace platform
