#include "agent/library/UserGroupData.h"

namespace {

platform::PropertyList encodeGroups(const std::vector<Group>& groups) {
    platform::PropertyList::Array encoded;
    encoded.reserve(groups.size());
    for (const auto& group : groups) encoded.push_back(group.encode());
    return encoded;
}

}  // namespace

UserGroupData UserGroupData::decode(platform::Decoder& decoder) {
    UserGroupData data;
    data.groups = decoder.array("groups", [](platform::Decoder& d) { return Group::decode(d); });
    data.ccleaners =
        decoder.nested("ccleaners", [](platform::Decoder& d) { return Group::decode(d); });
    if (decoder.failed()) return {};
    return data;
}

platform::Result<UserGroupData> UserGroupData::fromPropertyList(
    const platform::PropertyList& value) {
    platform::Decoder decoder(value);
    UserGroupData data = decode(decoder);
    if (decoder.failed()) return decoder.error();
    return data;
}

platform::PropertyList UserGroupData::encode() const {
    return platform::PropertyList::Dictionary{
        {"groups", encodeGroups(groups)},
        {"ccleaners", ccleaners.encode()},
    };
}

bool operator==(const UserGroupData& a, const UserGroupData& b) {
    return a.groups == b.groups && a.ccleaners == b.ccleaners;
}
