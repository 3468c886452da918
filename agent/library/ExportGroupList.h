#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "agent/library/Group.h"
#include "platform/coding/Decoder.h"
#include "platform/coding/PropertyList.h"
#include "platform/core/Result.h"

// One group of the engine's JSON export: rows by token, with optional parallel colour tags and
// stars. Names and descriptions live in the list's lookup, not in the group.
struct ExportGroup {
    std::string uuid;
    std::string name;
    std::vector<std::string> tokens;
    std::optional<std::vector<int64_t>> colortags;
    // Decoded so that a malformed file fails as a whole; the agent shows no stars.
    std::optional<std::vector<bool>> stars;

    static ExportGroup decode(platform::Decoder& decoder);
};

// The top-level object of "purlane9-groups-builtin.json" and "purlane9-groups-user.json".
struct ExportGroupList {
    std::vector<ExportGroup> groups;
    // The library group (built-in file) or the custom-cleaners group (user file).
    ExportGroup special;
    // Token to its texts: element 0 the name, element 1 the description.
    std::unordered_map<std::string, std::vector<std::string>> lookup;

    static ExportGroupList decode(platform::Decoder& decoder);
    static platform::Result<ExportGroupList> fromPropertyList(const platform::PropertyList& value);
    // Reads and decodes a whole file; a missing file is the OS's "no such file" error.
    static platform::Result<ExportGroupList> readFile(const std::filesystem::path& path);

    // The group with one row per token that has a lookup entry; other tokens are dropped.
    Group convert(const ExportGroup& group) const;
    std::vector<Group> convertedGroups() const;
};
