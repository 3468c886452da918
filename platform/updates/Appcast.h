#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Result.h"

namespace platform {

// One release of an appcast: an RSS item with the update namespace's version fields.
struct AppcastItem {
    std::string title;
    // The build number the update carries (compared with CFBundleVersion).
    std::string version;
    // The version shown to the user (CFBundleShortVersionString); the build when absent.
    std::string shortVersion;
    std::string releaseNotesLink;
    // Release notes given inline (HTML), used when there is no link.
    std::string description;
    std::string enclosureURL;
    std::optional<uint64_t> enclosureLength;
    std::string enclosureType;
    // Base64 Ed25519 signature of the enclosure's bytes.
    std::string signature;

    std::string displayVersion() const { return shortVersion.empty() ? version : shortVersion; }
};

// An RSS 2.0 feed of releases. The update fields live in a namespace of their own; any prefix
// is accepted, as feeds name it as they like:
//   <item><title/><xx:version/><xx:shortVersionString/><xx:releaseNotesLink/><description/>
//         <enclosure url="" length="" type="" xx:version="" xx:shortVersionString=""
//                    xx:signature=""/></item>
// Version fields on the enclosure stand in for missing ones on the item.
class Appcast {
  public:
    // Items without a version or without an enclosure URL are left out: they cannot be offered.
    static Result<Appcast> parse(std::string_view xml);

    const std::vector<AppcastItem>& items() const { return items_; }

    // The newest item newer than `currentVersion`, unless it is not newer than `skippedVersion`
    // (a skipped version stays skipped until a later one comes).
    std::optional<AppcastItem> bestUpdate(const std::string& currentVersion,
                                          const std::optional<std::string>& skippedVersion) const;

    // Orders version strings as builds are numbered: numbers numerically, letters
    // alphabetically, a number after a common prefix newer than letters ("1.0.1" > "1.0" >
    // "1.0b2" > "1.0b1"). Negative, zero or positive like strcmp.
    static int compareVersions(std::string_view a, std::string_view b);

  private:
    std::vector<AppcastItem> items_;
};

}  // namespace platform
