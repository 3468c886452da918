#include "agent/surfaces/GlobalMenu.h"

#include "agent/library/PLClientGroupsContainer.h"
#include "agent/surfaces/ApplyOptionFromModifiers.h"
#include "platform/core/Log.h"
#include "platform/workspace/Localization.h"

using namespace platform;

namespace {

std::string builtinGroupName(const char* uuid) {
    return localized(uuid, Group::kBuiltinGroupsComment, Group::kBuiltinGroupsTable);
}

}  // namespace

GlobalMenu::GlobalMenu(Collaborators collaborators) : c_(std::move(collaborators)) {
    currentGroup = c_.defaults.stringForKey(kSelectedGroupKey).value_or("Standard");
}

Group GlobalMenu::groupNamed(const std::string& name) const {
    // Names and "##" uuids alike: an unknown one gives the empty "Missing" group.
    return c_.client.groups().clientData().groupNamed(name);
}

void GlobalMenu::menuNeedsUpdate() {
    statusMenu.removeAllItems();

    MenuItem search("search", "searchMenu:", "");
    search.viewKind = MenuItem::kSearchFieldView;
    search.action = [](MenuItem&) {};
    statusMenu.addItem(std::move(search));

    keyboardModifiers = c_.modifiers ? c_.modifiers->currentModifierFlags() : 0;
    const auto option = applyOptionFromModifiers(keyboardModifiers);
    const auto label = applyOptionLabel(option, delegate ? delegate->frontAppName() : std::nullopt);

    const std::string standardName = builtinGroupName(Group::kStandardUuid);
    {
        const Group current = groupNamed(currentGroup);
        if (current.uuid != Group::kMissingUuid && current.items.empty())
            currentGroup = standardName;
    }

    statusMenu.addItem(MenuItem("Purlane 9 : " + label));
    statusMenu.addItem(MenuItem::separatorItem());
    statusMenu.addItem(groupsItem());

    MenuItem popover(localized("Display As Popover", "Popover"), "displayAsPopover:", "");
    popover.action = [this](MenuItem&) { displayAsPopover(); };
    statusMenu.addItem(std::move(popover));
    statusMenu.addItem(MenuItem::separatorItem());

    statusMenu.addItem(MenuItem(currentGroup));
    if (currentGroup == standardName &&
        groupNamed(Group::kCustomUuid).items.size() > kMaxInlineCustomCleaners) {
        appendGroupItems(statusMenu, builtinGroupName("##Basic"), true);
        statusMenu.addItem(MenuItem::separatorItem());
        statusMenu.addItem(customCleanersItem());
    } else {
        appendGroupItems(statusMenu, currentGroup, true);
    }

    statusMenu.addItem(MenuItem::separatorItem());
    MenuItem show(localized("Show Purlane", "Show Purlane Menu Item"), "showPurlane:", "");
    show.action = [this](MenuItem&) { showPurlane(); };
    statusMenu.addItem(std::move(show));

    for (auto& item : statusMenu.items()) item.target = this;
}

MenuItem GlobalMenu::groupsItem() {
    MenuItem groups(localized("Groups", "Submenu title"), "doNothing:", "");
    groups.action = [](MenuItem&) {};
    Menu submenu(kSubmenuTitle);
    auto addGroup = [&](const std::string& name) {
        MenuItem item(name, "changeGroup:", "");
        item.action = [this](MenuItem& sender) { changeGroup(sender); };
        item.target = this;
        submenu.addItem(std::move(item));
    };
    for (const auto& name : c_.client.grouplist(2)) addGroup(name);
    const auto user = c_.client.grouplist(3);
    if (!user.empty()) {
        submenu.addItem(MenuItem::separatorItem());
        for (const auto& name : user) addGroup(name);
    }
    groups.setSubmenu(std::move(submenu));
    return groups;
}

MenuItem GlobalMenu::customCleanersItem() {
    MenuItem custom(localized("Custom Cleaners", "Custom Cleaners menu title"));
    Menu submenu(kSubmenuTitle);
    appendGroupItems(submenu, Group::kCustomUuid, false);
    custom.setSubmenu(std::move(submenu));
    return custom;
}

void GlobalMenu::appendGroupItems(Menu& menu, const std::string& name, bool colors) {
    appendItems(menu, groupNamed(name), colors);
}

void GlobalMenu::appendItems(Menu& menu, const Group& group, bool colors) {
    for (const auto& row : group.items) {
        if (row.token == GroupItem::kSpacerToken || row.name == GroupItem::kSpacerName) {
            menu.addItem(MenuItem::separatorItem());
        } else if (row.token.starts_with(GroupItem::kLabelPrefix)) {
            menu.addItem(MenuItem(row.name)).indentationLevel = 0;
        } else {
            MenuItem item(row.name, "applyItem:", "");
            item.indentationLevel = 1;
            item.representedObject = PropertyList(row.token);
            item.target = this;
            item.action = [this](MenuItem& sender) { applyItem(sender); };
            if (colors && row.color_tag != ItemColor::auto_) {
                const auto color = systemColor(row.color_tag);
                item.titleColor = RgbColor{color.red, color.green, color.blue};
            }
            menu.addItem(std::move(item));
        }
    }
}

void GlobalMenu::showGroupMenuWithName(const std::string& name) {
    const Point location = c_.presenter ? c_.presenter->mouseLocation() : Point{};
    Menu popup(kPopupTitle);
    appendGroupItems(popup, name == kCurrentGroupAlias ? currentGroup : name, true);
    if (!c_.presenter || !c_.presenter->popUpMenu(popup, location))
        print("Could not popup menu for hotkey");
}

void GlobalMenu::changeGroup(const MenuItem& sender) {
    currentGroup = sender.title;
    c_.defaults.setString(kSelectedGroupKey, currentGroup);
}

void GlobalMenu::applyItem(const MenuItem& sender) {
    const std::string* token = sender.representedString();
    if (!token || !delegate) return;
    delegate->applyCleaner(*token, applyOptionFromModifiers(keyboardModifiers));
}

void GlobalMenu::displayAsPopover() {
    if (delegate) delegate->displayAsPopover();
}

void GlobalMenu::showPurlane() {
    if (c_.launchPurlaneApp) c_.launchPurlaneApp();
}
