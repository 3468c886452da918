#include "agent/library/UserGroupData.h"

UserGroupData UserGroupData::decode(platform::Decoder& decoder) {
    UserGroupData data;
    data.groups = Group::decodeArray(decoder, "groups");
    data.ccleaners = Group::decodeNested(decoder, "ccleaners");
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
        {"groups", Group::encodeArray(groups)},
        {"ccleaners", ccleaners.encode()},
    };
}

bool operator==(const UserGroupData& a, const UserGroupData& b) {
    return a.groups == b.groups && a.ccleaners == b.ccleaners;
}
