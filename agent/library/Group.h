#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "agent/library/GroupItem.h"
#include "agent/library/IGroup.h"
#include "platform/coding/Decoder.h"
#include "platform/coding/PropertyList.h"
#include "platform/core/Result.h"

// A named, ordered list of rows, identified by its uuid. Stored by key as
// {"name", "uuid", "items"}, all required.
class Group : public IGroup {
  public:
    // Uuids of the special groups; the same strings key their localized names.
    static constexpr const char* kLibraryUuid = "##Library";
    static constexpr const char* kCustomUuid = "##Custom";
    static constexpr const char* kStandardUuid = "##Standard";
    static constexpr const char* kFavoritesUuid = "##Favorites";
    static constexpr const char* kRecentsUuid = "##Recents";
    static constexpr const char* kMissingUuid = "##MISSING";
    // The strings table of the built-in groups' names and the developer comment of its keys.
    static constexpr const char* kBuiltinGroupsTable = "builtin_groups";
    static constexpr const char* kBuiltinGroupsComment = "Builtin Group names";

    Group() = default;
    Group(std::string name, std::string uuid, std::vector<GroupItem> items = {});

    std::string name;
    std::string uuid;
    std::vector<GroupItem> items;

    const std::string& groupName() const override { return name; }
    const std::string& groupUuid() const override { return uuid; }
    const std::vector<GroupItem>& groupItems() const override { return items; }

    // Failures are recorded in `decoder`.
    static Group decode(platform::Decoder& decoder);
    static platform::Result<Group> fromPropertyList(const platform::PropertyList& value);
    platform::PropertyList encode() const;

    // A required array of groups, and a required single group, under `key`; failures are
    // recorded in `decoder`.
    static std::vector<Group> decodeArray(platform::Decoder& decoder, std::string_view key);
    static Group decodeNested(platform::Decoder& decoder, std::string_view key);
    static platform::PropertyList encodeArray(const std::vector<Group>& groups);

    // Name, uuid and every item in order.
    friend bool operator==(const Group& a, const Group& b);
    friend bool operator!=(const Group& a, const Group& b) { return !(a == b); }
    // By name only, byte-wise (case-sensitive, not localized).
    friend bool operator<(const Group& a, const Group& b) { return a.name < b.name; }
    friend bool operator>(const Group& a, const Group& b) { return b < a; }
    friend bool operator<=(const Group& a, const Group& b) { return !(b < a); }
    friend bool operator>=(const Group& a, const Group& b) { return !(a < b); }
};
