#include "platform/sim/SimTextField.h"

#include "platform/input/ModifierFlags.h"
#include "platform/pasteboard/Pasteboard.h"

namespace platform {

SimTextField::SimTextField(SimKeyEvents& events, int pid, KeyboardLayout& layout,
                           std::shared_ptr<PasteboardStore> pasteboards)
    : layout_(layout), pasteboards_(std::move(pasteboards)) {
    events.setReceiver(pid, [this](const KeyEvent& event) {
        if (event.down) keyDown(event);
    });
}

void SimTextField::setText(std::string text, size_t selectionStart, size_t selectionLength) {
    text_ = std::move(text);
    start_ = std::min(selectionStart, text_.size());
    length_ = std::min(selectionLength, text_.size() - start_);
}

void SimTextField::selectAll() {
    start_ = 0;
    length_ = text_.size();
}

void SimTextField::keyDown(const KeyEvent& event) {
    if (!(event.flags & ModifierFlags::command)) return;
    const auto key = layout_.translate(event.keyCode);
    if (!key || !key->commandCharacters) return;
    const std::string& c = *key->commandCharacters;
    auto general = Pasteboard::generalPasteboard(pasteboards_);
    if (c == "a") {
        selectAll();
    } else if (c == "c") {
        if (!answersCopy || length_ == 0) return;
        ++copies;
        general.clearContents();
        general.setString(selection());
    } else if (c == "v") {
        ++pastes;
        const auto pasted = general.stringForType(PasteboardTypes::kString).value_or("");
        text_.replace(start_, length_, pasted);
        start_ += pasted.size();
        length_ = 0;
    }
}

}  // namespace platform
