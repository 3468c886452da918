#pragma once

#include <vector>

#include "agent/library/Group.h"
#include "platform/coding/Decoder.h"
#include "platform/coding/PropertyList.h"
#include "platform/core/Result.h"

// The built-in half of a library: the engine's groups and the library group ("##Library").
// Stored by key as {"groups", "library"}, both required.
struct BuiltinGroupData {
    std::vector<Group> groups;
    Group library;

    static BuiltinGroupData decode(platform::Decoder& decoder);
    static platform::Result<BuiltinGroupData> fromPropertyList(const platform::PropertyList& value);
    platform::PropertyList encode() const;

    friend bool operator==(const BuiltinGroupData& a, const BuiltinGroupData& b);
    friend bool operator!=(const BuiltinGroupData& a, const BuiltinGroupData& b) {
        return !(a == b);
    }
};
