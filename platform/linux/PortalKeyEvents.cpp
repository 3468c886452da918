#include "platform/linux/PortalKeyEvents.h"

#include "platform/input/ModifierFlags.h"
#include "platform/linux/PortalRemoteDesktop.h"

namespace platform {

namespace {

constexpr uint64_t kModifiers =
    ModifierFlags::shift | ModifierFlags::control | ModifierFlags::option | ModifierFlags::command;

// Text a key types, when it is one printable character.
bool printable(const std::optional<std::string>& text) {
    if (!text || text->empty()) return false;
    const auto c = static_cast<unsigned char>((*text)[0]);
    return c >= 0x20 && c != 0x7f;
}

}  // namespace

PortalKeyEvents::PortalKeyEvents(PortalRemoteDesktop& session, KeyboardLayout* layout,
                                 ClipboardKeysSource clipboardKeys,
                                 ApplicationSource focusedApplication)
    : session_(session),
      layout_(layout),
      clipboardKeys_(std::move(clipboardKeys)),
      focusedApplication_(std::move(focusedApplication)) {}

bool PortalKeyEvents::hasEventSource() {
    return session_.keyboardGranted();
}

void PortalKeyEvents::postToPid(int /*pid*/, const KeyEvent& event) {
    post(event);
}

void PortalKeyEvents::post(const KeyEvent& event) {
    if (!hasEventSource()) return;
    if (event.down) {
        down(event);
    } else {
        up(event);
    }
}

void PortalKeyEvents::down(const KeyEvent& event) {
    // A second down event without an up between: the first one's modifiers go up now, or they
    // would stay down.
    if (pressed_.contains(event.keyCode)) {
        KeyEvent release = event;
        release.down = false;
        up(release);
    }
    // Its up event finds nothing to undo when nothing is sent, rather than a key never pressed.
    pressed_[event.keyCode] = Press{};
    std::optional<uint32_t> key = keysymFor(event.keyCode);
    if (!key) return;
    uint64_t modifiers = event.flags & kModifiers;
    if (modifiers & ModifierFlags::command) {
        const auto resolved = ClipboardShortcuts::commandKey(
            commandCharacters(event.keyCode), modifiers, focusedApplication_, clipboardKeys_);
        if (!resolved) return;
        modifiers = resolved->modifiers;
        if (resolved->virtualKeyCode)
            key = keysymFor(*resolved->virtualKeyCode);
        else if (resolved->character)
            key = PortalKeysyms::forCharacter(*resolved->character);
        if (!key) return;
    }

    Press press;
    press.sent = true;
    press.key = *key;
    for (uint64_t flag : {ModifierFlags::control, ModifierFlags::shift, ModifierFlags::option,
                          ModifierFlags::command}) {
        if (!(modifiers & flag)) continue;
        const uint32_t sym = *PortalKeysyms::forModifier(flag);
        session_.notifyKeysym(sym, true);
        press.modifiers.push_back(sym);
    }
    session_.notifyKeysym(press.key, true);
    pressed_[event.keyCode] = std::move(press);
}

void PortalKeyEvents::up(const KeyEvent& event) {
    const auto found = pressed_.find(event.keyCode);
    if (found == pressed_.end()) {
        if (const auto key = keysymFor(event.keyCode)) session_.notifyKeysym(*key, false);
        return;
    }
    const Press press = std::move(found->second);
    pressed_.erase(found);
    if (!press.sent) return;
    session_.notifyKeysym(press.key, false);
    for (auto it = press.modifiers.rbegin(); it != press.modifiers.rend(); ++it)
        session_.notifyKeysym(*it, false);
}

std::optional<uint32_t> PortalKeyEvents::keysymFor(uint16_t virtualKeyCode) {
    if (layout_) {
        const auto translation = layout_->translate(virtualKeyCode);
        if (translation && translation->type == KeyTranslation::Type::KeyDown &&
            printable(translation->characters)) {
            if (const auto sym = PortalKeysyms::forCharacter(*translation->characters)) return sym;
        }
    }
    return us_.forKeyCode(virtualKeyCode);
}

std::optional<std::string> PortalKeyEvents::commandCharacters(uint16_t virtualKeyCode) {
    if (layout_) {
        const auto translation = layout_->translate(virtualKeyCode);
        return translation ? translation->commandCharacters : std::nullopt;
    }
    const auto sym = us_.forKeyCode(virtualKeyCode);
    return sym ? PortalKeysyms::characters(*sym) : std::nullopt;
}

}  // namespace platform
