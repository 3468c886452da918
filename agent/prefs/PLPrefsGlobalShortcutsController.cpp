#include "agent/prefs/PLPrefsGlobalShortcutsController.h"

#include <algorithm>

#include "agent/engine/PLClientProtocol.h"
#include "platform/workspace/Localization.h"

using platform::MenuItem;

PLPrefsGlobalShortcutsController::PLPrefsGlobalShortcutsController(Collaborators collaborators)
    : shortcutlist(*collaborators.shortcutlist),
      applyCleanersActionController(ActionType::cleantext, *collaborators.shortcutlist,
                                    *collaborators.client),
      showGroupsActionController(ActionType::showmenu, *collaborators.shortcutlist,
                                 *collaborators.client),
      c_(collaborators) {
    MenuItem apply(platform::localized("Apply Cleaner", "Apply Cleaner action title"),
                   "addApplyCleanerAction:");
    apply.action = [this](MenuItem&) { addApplyCleanerAction(); };
    addMenu.addItem(std::move(apply));
    MenuItem show(platform::localized("Show Group", "Show Group action title"),
                  "addShowGroupAction:");
    show.action = [this](MenuItem&) { addShowGroupAction(); };
    addMenu.addItem(std::move(show));
}

PLPrefsGlobalShortcutsController::~PLPrefsGlobalShortcutsController() {
    *alive_ = false;
}

std::string PLPrefsGlobalShortcutsController::itemLabel() const {
    return platform::localized("Global HotKeys", "Toolbar item name for Global HotKeys prefs pane");
}

void PLPrefsGlobalShortcutsController::viewWillAppear() {
    // Edits stored meanwhile (by another agent, by purlanectl) are picked up.
    if (auto stored = c_.defaults->objectForKey(ShortcutList::kDefaultsKey);
        stored && stored->isDictionary())
        shortcutlist.load(*stored);
    shortcutlist.save();
    if (view_) view_->reloadTable();
}

void PLPrefsGlobalShortcutsController::viewWillDisappear() {
    shortcutlist.save();
}

void PLPrefsGlobalShortcutsController::writeShortcutList() {
    shortcutlist.save();
}

void PLPrefsGlobalShortcutsController::reloadShortcutList() {
    shortcutlist.save();
    setNeedsReload();
}

void PLPrefsGlobalShortcutsController::setNeedsReload() {
    if (reloadPending_) return;
    reloadPending_ = true;
    c_.mainQueue->async([this, alive = std::weak_ptr<bool>(alive_)] {
        if (alive.expired()) return;
        reloadPending_ = false;
        if (view_) view_->reloadTable();
    });
}

void PLPrefsGlobalShortcutsController::addShortcutAction() {
    if (view_) view_->popUpAddMenu(addMenu);
}

void PLPrefsGlobalShortcutsController::addShortcut(ActionType type) {
    const Shortcut added = Shortcut::make();
    shortcutlist.list.push_back(added);
    auto& list = shortcutlist.list;
    auto found = std::find_if(list.begin(), list.end(),
                              [&](const Shortcut& s) { return s.uuid == added.uuid; });
    if (found != list.end()) {
        Shortcut typed = *found;
        typed.type = type;
        shortcutlist.update(typed);
    }
    shortcutlist.save();
    setNeedsReload();
}

void PLPrefsGlobalShortcutsController::deleteRecord(const std::string& uuid) {
    auto& list = shortcutlist.list;
    auto found =
        std::find_if(list.begin(), list.end(), [&](const Shortcut& s) { return s.uuid == uuid; });
    if (found != list.end()) list.erase(found);
    shortcutlist.save();
    setNeedsReload();
}

void PLPrefsGlobalShortcutsController::removeShortcutAction() {
    const std::optional<int> row = view_ ? view_->selectedRow() : std::nullopt;
    // The first row holds the popover's record, which the remove button never deletes.
    if (!row || *row < 1 || *row >= numberOfRows()) {
        c_.sounds->beep();
        c_.sounds->beep();
        return;
    }
    deleteRecord(shortcutlist.list[static_cast<size_t>(*row)].uuid);
}

int PLPrefsGlobalShortcutsController::numberOfRows() const {
    return static_cast<int>(shortcutlist.list.size());
}

