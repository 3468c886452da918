#include "agent/library/FavoritesAndRecents.h"

namespace {

// Looked up with the developer comment Group::kBuiltinGroupsComment.
Group emptyBuiltinGroup(const platform::Localization& localization, const char* uuid) {
    return Group(localization.localizedString(uuid, Group::kBuiltinGroupsTable), uuid);
}

}  // namespace

FavoritesAndRecents::FavoritesAndRecents(const platform::Localization& localization)
    : favorites_(emptyBuiltinGroup(localization, Group::kFavoritesUuid)),
      recents_(emptyBuiltinGroup(localization, Group::kRecentsUuid)) {}

FavoritesAndRecents& FavoritesAndRecents::shared() {
    static FavoritesAndRecents instance(platform::Localization::main());
    return instance;
}
