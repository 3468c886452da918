#include "agent/actions/CGKeyCodeLookup.h"

#include <algorithm>
#include <array>

#include "agent/engine/Lowercase.h"
#include "platform/core/Log.h"
#include "platform/core/Utf8.h"
#include "platform/input/ModifierFlags.h"
#include "platform/input/VirtualKeyCodes.h"

using namespace platform;

namespace {

// Text the OS reports for keys that type nothing useful.
bool isUsable(const std::optional<std::string>& text) {
    return text && !text->empty() && *text != "\x10";
}

constexpr std::array<uint64_t, 7> kFlagPreference = {
    ModifierFlags::capsLock, ModifierFlags::shift, ModifierFlags::control, ModifierFlags::option,
    ModifierFlags::command,  0x400000 /* help */,  ModifierFlags::function};

}  // namespace

CGKeyCodeLookup::CGKeyCodeLookup(KeyboardLayout& layout, KeyEvents& events, UserDefaults& defaults,
                                 Clock& clock)
    : layout_(layout), events_(events), defaults_(defaults), clock_(clock) {}

void CGKeyCodeLookup::rebuildTable() {
    info_ = std::make_unique<Info>(build());
}

const CGKeyCodeLookup::Info& CGKeyCodeLookup::info() {
    if (!info_) rebuildTable();
    return *info_;
}

CGKeyCodeLookup::Info CGKeyCodeLookup::build() {
    Info table;
    for (uint16_t code = 0; code < VirtualKey::kCount; ++code) {
        const auto key = layout_.translate(code);
        if (!key) continue;
        if (key->type == KeyTranslation::Type::KeyDown) {
            if (key->specialKey) {
                table.specialKeys[*key->specialKey] = code;
                continue;
            }
            if (!isUsable(key->characters)) continue;
            table.characterKeys[*key->characters] = code;
            if (isUsable(key->commandCharacters))
                table.commandCharKeys[*key->commandCharacters] = code;
        } else {
            const auto flag =
                std::find_if(kFlagPreference.begin(), kFlagPreference.end(),
                             [&](uint64_t f) { return (key->modifierFlags & f) != 0; });
            if (flag != kFlagPreference.end()) table.modifierFlagKeys[*flag] = code;
        }
    }
    return table;
}

CGKeyCodeLookup::Key CGKeyCodeLookup::keyFor(const std::string& text, bool command) {
    const Info& table = info();
    if (text.empty()) {
        print("'" + text + "' is invalid key char");
        return {0, true, false};
    }
    size_t end = 0;
    char32_t c = 0;
    // Text that is not UTF-8 still has a first byte; it types nothing.
    const std::string first = Utf8::next(text, end, c) ? text.substr(0, end) : text.substr(0, 1);
    const std::string lower = lowercased(first);
    const auto& keys = command ? table.commandCharKeys : table.characterKeys;
    const auto found = keys.find(lower);
    if (found == keys.end()) return {0, true, command};
    return {found->second, false, command};
}

double CGKeyCodeLookup::keystrokePause() const {
    const int64_t delay =
        std::clamp<int64_t>(defaults_.integerForKey(kKeystrokeDelay), 0, kMaxKeystrokeDelay);
    return static_cast<double>(delay + 1) * 0.1;
}

void CGKeyCodeLookup::pressKey(std::optional<int> pid, const Key& key) {
    if (key.absent) return;
    const double pause = keystrokePause();
    if (!events_.hasEventSource()) {
        log("Simulated Keystroke: No event source");
        return;
    }
    const KeyEvent down{key.code, true, key.command ? ModifierFlags::command : 0};
    const KeyEvent up{key.code, false, 0};
    if (pid && *pid != -1) {
        events_.postToPid(*pid, down);
        events_.postToPid(*pid, up);
    } else {
        events_.post(down);
        events_.post(up);
    }
    clock_.sleepFor(pause);
}
