#pragma once

#include <memory>
#include <string>

#include "platform/input/KeyboardLayout.h"
#include "platform/pasteboard/PasteboardStore.h"
#include "platform/sim/SimKeyEvents.h"

namespace platform {

// The text field of a fake application: it answers Command-C (copies a non-empty selection to
// the general pasteboard), Command-A (selects everything) and Command-V (replaces the selection
// with the pasteboard's text), reading the keys through the layout as a real application would.
class SimTextField {
  public:
    SimTextField(SimKeyEvents& events, int pid, KeyboardLayout& layout,
                 std::shared_ptr<PasteboardStore> pasteboards);

    // Sets the text with the part [selectionStart, selectionStart + selectionLength) selected.
    void setText(std::string text, size_t selectionStart = 0, size_t selectionLength = 0);
    void selectAll();
    const std::string& text() const { return text_; }
    std::string selection() const { return text_.substr(start_, length_); }

    // An application that ignores copy requests (nothing selectable, say).
    bool answersCopy = true;
    int copies = 0;
    int pastes = 0;

  private:
    void keyDown(const KeyEvent& event);

    KeyboardLayout& layout_;
    std::shared_ptr<PasteboardStore> pasteboards_;
    std::string text_;
    size_t start_ = 0;
    size_t length_ = 0;
};

}  // namespace platform
