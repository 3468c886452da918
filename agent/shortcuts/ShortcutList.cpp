#include "agent/shortcuts/ShortcutList.h"

#include "platform/coding/PropertyListSerialization.h"
#include "platform/core/Log.h"

using namespace platform;

namespace {

// The record every list starts with: the popover's shortcut, without a key until one is set.
Shortcut paletteShortcut() {
    Shortcut s;
    s.uuid = "#palette";
    s.type = ActionType::showpalette;
    return s;
}

}  // namespace

ShortcutList::ShortcutList(UserDefaults& defaults, NotificationCenter& center)
    : original{paletteShortcut()}, list{paletteShortcut()}, defaults_(defaults), center_(center) {}

void ShortcutList::load(const PropertyList& stored) {
    Decoder d(stored);
    auto records = d.array("list", [](Decoder& record) { return Shortcut::decode(record); });
    if (d.failed()) {
        print(d.error().localizedDescription);
        return;
    }
    list = records;
    original = std::move(records);
}

void ShortcutList::save() {
    if (list == original) return;
    PropertyList::Array records;
    for (const auto& s : list) records.push_back(s.encode());
    PropertyList::Dictionary stored;
    stored.set("list", PropertyList(std::move(records)));
    // Through the binary form and back, so only what the defaults can hold is stored. A list
    // that cannot be encoded is not stored at all: an empty value would wipe every shortcut.
    auto data = PropertyListSerialization::write(PropertyList(std::move(stored)),
                                                 PropertyListFormat::Binary);
    auto parsed =
        data.ok() ? PropertyListSerialization::read(*data) : Result<PropertyList>(data.error());
    if (!parsed.ok()) {
        print(parsed.error().localizedDescription);
        return;
    }
    // `original` first: observers of the stored value may ask whether it is this list's own.
    original = list;
    defaults_.setObject(kDefaultsKey, std::move(parsed).value());
    center_.post(kHotkeysChanged);
}

bool ShortcutList::isOriginal(const std::optional<PropertyList>& stored) const {
    if (!stored) return false;
    Decoder d(*stored);
    auto records = d.array("list", [](Decoder& record) { return Shortcut::decode(record); });
    return !d.failed() && records == original;
}

void ShortcutList::update(const Shortcut& shortcut) {
    for (auto& s : list) {
        if (s.uuid == shortcut.uuid) {
            s = shortcut;
            return;
        }
    }
}
