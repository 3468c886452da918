#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "agent/library/PLClientData.h"
#include "agent/library/SharedPurlaneData2.h"
#include "platform/core/Result.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/workspace/GroupContainers.h"

// Reads the engine's library from the files it publishes in the shared group container, or,
// when the agent serves the version-8 engine, from that engine's list file.
class SharedDataLoader {
  public:
    static constexpr const char* kGroupIdentifier = "KQ4MZR7WXN.com.halvik.purlane";
    static constexpr const char* kDataFolderName = "Data";
    static constexpr const char* kPL8ConnectKey = "PL8Connect";
    static constexpr const char* kBuiltinJson = "purlane9-groups-builtin.json";
    static constexpr const char* kUserJson = "purlane9-groups-user.json";
    static constexpr const char* kBuiltinPlist = "purlane9-groups-builtin.plist";
    static constexpr const char* kUserPlist = "purlane9-groups-user.plist";
    static constexpr const char* kLegacyLists = "purlane-lists.plist";

    // `standardDefaults` holds "PL8Connect".
    SharedDataLoader(const platform::GroupContainers& containers,
                     const platform::UserDefaults& standardDefaults);

    // The container's "Data" folder, created when missing; nothing without a container.
    std::optional<std::filesystem::path> dataFolder() const;

    // The library from the source the settings choose: the version-8 list file, or else the
    // first of the JSON pair, the property-list pair and the first-layout property-list pair
    // that reads. Each failure prints its description as one line.
    std::optional<SharedPurlaneData2> loadSharedData() const;

    // Loads and merges into `snapshot`. False when nothing could be loaded: the snapshot is
    // then unchanged and there is nothing to announce.
    bool reloadLibrary(PLClientData& snapshot) const;

    // One family each; both files of a family must read and decode.
    static platform::Result<SharedPurlaneData2> readJson(const std::filesystem::path& folder);
    static platform::Result<SharedPurlaneData2> readPropertyLists(
        const std::filesystem::path& folder);
    static platform::Result<SharedPurlaneData2> readPropertyListsV1(
        const std::filesystem::path& folder);
    static platform::Result<SharedPurlaneData2> readLegacyLists(
        const std::filesystem::path& folder);

  private:
    const platform::GroupContainers& containers_;
    const platform::UserDefaults& standardDefaults_;
};
