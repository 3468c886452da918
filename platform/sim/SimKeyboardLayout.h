#pragma once

#include <map>
#include <optional>
#include <string>

#include "platform/input/KeyboardLayout.h"

namespace platform {

// A US keyboard in memory: letters, digits, punctuation, Return, Tab, Space, Escape, Delete,
// arrows, F1-F12 and the modifier keys. Tests move characters to other keys or remove keys to
// play other layouts.
class SimKeyboardLayout : public KeyboardLayout {
  public:
    SimKeyboardLayout();
    std::optional<KeyTranslation> translate(uint16_t virtualKeyCode) override;

    // The key types `characters` (and the same with Command) from now on.
    void setKey(uint16_t code, const std::string& characters);
    void setKey(uint16_t code, KeyTranslation translation);
    void removeKey(uint16_t code);
    int translations() const { return translations_; }

  private:
    std::map<uint16_t, KeyTranslation> keys_;
    int translations_ = 0;
};

}  // namespace platform
