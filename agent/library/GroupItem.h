#pragma once

#include <string>

#include "agent/library/ItemColor.h"
#include "agent/library/ItemType.h"
#include "platform/coding/Decoder.h"
#include "platform/coding/PropertyList.h"
#include "platform/core/Result.h"

// One row of a group: a cleaner, a heading (token "#LABEL:" + text) or a spacer ("#SPACER").
// Stored by key as {"token", "name", "desc", "color_tag"}; `type` and `starred` are not stored.
struct GroupItem {
    static constexpr const char* kLabelPrefix = "#LABEL:";
    static constexpr const char* kSpacerToken = "#SPACER";
    // The name of a spacer row, also accepted as a token meaning "spacer".
    static constexpr const char* kSpacerName = "-";

    ItemType type = ItemType::token;
    bool starred = false;
    std::string token;
    std::string name;
    std::string desc;
    ItemColor color_tag = ItemColor::auto_;

    // Rows are classified by token: a heading shows its name, a spacer a separator line, any
    // other row is a cleaner applied by its token.
    bool isLabel() const;
    bool isSpacer() const;
    bool isCleaner() const { return !isLabel() && !isSpacer(); }

    // Reads the four stored keys (all required; "color_tag" 0 to 7). Failures are recorded in
    // `decoder`, as for any member decoded with it.
    static GroupItem decode(platform::Decoder& decoder);
    static platform::Result<GroupItem> fromPropertyList(const platform::PropertyList& value);
    platform::PropertyList encode() const;

    // All six fields.
    friend bool operator==(const GroupItem& a, const GroupItem& b);
    friend bool operator!=(const GroupItem& a, const GroupItem& b) { return !(a == b); }
    // By name only; two different items may compare as neither less nor greater.
    friend bool operator<(const GroupItem& a, const GroupItem& b) { return a.name < b.name; }
    friend bool operator>(const GroupItem& a, const GroupItem& b) { return b < a; }
    friend bool operator<=(const GroupItem& a, const GroupItem& b) { return !(b < a); }
    friend bool operator>=(const GroupItem& a, const GroupItem& b) { return !(a < b); }
};

// The row for a token as the library files give it:
//   "#SPACER" or "-"           a spacer (token "#SPACER", name "-", no description)
//   "#LABEL:" + text           a label named by the text, type label, no description
//   exactly "#LABEL:"          a row with token "#LABEL:" + name, named `name`, no description
//   anything else              a cleaner with the given name and description
// `starred` is always false; the colour is always the given one.
GroupItem makeItem(const std::string& token, const std::string& name, const std::string& desc,
                   ItemColor color);

// The row of a given kind: a label named `name` (colour auto), a spacer (colour auto), or the
// first factory's row for a token.
GroupItem makeItem(ItemType type, const std::string& token, const std::string& name,
                   const std::string& desc, ItemColor color);