std::string PLPrefsGlobalShortcutsController::rowLabel(const Shortcut& record) {
    switch (record.type) {
        case ActionType::cleantext:
            return platform::localized("Apply Cleaner", "Apply Cleaner action title") + ": " +
                   c_.client->nameFor(record.cleaner);
        case ActionType::showmenu: {
            const std::string group =
                record.group == ShortcutActionController::kCurrentGroup
                    ? platform::localized("Current", "Show Group: Current action title")
                    : record.group;
            return platform::localized("Show Group", "Show Group action title") + ": " + group;
        }
        case ActionType::showpalette:
            return platform::localized("Show Purlane Popover", "Show agent popover");
    }
    return {};
}

PLPrefsGlobalShortcutsController::Cell PLPrefsGlobalShortcutsController::cellForRow(int row) {
    Cell cell;
    if (row < 0 || row >= numberOfRows()) return cell;
    cell.item = shortcutlist.list[static_cast<size_t>(row)];
    cell.label = rowLabel(cell.item);
    const MASShortcut shortcut(static_cast<int64_t>(cell.item.keycode), cell.item.modifiersRaw);
    if (c_.checks->isValid(shortcut)) cell.shortcut = shortcut;
    if (c_.desktopBindings) {
        const auto command = c_.desktopBindings->commandLine(cell.item);
        cell.hasCommand = command.has_value();
        cell.command = command ? *command
                               : platform::localized("No command performs this action.",
                                                     "Global HotKeys pane: action without command");
    }
    return cell;
}

std::string PLPrefsGlobalShortcutsController::desktopBindingsExplanation() const {
    return platform::localized(
        "This desktop does not let applications register global shortcuts. Bind these commands "
        "to keys in the desktop's keyboard settings.",
        "Global HotKeys pane: no global shortcuts on this desktop");
}

std::string PLPrefsGlobalShortcutsController::installBindingTitle() const {
    return platform::localized("Add to Keyboard Shortcuts",
                               "Global HotKeys pane: install a desktop shortcut button");
}

bool PLPrefsGlobalShortcutsController::canInstallBinding() {
    return c_.desktopBindings && c_.desktopBindings->canInstall();
}

void PLPrefsGlobalShortcutsController::installBinding(int row) {
    if (!c_.desktopBindings || row < 0 || row >= numberOfRows()) return;
    const Cell cell = cellForRow(row);
    if (!c_.desktopBindings->install(cell.item, cell.label, cell.shortcut.has_value()))
        c_.sounds->beep();
}

std::vector<PLPrefsGlobalShortcutsController::RowAction>
PLPrefsGlobalShortcutsController::rowActions(int row, RowActionEdge edge) {
    if (edge != RowActionEdge::trailing || row < 0 || row >= numberOfRows()) return {};
    const std::string uuid = shortcutlist.list[static_cast<size_t>(row)].uuid;
    return {RowAction{platform::localized("Delete", "Delete - rowaction"), true,
                      [this, uuid, alive = std::weak_ptr<bool>(alive_)] {
                          if (!alive.expired()) deleteRecord(uuid);
                      }}};
}

void PLPrefsGlobalShortcutsController::shortcutValueChanged(
    Shortcut& item, const std::optional<MASShortcut>& value) {
    item.keycode = value ? static_cast<uint64_t>(value->keyCode()) : 0;
    item.modifiersRaw = value ? value->modifierFlags() : 0;
    shortcutlist.update(item);
    shortcutlist.save();
}

void PLPrefsGlobalShortcutsController::changeHotKeyAction(int row) {
    if (ShortcutActionController* open = presented_) {
        // Closed here, not by the view's report, so the choice is written exactly once.
        presented_ = nullptr;
        if (view_) view_->dismissActionEditor();
        open->viewWillDisappear();
        return;
    }
    if (row < 0 || row >= numberOfRows()) return;
    const Shortcut& record = shortcutlist.list[static_cast<size_t>(row)];
    if (record.type == ActionType::showpalette) return;
    ShortcutActionController& editor = record.type == ActionType::showmenu
                                           ? showGroupsActionController
                                           : applyCleanersActionController;
    editor.setItem(record);
    editor.fillGroupPopup();
    editor.fillCleanerPopup();
    editor.delegate = this;
    presented_ = &editor;
    if (view_) view_->presentActionEditor(editor, row);
}

void PLPrefsGlobalShortcutsController::actionEditorDidClose() {
    ShortcutActionController* open = presented_;
    if (!open) return;
    presented_ = nullptr;
    open->viewWillDisappear();
}
