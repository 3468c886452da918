#include "agent/prefs/ShortcutActionController.h"

#include <algorithm>

#include "agent/engine/Lowercase.h"
#include "agent/engine/PLClientProtocol.h"
#include "agent/library/Group.h"
#include "agent/library/PLClientGroupsContainer.h"
#include "agent/library/PLGroupType.h"
#include "platform/workspace/Localization.h"

using platform::Menu;
using platform::MenuItem;
using platform::PropertyList;

namespace {

MenuItem popupItem(const std::string& title, const std::string& represented) {
    MenuItem item(title);
    item.representedObject = PropertyList(represented);
    return item;
}

}  // namespace

ShortcutActionController::ShortcutActionController(ActionType type, ShortcutList& shortcutlist,
                                                   PLClientProtocol& client)
    : type(type), shortcutlist_(shortcutlist), client_(client) {}

std::string ShortcutActionController::nibName() const {
    switch (type) {
        case ActionType::cleantext:
            return "ShortcutActionApplyCleaner";
        case ActionType::showmenu:
            return "ShortcutActionShowGroups";
        default:
            return {};
    }
}

void ShortcutActionController::setItem(const Shortcut& item) {
    item_ = item;
    groupName = item.group;
    cleanerToken = item.cleaner;
}

void ShortcutActionController::fillGroupPopup() {
    Menu& menu = groupItemsPopup.menu;
    menu.removeAllItems();
    menu.addItem(popupItem(platform::localized("Current", "Current Group"), kCurrentGroup));
    menu.addItem(MenuItem::separatorItem());
    for (const auto& name : client_.grouplist(static_cast<int>(PLGroupType::builtin)))
        menu.addItem(popupItem(name, name));
    menu.addItem(MenuItem::separatorItem());
    for (const auto& name : client_.grouplist(static_cast<int>(PLGroupType::user)))
        menu.addItem(popupItem(name, name));

    groupItemsPopup.enabled = true;
    const auto index = menu.indexOfItemWithRepresentedObject(PropertyList(groupName));
    groupItemsPopup.selectedIndex = index && *index > 0 ? *index : 0;
}

void ShortcutActionController::fillCleanerPopup() {
    Menu& menu = cleanerItemsPopup.menu;
    menu.removeAllItems();
    std::vector<GroupItem> items;
    if (auto library = client_.groups().clientData().groupWithUuid(Group::kLibraryUuid))
        items = library->items;
    std::stable_sort(items.begin(), items.end(),
                     [](const GroupItem& a, const GroupItem& b) { return a.name < b.name; });
    for (const GroupItem& item : items) {
        if (!filterText.empty() && lowercased(item.name).find(filterText) == std::string::npos)
            continue;
        if (item.isSpacer())
            menu.addItem(MenuItem::separatorItem());
        else if (!item.isLabel())
            menu.addItem(popupItem(item.name, item.token));
    }

    cleanerItemsPopup.enabled = true;
    // The record's cleaner is selected wherever it stands, the first row included: a popup
    // showing nothing for a record that has a cleaner would misreport it.
    if (auto index = menu.indexOfItemWithRepresentedObject(PropertyList(cleanerToken)))
        cleanerItemsPopup.selectedIndex = index;
    else if (!cleanerToken.empty())
        cleanerItemsPopup.selectedIndex = menu.indexOfItemWithTitle(cleanerToken);
    else
        cleanerItemsPopup.selectedIndex =
            menu.numberOfItems() > 0 ? std::optional<size_t>(0) : std::nullopt;
}

void ShortcutActionController::selectGroup(size_t index) {
    const MenuItem* chosen = groupItemsPopup.menu.itemAt(index);
    if (!chosen) return;
    groupItemsPopup.selectedIndex = index;
    if (const std::string* name = chosen->representedString()) groupName = *name;
}

void ShortcutActionController::selectCleaner(size_t index) {
    const MenuItem* chosen = cleanerItemsPopup.menu.itemAt(index);
    if (!chosen) return;
    cleanerItemsPopup.selectedIndex = index;
    if (const std::string* token = chosen->representedString()) cleanerToken = *token;
}

void ShortcutActionController::controlTextDidChange(const std::string& text) {
    filterText = lowercased(text);
    fillCleanerPopup();
}

void ShortcutActionController::viewWillDisappear() {
    item_.type = type;
    if (type == ActionType::cleantext)
        item_.cleaner = cleanerToken;
    else if (type == ActionType::showmenu)
        item_.group = groupName;
    shortcutlist_.update(item_);
    if (delegate) delegate->reloadShortcutList();
}
