#pragma once

#include <string>
#include <vector>

#include "agent/library/Group.h"
#include "agent/library/SharedPurlaneData2.h"
#include "platform/coding/Decoder.h"
#include "platform/coding/PropertyList.h"
#include "platform/core/Result.h"

// The records of the first property-list layout of "purlane9-groups-builtin.plist" and
// "purlane9-groups-user.plist", which kept the row kind in the file instead of in the token.

struct GroupV1Item {
    ItemType type = ItemType::token;
    // In memory only; the files never held it.
    bool starred = false;
    // The cleaner token (rows of type token).
    std::string value;
    // The display name, or the heading text of a label.
    std::string name;
    std::string desc;
    ItemColor color_tag = ItemColor::auto_;

    // "type" 0 to 2 and "color_tag" 0 to 7, else the data is corrupt.
    static GroupV1Item decode(platform::Decoder& decoder);
    // The row of the current layout: labels and separators by their marker tokens.
    GroupItem converted() const;
};

struct GroupV1 {
    std::string name;
    std::string uuid;
    std::vector<GroupV1Item> items;

    static GroupV1 decode(platform::Decoder& decoder);
    Group converted() const;
};

// Root of the built-in file: {"groups", "library"}.
struct BuiltinGroupDataV1 {
    std::vector<GroupV1> groups;
    GroupV1 library;

    static platform::Result<BuiltinGroupDataV1> fromPropertyList(
        const platform::PropertyList& value);
    BuiltinGroupData converted() const;
};

// Root of the user file: {"groups", "ccleaners"}.
struct UserGroupDataV1 {
    std::vector<GroupV1> groups;
    GroupV1 ccleaners;

    static platform::Result<UserGroupDataV1> fromPropertyList(const platform::PropertyList& value);
    UserGroupData converted() const;
};
