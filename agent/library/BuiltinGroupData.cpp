#include "agent/library/BuiltinGroupData.h"

BuiltinGroupData BuiltinGroupData::decode(platform::Decoder& decoder) {
    BuiltinGroupData data;
    data.groups = Group::decodeArray(decoder, "groups");
    data.library = Group::decodeNested(decoder, "library");
    if (decoder.failed()) return {};
    return data;
}

platform::Result<BuiltinGroupData> BuiltinGroupData::fromPropertyList(
    const platform::PropertyList& value) {
    platform::Decoder decoder(value);
    BuiltinGroupData data = decode(decoder);
    if (decoder.failed()) return decoder.error();
    return data;
}

platform::PropertyList BuiltinGroupData::encode() const {
    return platform::PropertyList::Dictionary{
        {"groups", Group::encodeArray(groups)},
        {"library", library.encode()},
    };
}

bool operator==(const BuiltinGroupData& a, const BuiltinGroupData& b) {
    return a.groups == b.groups && a.library == b.library;
}
