#include "agent/shortcuts/GlobalHotKeys.h"

#include <algorithm>

using namespace platform;

GlobalHotKeys::GlobalHotKeys(MASShortcutMonitor& monitor, MASShortcutValidator& validator,
                             ShortcutList& list, UserDefaults& defaults)
    : monitor_(monitor), validator_(validator), list_(list), defaults_(defaults) {}

void GlobalHotKeys::registerAll() {
    monitor_.unregisterAllShortcuts();
    if (auto stored = defaults_.objectForKey(ShortcutList::kDefaultsKey);
        stored && stored->isDictionary())
        list_.load(*stored);
    for (const auto& record : list_.list) {
        const MASShortcut shortcut(static_cast<int64_t>(record.keycode), record.modifiersRaw);
        if (!validator_.isShortcutValid(shortcut)) continue;
        // A combination the system refuses is skipped without a word.
        monitor_.registerShortcut(shortcut, [this, uuid = record.uuid] { performAction(uuid); });
    }
}

void GlobalHotKeys::performAction(const std::string& uuid) {
    const auto found = std::find_if(list_.list.begin(), list_.list.end(),
                                    [&](const Shortcut& s) { return s.uuid == uuid; });
    if (found == list_.list.end() || !delegate) return;
    // A copy: the action may end in a reload of the list.
    const Shortcut record = *found;
    switch (record.type) {
        case ActionType::cleantext:
            delegate->applyCleaner(record.cleaner, CleanerApplyOption::standard);
            break;
        case ActionType::showmenu:
            delegate->showGroupMenuWithName(record.group);
            break;
        case ActionType::showpalette:
            delegate->showPalette();
            break;
    }
}
