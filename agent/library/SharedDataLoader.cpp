#include "agent/library/SharedDataLoader.h"

#include <system_error>

#include "agent/library/ExportGroupList.h"
#include "agent/library/GroupDataV1.h"
#include "agent/library/PL8ListData.h"
#include "platform/coding/PropertyListSerialization.h"
#include "platform/core/Log.h"

namespace fs = std::filesystem;
using platform::Result;

SharedDataLoader::SharedDataLoader(const platform::GroupContainers& containers,
                                   const platform::UserDefaults& standardDefaults)
    : containers_(containers), standardDefaults_(standardDefaults) {}

std::optional<fs::path> SharedDataLoader::dataFolder() const {
    const auto container =
        containers_.containerURLForSecurityApplicationGroupIdentifier(kGroupIdentifier);
    if (!container) return std::nullopt;
    fs::path folder = fs::path(container->path()) / kDataFolderName;
    // A folder that cannot be made shows up as missing files below.
    std::error_code ignored;
    fs::create_directories(folder, ignored);
    return folder;
}

Result<SharedPurlaneData2> SharedDataLoader::readJson(const fs::path& folder) {
    auto builtin = ExportGroupList::readFile(folder / kBuiltinJson);
    if (!builtin) return builtin.error();
    auto user = ExportGroupList::readFile(folder / kUserJson);
    if (!user) return user.error();
    // Each file is converted with its own lookup.
    SharedPurlaneData2 data;
    data.builtin.groups = builtin->convertedGroups();
    data.builtin.library = builtin->convert(builtin->special);
    data.user.groups = user->convertedGroups();
    data.user.ccleaners = user->convert(user->special);
    return data;
}

namespace {

template <class T, class Decode>
Result<T> readPropertyList(const fs::path& path, Decode decode) {
    auto plist = platform::PropertyListSerialization::readFile(path);
    if (!plist) return plist.error();
    return decode(*plist);
}

}  // namespace

Result<SharedPurlaneData2> SharedDataLoader::readPropertyLists(const fs::path& folder) {
    auto builtin = readPropertyList<BuiltinGroupData>(folder / kBuiltinPlist,
                                                      BuiltinGroupData::fromPropertyList);
    if (!builtin) return builtin.error();
    auto user =
        readPropertyList<UserGroupData>(folder / kUserPlist, UserGroupData::fromPropertyList);
    if (!user) return user.error();
    return SharedPurlaneData2{std::move(builtin).value(), std::move(user).value()};
}

Result<SharedPurlaneData2> SharedDataLoader::readPropertyListsV1(const fs::path& folder) {
    auto builtin = readPropertyList<BuiltinGroupDataV1>(folder / kBuiltinPlist,
                                                        BuiltinGroupDataV1::fromPropertyList);
    if (!builtin) return builtin.error();
    auto user =
        readPropertyList<UserGroupDataV1>(folder / kUserPlist, UserGroupDataV1::fromPropertyList);
    if (!user) return user.error();
    return SharedPurlaneData2{builtin->converted(), user->converted()};
}

Result<SharedPurlaneData2> SharedDataLoader::readLegacyLists(const fs::path& folder) {
    auto lists = PL8ListData::readFile(folder / kLegacyLists);
    if (!lists) return lists.error();
    return lists->converted();
}

std::optional<SharedPurlaneData2> SharedDataLoader::loadSharedData() const {
    const auto folder = dataFolder();
    const auto attempt = [&folder](Result<SharedPurlaneData2> (*read)(
                             const fs::path&)) -> std::optional<SharedPurlaneData2> {
        auto data = read(*folder);
        if (data) return std::move(data).value();
        platform::print(data.error().localizedDescription);
        return std::nullopt;
    };
    if (standardDefaults_.boolForKey(kPL8ConnectKey)) {
        // The version-8 engine has no other files; nothing else is tried.
        if (!folder) return std::nullopt;
        return attempt(readLegacyLists);
    }
    if (!folder) return std::nullopt;
    if (auto data = attempt(readJson)) return data;
    if (auto data = attempt(readPropertyLists)) return data;
    return attempt(readPropertyListsV1);
}

bool SharedDataLoader::reloadLibrary(PLClientData& snapshot) const {
    auto data = loadSharedData();
    if (!data) return false;
    snapshot.update(*data);
    return true;
}
