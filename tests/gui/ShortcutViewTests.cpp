// The recorder control drawn in each of its states, written to build/screenshots/ for a look,
// and the key and mouse routes from Qt events to the recorder.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "agent/shortcuts/ShortcutView.h"
#include "platform/input/KeyCodeMap.h"
#include "platform/input/ModifierFlags.h"
#include "platform/sim/SimKeyboardLayout.h"
#include "platform/sim/SimSounds.h"
#include "tests/support/QtWidgetsApp.h"

using platform::ModifierFlags;

namespace {

constexpr uint16_t kU = 32, kShiftKey = 56;

struct CommandOrControl : ShortcutChecks {
    bool isValid(const MASShortcut& s) override {
        return s.modifierFlags() & (ModifierFlags::command | ModifierFlags::control);
    }
    bool isTaken(const MASShortcut&, std::string&) override { return false; }
};

// Pixels of `area` that stand out from the fill just above it (text, glyphs): gradients and
// antialiased bezel edges differ far less than ink does.
int inkedPixels(const QImage& image, const QRect& area) {
    const QColor fill = image.pixelColor(area.center().x(), area.top() - 2);
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const int distance = std::abs(c.red() - fill.red()) +
                                 std::abs(c.green() - fill.green()) +
                                 std::abs(c.blue() - fill.blue());
            if (distance > 90) ++count;
        }
    }
    return count;
}

class ShortcutViewTest : public testing::Test {
  protected:
    ShortcutViewTest() { view.resize(190, 24); }

    // Draws the view (on a white sheet, so flat styles show) and saves it under `name`.
    QImage shoot(const std::string& name) {
        QImage image = view.grab().toImage();
        testsupport::saveScreenshot(image, "ShortcutView-" + name);
        return image;
    }

    void sendKey(QEvent::Type type, int key, Qt::KeyboardModifiers modifiers, uint16_t code) {
        QKeyEvent event(type, key, modifiers, *platform::KeyCodeMap::x11KeyCode(code), 0, 0);
        QApplication::sendEvent(&view, &event);
    }

    void click(double x) {
        QMouseEvent event(QEvent::MouseButtonPress, QPointF(x, 12), QPointF(x, 12), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&view, &event);
    }

    QApplication& application = testsupport::ensureQtWidgetsApplication();  // before any widget
    ShortcutRecorderRegistry registry;
    CommandOrControl checks;
    platform::SimKeyboardLayout layout;
    platform::SimSounds sounds;
    ShortcutView view{registry, checks, layout, sounds};
    ShortcutRecorder& recorder = view.recorder();
};

TEST_F(ShortcutViewTest, EveryStateDrawsItsTitleAndHint) {
    const MASShortcut set(kU, ModifierFlags::control | ModifierFlags::option);
    const struct {
        const char* name;
        bool set, showsDelete, recording, hinting, modifiersHeld, hintDrawn;
    } states[] = {
        {"empty", false, true, false, false, false, false},
        {"set", true, true, false, false, false, true},
        {"set-no-delete", true, false, false, false, false, false},
        {"recording-empty", false, true, true, false, false, true},
        {"recording-set", true, true, true, false, false, true},
        {"recording-hinting-set", true, true, true, true, false, true},
        {"recording-hinting-empty", false, true, true, true, false, true},
        {"recording-placeholder", false, true, true, false, true, true},
    };
    for (int style = 0; style < 4; ++style) {
        for (const auto& s : states) {
            SCOPED_TRACE(std::string(s.name) + " style " + std::to_string(style));
            recorder.setRecording(false);
            recorder.setStyle(style);
            recorder.setShortcutValue(s.set ? std::optional(set) : std::nullopt);
            recorder.setShowsDeleteButton(s.showsDelete);
            recorder.setRecording(s.recording);
            recorder.setHinting(s.hinting);
            if (s.modifiersHeld)
                recorder.handleKeyEvent(kShiftKey, ModifierFlags::command | ModifierFlags::shift,
                                        true);
            const QImage image = shoot(std::string(s.name) + "-style" + std::to_string(style));
            ASSERT_EQ(image.size(), QSize(190, 24));
            const auto hint = recorder.hintRect({0, 0, 190, 24});
            const auto title = recorder.titleRect({0, 0, 190, 24});
            // The title's middle and the hint glyph carry ink; an empty hint area none.
            const QRect titleMiddle(static_cast<int>(title.x + title.width / 2 - 15), 7, 30, 10);
            const QRect hintMiddle(static_cast<int>(hint.x + hint.width / 2 - 4), 7, 8, 10);
            EXPECT_GT(inkedPixels(image, titleMiddle), 8);
            if (s.hintDrawn)
                EXPECT_GT(inkedPixels(image, hintMiddle), 4);
            else
                EXPECT_EQ(inkedPixels(image, hintMiddle), 0);
        }
    }
}

TEST_F(ShortcutViewTest, QtEventsReachTheRecorder) {
    click(20);
    ASSERT_TRUE(recorder.recording());

    // Holding Super and Shift: the Shift press itself adds its flag.
    sendKey(QEvent::KeyPress, Qt::Key_Shift, Qt::MetaModifier, kShiftKey);
    EXPECT_EQ(recorder.shortcutPlaceholder(), "⇧⌘");
    sendKey(QEvent::KeyRelease, Qt::Key_Shift, Qt::MetaModifier | Qt::ShiftModifier, kShiftKey);
    EXPECT_EQ(recorder.shortcutPlaceholder(), "⌘");

    sendKey(QEvent::KeyPress, Qt::Key_U, Qt::ControlModifier | Qt::AltModifier, kU);
    EXPECT_FALSE(recorder.recording());
    EXPECT_EQ(recorder.shortcutValue(),
              MASShortcut(kU, ModifierFlags::control | ModifierFlags::option));
    EXPECT_EQ(view.lastAnnouncement(), "Shortcut set");
    EXPECT_EQ(view.accessibleName().toStdString(), "⌃⌥U keyboard shortcut");

    // A click on the delete glyph clears.
    click(180);
    EXPECT_EQ(recorder.shortcutValue(), std::nullopt);

    // Assistive technologies see a button whose press starts recording.
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&view);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::Button);
    EXPECT_EQ(accessible->text(QAccessible::Name).toStdString(), "Empty keyboard shortcut");
    EXPECT_EQ(accessible->text(QAccessible::Description).toStdString(),
              recorder.accessibilityHelp());
    accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(recorder.recording());

    EXPECT_EQ(MASShortcutView::modifierFlags(Qt::ShiftModifier | Qt::ControlModifier |
                                             Qt::AltModifier | Qt::MetaModifier),
              0x1E0000u);
}

}  // namespace
