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

bool operator==(const Group& a, const Group& b) {
    return a.name == b.name && a.uuid == b.uuid && a.items == b.items;
}
