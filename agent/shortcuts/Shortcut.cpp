#include "agent/shortcuts/Shortcut.h"

#include "platform/core/Uuid.h"

using namespace platform;

Shortcut Shortcut::make() {
    Shortcut s;
    s.uuid = Uuid().uuidString();
    return s;
}

PropertyList Shortcut::encode() const {
    PropertyList::Dictionary d;
    d.set("uuid", PropertyList(uuid));
    d.set("keycode", PropertyList(static_cast<long long>(keycode)));
    d.set("modifiersRaw", PropertyList(static_cast<long long>(modifiersRaw)));
    d.set("group", PropertyList(group));
    d.set("cleaner", PropertyList(cleaner));
    d.set("type", PropertyList(static_cast<int>(type)));
    return PropertyList(std::move(d));
}

Shortcut Shortcut::decode(Decoder& d) {
    Shortcut s;
    s.uuid = d.string("uuid");
    const int64_t keycode = d.integer("keycode");
    const int64_t modifiers = d.integer("modifiersRaw");
    s.keycode = static_cast<uint64_t>(keycode);
    s.modifiersRaw = static_cast<uint64_t>(modifiers);
    s.group = d.string("group");
    s.cleaner = d.string("cleaner");
    const int64_t type = d.integer("type");
    // Both are unsigned.
    if (!d.failed() && keycode < 0) d.failBadValue("keycode", "a negative value");
    if (!d.failed() && modifiers < 0) d.failBadValue("modifiersRaw", "a negative value");
    if (!d.failed() && (type < 0 || type > 2))
        d.failBadValue("type", "no action has the value " + std::to_string(type));
    s.type = static_cast<ActionType>(type);
    return s;
}
