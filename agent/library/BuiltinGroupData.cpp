#include "agent/library/BuiltinGroupData.h"

namespace {

platform::PropertyList encodeGroups(const std::vector<Group>& groups) {
    platform::PropertyList::Array encoded;
    encoded.reserve(groups.size());
    for (const auto& group : groups) encoded.push_back(group.encode());
    return encoded;
}

}  // namespace

BuiltinGroupData BuiltinGroupData::decode(platform::Decoder& decoder) {
    BuiltinGroupData data;
    data.groups = decoder.array("groups", [](platform::Decoder& d) { return Group::decode(d); });
    data.library = decoder.nested("library", [](platform::Decoder& d) { return Group::decode(d); });
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
        {"groups", encodeGroups(groups)},
        {"library", library.encode()},
    };
}

bool operator==(const BuiltinGroupData& a, const BuiltinGroupData& b) {
    return a.groups == b.groups && a.library == b.library;
}
