#pragma once

#include <string>

#include "agent/shortcuts/MASShortcutValidator.h"
#include "agent/shortcuts/ShortcutChecks.h"

// The recorder's checks answered by the validator: a usable combination, and one that neither
// the system nor the agent's menu already answers to.
class ValidatorChecks : public ShortcutChecks {
  public:
    explicit ValidatorChecks(MASShortcutValidator& validator) : validator_(validator) {}
    bool isValid(const MASShortcut& shortcut) override {
        return validator_.isShortcutValid(shortcut);
    }
    bool isTaken(const MASShortcut& shortcut, std::string& explanation) override {
        return validator_.isShortcutAlreadyTakenBySystem(shortcut, &explanation);
    }

  private:
    MASShortcutValidator& validator_;
};
