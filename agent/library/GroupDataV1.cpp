#include "agent/library/GroupDataV1.h"

GroupV1Item GroupV1Item::decode(platform::Decoder& decoder) {
    GroupV1Item item;
    const int64_t type = decoder.integer("type");
    item.value = decoder.string("value");
    item.name = decoder.string("name");
    item.desc = decoder.string("desc");
    const int64_t color = decoder.integer("color_tag");
    if (decoder.failed()) return {};
    const auto itemType = itemTypeFromRaw(type);
    if (!itemType) {
        decoder.failBadValue("type", "no row type " + std::to_string(type));
        return {};
    }
    const auto itemColor = itemColorFromRaw(color);
    if (!itemColor) {
        decoder.failBadValue("color_tag", "no colour tag " + std::to_string(color));
        return {};
    }
    item.type = *itemType;
    item.color_tag = *itemColor;
    return item;
}

GroupItem GroupV1Item::converted() const {
    // Labels and separators take the plain colour and no description, whatever the file says.
    return makeItem(type, value, name, desc, color_tag);
}

GroupV1 GroupV1::decode(platform::Decoder& decoder) {
    GroupV1 group;
    group.name = decoder.string("name");
    group.uuid = decoder.string("uuid");
    group.items =
        decoder.array("items", [](platform::Decoder& d) { return GroupV1Item::decode(d); });
    if (decoder.failed()) return {};
    return group;
}

Group GroupV1::converted() const {
    Group group(name, uuid);
    group.items.reserve(items.size());
    for (const auto& item : items) group.items.push_back(item.converted());
    return group;
}

namespace {

std::vector<GroupV1> decodeGroups(platform::Decoder& decoder) {
    return decoder.array("groups", [](platform::Decoder& d) { return GroupV1::decode(d); });
}

GroupV1 decodeGroup(platform::Decoder& decoder, const char* key) {
    return decoder.nested(key, [](platform::Decoder& d) { return GroupV1::decode(d); });
}

std::vector<Group> convertGroups(const std::vector<GroupV1>& groups) {
    std::vector<Group> converted;
    converted.reserve(groups.size());
    for (const auto& group : groups) converted.push_back(group.converted());
    return converted;
}

}  // namespace

platform::Result<BuiltinGroupDataV1> BuiltinGroupDataV1::fromPropertyList(
    const platform::PropertyList& value) {
    platform::Decoder decoder(value);
    BuiltinGroupDataV1 data;
    data.groups = decodeGroups(decoder);
    data.library = decodeGroup(decoder, "library");
    if (decoder.failed()) return decoder.error();
    return data;
}

BuiltinGroupData BuiltinGroupDataV1::converted() const {
    return {convertGroups(groups), library.converted()};
}

platform::Result<UserGroupDataV1> UserGroupDataV1::fromPropertyList(
    const platform::PropertyList& value) {
    platform::Decoder decoder(value);
    UserGroupDataV1 data;
    data.groups = decodeGroups(decoder);
    data.ccleaners = decodeGroup(decoder, "ccleaners");
    if (decoder.failed()) return decoder.error();
    return data;
}

UserGroupData UserGroupDataV1::converted() const {
    return {convertGroups(groups), ccleaners.converted()};
}
