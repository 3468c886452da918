#pragma once

#include <string>

#include "agent/actions/GlobalActionsDelegate.h"
#include "agent/shortcuts/MASShortcutMonitor.h"
#include "agent/shortcuts/MASShortcutValidator.h"
#include "agent/shortcuts/ShortcutList.h"

// Registers the user's shortcuts as hot keys and, when one fires, asks the delegate for the
// record's action.
class GlobalHotKeys {
  public:
    GlobalHotKeys(MASShortcutMonitor& monitor, MASShortcutValidator& validator, ShortcutList& list,
                  platform::UserDefaults& defaults);

    // Everything registered again from the stored list.
    void registerAll();
    // The action of the record with this uuid, looked up now, so edits since registering count.
    void performAction(const std::string& uuid);

    const ShortcutList& list() const { return list_; }

    // Not owned; the actions manager.
    GlobalActionsDelegate* delegate = nullptr;

  private:
    MASShortcutMonitor& monitor_;
    MASShortcutValidator& validator_;
    ShortcutList& list_;
    platform::UserDefaults& defaults_;
};
