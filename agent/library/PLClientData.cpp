#include "agent/library/PLClientData.h"

#include "platform/workspace/Localization.h"

void PLClientData::update(const SharedPurlaneData2& data) {
    const auto addCleaners = [this](const Group& group) {
        for (const auto& item : group.items) {
            tokenInfo.tokens.insert_or_assign(item.token,
                                              TokenData{item.token, item.name, item.desc});
            tokenInfo.nameLookup.insert_or_assign(item.name, item.token);
        }
    };
    addCleaners(data.builtin.library);
    addCleaners(data.user.ccleaners);

    groupInfo.builtin.clear();
    groupInfo.builtin.reserve(data.builtin.groups.size() + 2);
    for (const auto& group : data.builtin.groups) groupInfo.builtin.push_back(group.uuid);
    groupInfo.builtin.push_back(data.builtin.library.uuid);
    groupInfo.builtin.push_back(data.user.ccleaners.uuid);

    groupInfo.user.clear();
    groupInfo.user.reserve(data.user.groups.size());
    for (const auto& group : data.user.groups) groupInfo.user.push_back(group.uuid);

    const auto addGroup = [this](const Group& group) {
        groupInfo.table.insert_or_assign(group.uuid, group);
        groupInfo.nameLookup.insert_or_assign(group.name, group.uuid);
        groupInfo.tokenLookup.insert_or_assign(group.uuid, group.name);
    };
    for (const auto& group : data.builtin.groups) addGroup(group);
    for (const auto& group : data.user.groups) addGroup(group);
    addGroup(data.builtin.library);
    addGroup(data.user.ccleaners);
}

std::vector<std::string> PLClientData::groupNames(int type) const {
    std::vector<const std::string*> uuids;
    const auto select = [&uuids](const std::vector<std::string>& list, bool withLibrary) {
        for (const auto& uuid : list)
            if (withLibrary || uuid != Group::kLibraryUuid) uuids.push_back(&uuid);
    };
    switch (static_cast<PLGroupType>(type)) {
        case PLGroupType::all:
            select(groupInfo.builtin, true);
            select(groupInfo.user, true);
            break;
        case PLGroupType::builtin:
            select(groupInfo.builtin, true);
            break;
        case PLGroupType::builtinWithoutLibrary:
            select(groupInfo.builtin, false);
            break;
        case PLGroupType::user:
            select(groupInfo.user, true);
            break;
        default:
            break;
    }
    std::vector<std::string> names;
    names.reserve(uuids.size());
    for (const std::string* uuid : uuids)
        if (const auto it = groupInfo.tokenLookup.find(*uuid); it != groupInfo.tokenLookup.end())
            names.push_back(it->second);
    return names;
}

Group PLClientData::groupNamed(const std::string& name) const {
    const auto byName = groupInfo.nameLookup.find(name);
    const std::string& uuid = byName == groupInfo.nameLookup.end() ? name : byName->second;
    if (auto group = groupWithUuid(uuid)) return std::move(*group);
    return Group(platform::localized("Missing", "GroupName"), Group::kMissingUuid);
}

std::optional<Group> PLClientData::groupWithUuid(const std::string& uuid) const {
    const auto it = groupInfo.table.find(uuid);
    if (it == groupInfo.table.end()) return std::nullopt;
    Group group = it->second;
    if (group.uuid == Group::kStandardUuid || group.uuid == Group::kLibraryUuid)
        appendCustomCleaners(group);
    return group;
}

void PLClientData::appendCustomCleaners(Group& group) const {
    // A library whose custom group has another uuid has nothing to append; the group is shown
    // as stored rather than with an empty heading.
    const auto custom = groupInfo.table.find(Group::kCustomUuid);
    if (custom == groupInfo.table.end()) return;
    const Group& cleaners = custom->second;
    group.items.reserve(group.items.size() + cleaners.items.size() + 1);
    group.items.push_back(
        makeItem(GroupItem::kLabelPrefix + cleaners.name, cleaners.name, {}, ItemColor::auto_));
    group.items.insert(group.items.end(), cleaners.items.begin(), cleaners.items.end());
}

std::string PLClientData::nameFor(const std::string& token) const {
    const auto it = tokenInfo.tokens.find(token);
    return it == tokenInfo.tokens.end() ? token : it->second.name;
}

std::string PLClientData::tokenFor(const std::string& name) const {
    const auto it = tokenInfo.nameLookup.find(name);
    return it == tokenInfo.nameLookup.end() ? name : it->second;
}

std::vector<std::string> PLClientData::libraryTokenList() const {
    std::vector<std::string> tokens;
    const Group library = groupNamed(Group::kLibraryUuid);
    tokens.reserve(library.items.size());
    for (const auto& item : library.items) tokens.push_back(item.token);
    return tokens;
}
