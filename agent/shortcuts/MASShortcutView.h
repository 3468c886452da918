#pragma once

#include <QWidget>
#include <string>

#include "agent/shortcuts/ShortcutRecorder.h"

class QKeyEvent;

// The shortcut recorder control: draws a ShortcutRecorder (the shortcut area and the hint
// glyph on a button-like bezel) and forwards clicks, hovering over the hint and keys to it.
// While recording it holds the keyboard, so a combination that is already a global hot key
// is recorded instead of fired.
class MASShortcutView : public QWidget {
  public:
    MASShortcutView(ShortcutRecorderRegistry& registry, ShortcutChecks& checks,
                    platform::KeyboardLayout& layout, platform::Sounds& sounds,
                    QWidget* parent = nullptr);
    ~MASShortcutView() override;

    ShortcutRecorder& recorder() { return recorder_; }
    const ShortcutRecorder& recorder() const { return recorder_; }
    // The last announcement for assistive technologies ("Shortcut set", "Shortcut cleared").
    const std::string& lastAnnouncement() const { return lastAnnouncement_; }

    // The OS's modifier flags for Qt's modifiers: Control, Alt as Option, Shift, Meta (Super)
    // as Command.
    static uint64_t modifierFlags(Qt::KeyboardModifiers modifiers);

    QSize sizeHint() const override;

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    // The keyboard can only be held by a visible window.
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    // True when the recorder consumed the key.
    bool forwardKey(QKeyEvent* event);
    void recorderChanged();
    void showAlert(const ShortcutRecorder::Alert& alert);
    void setKeyboardHeld(bool held);
    ShortcutRecorder::Rect bounds() const;

    ShortcutRecorder recorder_;
    std::string lastAnnouncement_;
    bool keyboardHeld_ = false;
};
