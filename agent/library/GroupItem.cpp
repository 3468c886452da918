#include "agent/library/GroupItem.h"

#include <string_view>

namespace {

bool startsWith(const std::string& s, std::string_view prefix) {
    return s.size() >= prefix.size() && std::string_view(s).substr(0, prefix.size()) == prefix;
}

}  // namespace

bool GroupItem::isLabel() const {
    return startsWith(token, kLabelPrefix);
}

bool GroupItem::isSpacer() const {
    return token == kSpacerToken;
}

GroupItem GroupItem::decode(platform::Decoder& decoder) {
    GroupItem item;
    item.token = decoder.string("token");
    item.name = decoder.string("name");
    item.desc = decoder.string("desc");
    const int64_t raw = decoder.integer("color_tag");
    if (decoder.failed()) return {};
    const auto color = itemColorFromRaw(raw);
    if (!color) {
        decoder.failBadValue("color_tag", "no colour tag " + std::to_string(raw));
        return {};
    }
    item.color_tag = *color;
    return item;
}

platform::Result<GroupItem> GroupItem::fromPropertyList(const platform::PropertyList& value) {
    platform::Decoder decoder(value);
    GroupItem item = decode(decoder);
    if (decoder.failed()) return decoder.error();
    return item;
}

platform::PropertyList GroupItem::encode() const {
    return platform::PropertyList::Dictionary{
        {"token", token},
        {"name", name},
        {"desc", desc},
        {"color_tag", rawValue(color_tag)},
    };
}

bool operator==(const GroupItem& a, const GroupItem& b) {
    return a.type == b.type && a.starred == b.starred && a.token == b.token && a.name == b.name &&
           a.desc == b.desc && a.color_tag == b.color_tag;
}

GroupItem makeItem(const std::string& token, const std::string& name, const std::string& desc,
                   ItemColor color) {
    const std::string prefix = GroupItem::kLabelPrefix;
    if (token == GroupItem::kSpacerToken || token == GroupItem::kSpacerName)
        return {ItemType::token, false, GroupItem::kSpacerToken, GroupItem::kSpacerName, {}, color};
    if (token == prefix) return {ItemType::token, false, prefix + name, name, {}, color};
    if (startsWith(token, prefix))
        return {ItemType::label, false, token, token.substr(prefix.size()), {}, color};
    return {ItemType::token, false, token, name, desc, color};
}

GroupItem makeItem(ItemType type, const std::string& token, const std::string& name,
                   const std::string& desc, ItemColor color) {
    switch (type) {
        case ItemType::label:
            return makeItem(GroupItem::kLabelPrefix + name, name, {}, ItemColor::auto_);
        case ItemType::separator:
            return makeItem(GroupItem::kSpacerToken, GroupItem::kSpacerName, {}, ItemColor::auto_);
        case ItemType::token:
            break;
    }
    return makeItem(token, name, desc, color);
}
