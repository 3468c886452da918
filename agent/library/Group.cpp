#include "agent/library/Group.h"

#include <utility>

Group::Group(std::string name, std::string uuid, std::vector<GroupItem> items)
    : name(std::move(name)), uuid(std::move(uuid)), items(std::move(items)) {}

Group Group::decode(platform::Decoder& decoder) {
    Group group;
    group.name = decoder.string("name");
    group.uuid = decoder.string("uuid");
    group.items = decoder.array("items", [](platform::Decoder& d) { return GroupItem::decode(d); });
    if (decoder.failed()) return {};
    return group;
}

platform::Result<Group> Group::fromPropertyList(const platform::PropertyList& value) {
    platform::Decoder decoder(value);
    Group group = decode(decoder);
    if (decoder.failed()) return decoder.error();
    return group;
}

platform::PropertyList Group::encode() const {
    platform::PropertyList::Array encoded;
    encoded.reserve(items.size());
    for (const auto& item : items) encoded.push_back(item.encode());
    return platform::PropertyList::Dictionary{
        {"name", name},
        {"uuid", uuid},
        {"items", std::move(encoded)},
    };
}

std::vector<Group> Group::decodeArray(platform::Decoder& decoder, std::string_view key) {
    return decoder.array(key, [](platform::Decoder& d) { return decode(d); });
}

Group Group::decodeNested(platform::Decoder& decoder, std::string_view key) {
    return decoder.nested(key, [](platform::Decoder& d) { return decode(d); });
}

platform::PropertyList Group::encodeArray(const std::vector<Group>& groups) {
    platform::PropertyList::Array encoded;
    encoded.reserve(groups.size());
    for (const auto& group : groups) encoded.push_back(group.encode());
    return encoded;
}

bool operator==(const Group& a, const Group& b) {
    return a.name == b.name && a.uuid == b.uuid && a.items == b.items;
}
