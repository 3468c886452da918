#pragma once

#include <vector>

#include "agent/library/Group.h"
#include "platform/coding/Decoder.h"
#include "platform/coding/PropertyList.h"
#include "platform/core/Result.h"

// The user's half of a library: the user's groups and the custom-cleaners group ("##Custom").
// Stored by key as {"groups", "ccleaners"}, both required.
struct UserGroupData {
    std::vector<Group> groups;
    Group ccleaners;

    static UserGroupData decode(platform::Decoder& decoder);
    static platform::Result<UserGroupData> fromPropertyList(const platform::PropertyList& value);
    platform::PropertyList encode() const;

    friend bool operator==(const UserGroupData& a, const UserGroupData& b);
    friend bool operator!=(const UserGroupData& a, const UserGroupData& b) { return !(a == b); }
};
