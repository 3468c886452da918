#include "agent/shortcuts/ShortcutRecorder.h"

#include <algorithm>

#include "platform/input/ModifierFlags.h"
#include "platform/workspace/Localization.h"

namespace {

constexpr uint16_t kTab = 48;
constexpr uint16_t kDelete = 51;
constexpr uint16_t kForwardDelete = 117;
constexpr uint16_t kEscape = 53;
constexpr uint16_t kW = 13;
constexpr uint16_t kQ = 12;

constexpr const char* kDeleteGlyph = "\u2715";  // ✕
constexpr const char* kEscapeGlyph = "\u238B";  // ⎋

std::string replaceFirst(std::string format, const std::string& value) {
    const auto at = format.find("%@");
    if (at != std::string::npos) format.replace(at, 2, value);
    return format;
}

}  // namespace

ShortcutRecorder::ShortcutRecorder(ShortcutRecorderRegistry& registry, ShortcutChecks& checks,
                                   platform::KeyboardLayout& layout, platform::Sounds& sounds)
    : registry_(registry), checks_(checks), layout_(layout), sounds_(sounds) {}

ShortcutRecorder::~ShortcutRecorder() {
    if (registry_.recording_ == this) registry_.recording_ = nullptr;
}

void ShortcutRecorder::notifyChanged() {
    if (changed) changed();
}

void ShortcutRecorder::setShortcutValue(std::optional<MASShortcut> value) {
    shortcutValue_ = std::move(value);
    notifyChanged();
    if (shortcutValueChange) shortcutValueChange(*this);
}

void ShortcutRecorder::setRecording(bool recording) {
    if (recording == recording_) return;
    if (recording && !enabled_) return;
    if (recording) {
        // Only one recorder captures keys: the one recording so far gives up first.
        if (ShortcutRecorder* other = registry_.recording_; other && other != this)
            other->setRecording(false);
        registry_.recording_ = this;
    } else if (registry_.recording_ == this) {
        registry_.recording_ = nullptr;
    }
    recording_ = recording;
    placeholder_.reset();
    suspended_ = false;
    notifyChanged();
    if (!recording && announce) {
        announce(shortcutValue_
                     ? platform::localized("Shortcut set", "VoiceOver: shortcut recorded")
                     : platform::localized("Shortcut cleared", "VoiceOver: shortcut cleared"),
                 kAnnouncementPriority);
    }
}

void ShortcutRecorder::setEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    setRecording(false);
    notifyChanged();
}

void ShortcutRecorder::setShowsDeleteButton(bool shows) {
    if (shows == showsDeleteButton_) return;
    showsDeleteButton_ = shows;
    notifyChanged();
}

void ShortcutRecorder::setHinting(bool hinting) {
    if (hinting == hinting_) return;
    hinting_ = hinting;
    notifyChanged();
}

void ShortcutRecorder::setStyle(int style) {
    if (style == style_ || style < Default || style > Flat) return;
    style_ = style;
    notifyChanged();
}

double ShortcutRecorder::hintWidth() const {
    switch (style_) {
        case TexturedRect:
            return 25;
        case Rounded:
            return 26;
        case Flat:
            return kFontPointSize - 11 - 8 + 23;
        default:
            return 23;
    }
}

ShortcutRecorder::Rect ShortcutRecorder::shortcutRect(const Rect& bounds) const {
    Rect rect = bounds;
    rect.width = std::max(0.0, bounds.width - hintWidth());
    return rect;
}

ShortcutRecorder::Rect ShortcutRecorder::hintRect(const Rect& bounds) const {
    const double width = std::min(hintWidth(), bounds.width);
    return {bounds.x + bounds.width - width, bounds.y, width, bounds.height};
}

ShortcutRecorder::Rect ShortcutRecorder::titleRect(const Rect& bounds) const {
    return shortcutValue_ || recording_ ? shortcutRect(bounds) : bounds;
}

std::string ShortcutRecorder::shortcutTitle() const {
    if (recording_) {
        if (hinting_) {
            return shortcutValue_
                       ? platform::localized(
                             "Use Old Shortcut",
                             "Cancel action button for non-empty shortcut in recording state")
                       : platform::localized("Cancel", "Cancel action button in recording state");
        }
        if (placeholder_) return *placeholder_;
        return shortcutValue_ ? platform::localized("Type New Shortcut",
                                                    "Non-empty shortcut button in recording state")
                              : platform::localized("Type Shortcut",
                                                    "Empty shortcut button in recording state");
    }
    if (shortcutValue_) return shortcutValue_->description(layout_);
    return platform::localized("Record Shortcut", "Empty shortcut button in normal state");
}

