#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "agent/shortcuts/MASShortcut.h"
#include "agent/shortcuts/ShortcutChecks.h"
#include "agent/shortcuts/ShortcutRecorderRegistry.h"
#include "platform/input/KeyboardLayout.h"
#include "platform/ui/Sounds.h"

// The shortcut recorder without its drawing: the value, the idle/recording states, what a
// click or a key does, and the texts the control shows. A view renders it and forwards mouse
// and key events; tests drive it directly.
class ShortcutRecorder {
  public:
    // The drawing styles: round-rect, textured, rounded, flat.
    enum Style : int { Default = 0, TexturedRect = 1, Rounded = 2, Flat = 3 };
    // The font the control's titles are drawn in, in points.
    static constexpr double kFontPointSize = 11;
    // Priority of the announcement posted when recording ends.
    static constexpr int kAnnouncementPriority = 90;

    struct Rect {
        double x = 0, y = 0, width = 0, height = 0;
        bool contains(double px, double py) const {
            return px >= x && px < x + width && py >= y && py < y + height;
        }
        friend bool operator==(const Rect&, const Rect&) = default;
    };
    // A critical alert with one button.
    struct Alert {
        std::string messageText;
        std::string informativeText;
        std::string button;
    };
    struct ToolTips {
        std::string shortcut;  // over the shortcut rectangle
        std::string hint;      // over the hint rectangle
    };
    // Whether a key event is consumed by the recorder or goes on to its normal target.
    enum class KeyResult { PassThrough, Swallow };

    ShortcutRecorder(ShortcutRecorderRegistry& registry, ShortcutChecks& checks,
                     platform::KeyboardLayout& layout, platform::Sounds& sounds);
    ~ShortcutRecorder();
    ShortcutRecorder(const ShortcutRecorder&) = delete;
    ShortcutRecorder& operator=(const ShortcutRecorder&) = delete;

    const std::optional<MASShortcut>& shortcutValue() const { return shortcutValue_; }
    void setShortcutValue(std::optional<MASShortcut> value);
    bool recording() const { return recording_; }
    void setRecording(bool recording);
    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    bool showsDeleteButton() const { return showsDeleteButton_; }
    void setShowsDeleteButton(bool shows);
    bool hinting() const { return hinting_; }
    // The pointer entered (true) or left (false) the hint rectangle.
    void setHinting(bool hinting);
    const std::optional<std::string>& shortcutPlaceholder() const { return placeholder_; }
    int style() const { return style_; }
    void setStyle(int style);

    // Geometry: the bounds split into the shortcut rectangle and the hint rectangle at the
    // right, whose width depends on the style.
    double hintWidth() const;
    Rect shortcutRect(const Rect& bounds) const;
    Rect hintRect(const Rect& bounds) const;
    // Where the shortcut-area title goes: the whole bounds when there is no hint area.
    Rect titleRect(const Rect& bounds) const;

    // What is drawn in each area; an empty hint title draws nothing there.
    std::string shortcutTitle() const;
    std::string hintTitle() const;
    // Tool tips exist only while a shortcut is set, not recording and enabled.
    std::optional<ToolTips> toolTips() const;
    std::string accessibilityLabel() const;
    std::string accessibilityHelp() const;
    // The accessibility press: starts recording; false when refused.
    bool accessibilityPress();

    // A click at (x, y) in a control with `bounds`; false when disabled (the click is not ours).
    bool mouseDown(double x, double y, const Rect& bounds);
    // A key-down or flags-changed event with the OS's key code and modifier flags, while
    // recording; any other time it passes through.
    KeyResult handleKeyEvent(uint16_t keyCode, uint64_t modifierFlags, bool isFlagsChanged);
    // Keys that go on to their normal target even while recording: Tab, and Command-W and
    // Command-Q (which also stop the recording).
    static bool passesThrough(uint16_t keyCode, uint64_t modifierFlags);
    // The window holding the control stopped being the key window.
    void windowResignedKey();

    // Called with the recorder after every change of the value.
    std::function<void(ShortcutRecorder&)> shortcutValueChange;
    // Shows the alert modally and returns once it is closed.
    std::function<void(const Alert&)> showAlert;
    // Posts an accessibility announcement.
    std::function<void(const std::string& text, int priority)> announce;
    // Something drawn, the recording state or the tool tips changed.
    std::function<void()> changed;

  private:
    KeyResult recordKey(const MASShortcut& shortcut);
    void notifyChanged();

    ShortcutRecorderRegistry& registry_;
    ShortcutChecks& checks_;
    platform::KeyboardLayout& layout_;
    platform::Sounds& sounds_;

    std::optional<MASShortcut> shortcutValue_;
    std::optional<std::string> placeholder_;
    bool recording_ = false;
    bool enabled_ = true;
    bool showsDeleteButton_ = true;
    bool hinting_ = false;
    int style_ = Default;
    // While the collision alert is up, key events and losing key status are not ours.
    bool suspended_ = false;
};