std::string ShortcutRecorder::hintTitle() const {
    if (recording_) return kEscapeGlyph;
    if (shortcutValue_ && showsDeleteButton_) return kDeleteGlyph;
    return {};
}

std::optional<ShortcutRecorder::ToolTips> ShortcutRecorder::toolTips() const {
    if (!shortcutValue_ || recording_ || !enabled_) return std::nullopt;
    return ToolTips{platform::localized("Click to record new shortcut",
                                        "Tooltip for non-empty shortcut button"),
                    platform::localized("Delete shortcut",
                                        "Tooltip for hint button near the non-empty shortcut")};
}

std::string ShortcutRecorder::accessibilityLabel() const {
    const std::string what = shortcutValue_ ? shortcutValue_->description(layout_) : "Empty";
    return what + " " +
           platform::localized("keyboard shortcut", "VoiceOver title: the control's role");
}

std::string ShortcutRecorder::accessibilityHelp() const {
    // One literal, so the key reads as it stands in the strings table.
    // clang-format off
    return platform::localized("To record a new shortcut, click this button, and then type the new shortcut, or press delete to clear an existing shortcut.", "VoiceOver shortcut help");
    // clang-format on
}

bool ShortcutRecorder::accessibilityPress() {
    if (recording_ || !enabled_) return false;
    setRecording(true);
    return recording_;
}

bool ShortcutRecorder::mouseDown(double x, double y, const Rect& bounds) {
    if (!enabled_) return false;
    if (recording_) {
        if (hintRect(bounds).contains(x, y)) setRecording(false);
    } else if (shortcutValue_) {
        if (shortcutRect(bounds).contains(x, y))
            setRecording(true);
        else
            setShortcutValue(std::nullopt);
    } else {
        setRecording(true);
    }
    return true;
}

bool ShortcutRecorder::passesThrough(uint16_t keyCode, uint64_t modifierFlags) {
    const uint64_t flags = modifierFlags & MASShortcut::kModifierMask;
    return keyCode == kTab ||
           (flags == platform::ModifierFlags::command && (keyCode == kW || keyCode == kQ));
}

void ShortcutRecorder::windowResignedKey() {
    if (!suspended_) setRecording(false);
}

ShortcutRecorder::KeyResult ShortcutRecorder::handleKeyEvent(uint16_t keyCode,
                                                             uint64_t modifierFlags,
                                                             bool isFlagsChanged) {
    if (!recording_ || suspended_) return KeyResult::PassThrough;
    const MASShortcut shortcut = MASShortcut::shortcutWithEvent(keyCode, modifierFlags);
    const uint64_t flags = shortcut.modifierFlags();
    if (!isFlagsChanged) {
        if (keyCode == kTab) return KeyResult::PassThrough;
        if (flags == 0 && (keyCode == kDelete || keyCode == kForwardDelete)) {
            setShortcutValue(std::nullopt);
            setRecording(false);
            return KeyResult::Swallow;
        }
        if (flags == 0 && keyCode == kEscape) {
            setRecording(false);
            return KeyResult::Swallow;
        }
        // Closing the window or quitting must still work while recording.
        if (flags == platform::ModifierFlags::command && (keyCode == kW || keyCode == kQ)) {
            setRecording(false);
            return KeyResult::PassThrough;
        }
        if (!shortcut.keyCodeString(layout_).empty()) return recordKey(shortcut);
    }
    // Modifiers alone (or a key without a name): show what is held so far.
    const std::string held = shortcut.modifierFlagsString();
    placeholder_ = held.empty() ? std::nullopt : std::optional<std::string>(held);
    notifyChanged();
    return KeyResult::Swallow;
}

ShortcutRecorder::KeyResult ShortcutRecorder::recordKey(const MASShortcut& shortcut) {
    if (!checks_.isValid(shortcut)) {
        sounds_.beep();
        return KeyResult::Swallow;
    }
    std::string explanation;
    if (checks_.isTaken(shortcut, explanation)) {
        suspended_ = true;
        if (showAlert) {
            showAlert(
                {replaceFirst(platform::localized("The key combination %@ cannot be used",
                                                  "Title for alert when shortcut is already used"),
                              shortcut.description(layout_)),
                 explanation,
                 platform::localized("OK", "Alert button when shortcut is already used")});
        }
        suspended_ = false;
        placeholder_.reset();
        notifyChanged();
        return KeyResult::Swallow;
    }
    setShortcutValue(shortcut);
    setRecording(false);
    return KeyResult::Swallow;
}
