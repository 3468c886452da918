#include "agent/shortcuts/MASShortcutView.h"

#include <QAccessible>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QToolTip>

#include "agent/shortcuts/MASShortcutViewAccessible.h"
#include "platform/input/KeyCodeMap.h"
#include "platform/input/ModifierFlags.h"

namespace {

QRectF toQt(const ShortcutRecorder::Rect& r) {
    return {r.x, r.y, r.width, r.height};
}

QString toQt(const std::string& text) {
    return QString::fromStdString(text);
}

// The flag a modifier key itself stands for, 0 for any other key.
uint64_t flagOfModifierKey(int key) {
    switch (key) {
        case Qt::Key_Shift:
            return platform::ModifierFlags::shift;
        case Qt::Key_Control:
            return platform::ModifierFlags::control;
        case Qt::Key_Alt:
            return platform::ModifierFlags::option;
        case Qt::Key_Meta:
        case Qt::Key_Super_L:
        case Qt::Key_Super_R:
            return platform::ModifierFlags::command;
        case Qt::Key_CapsLock:
            return platform::ModifierFlags::capsLock;
        default:
            return 0;
    }
}

}  // namespace

MASShortcutView::MASShortcutView(ShortcutRecorderRegistry& registry, ShortcutChecks& checks,
                                 platform::KeyboardLayout& layout, platform::Sounds& sounds,
                                 QWidget* parent)
    : QWidget(parent), recorder_(registry, checks, layout, sounds) {
    MASShortcutViewAccessible::install();
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
    recorder_.changed = [this] { recorderChanged(); };
    recorder_.showAlert = [this](const ShortcutRecorder::Alert& alert) { showAlert(alert); };
    recorder_.announce = [this](const std::string& text, int /*priority*/) {
        // Qt has no announcement event before 6.8: the text goes out as the new name.
        lastAnnouncement_ = text;
        QAccessibleEvent changed(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&changed);
    };
    recorderChanged();
}

MASShortcutView::~MASShortcutView() {
    recorder_.changed = nullptr;
    recorder_.announce = nullptr;
    setKeyboardHeld(false);
}

uint64_t MASShortcutView::modifierFlags(Qt::KeyboardModifiers modifiers) {
    uint64_t flags = 0;
    if (modifiers & Qt::ShiftModifier) flags |= platform::ModifierFlags::shift;
    if (modifiers & Qt::ControlModifier) flags |= platform::ModifierFlags::control;
    if (modifiers & Qt::AltModifier) flags |= platform::ModifierFlags::option;
    if (modifiers & Qt::MetaModifier) flags |= platform::ModifierFlags::command;
    return flags;
}

QSize MASShortcutView::sizeHint() const {
    return {170, 24};
}

ShortcutRecorder::Rect MASShortcutView::bounds() const {
    return {0, 0, static_cast<double>(width()), static_cast<double>(height())};
}

void MASShortcutView::recorderChanged() {
    setAccessibleName(toQt(recorder_.accessibilityLabel()));
    setAccessibleDescription(toQt(recorder_.accessibilityHelp()));
    setKeyboardHeld(recorder_.recording() && isVisible());
    if (!recorder_.toolTips()) QToolTip::hideText();
    update();
}

void MASShortcutView::setKeyboardHeld(bool held) {
    if (held == keyboardHeld_) return;
    keyboardHeld_ = held;
    if (held)
        grabKeyboard();
    else
        releaseKeyboard();
}

void MASShortcutView::showAlert(const ShortcutRecorder::Alert& alert) {
    // The alert needs the keyboard for its button; recording resumes after it.
    setKeyboardHeld(false);
    // On the heap: the nested event loop may delete this view, and with it a child box.
    QPointer<QMessageBox> box = new QMessageBox(QMessageBox::Critical, QString(),
                                                toQt(alert.messageText), QMessageBox::Ok, this);
    box->setInformativeText(toQt(alert.informativeText));
    box->button(QMessageBox::Ok)->setText(toQt(alert.button));
    box->exec();
    if (box) box->deleteLater();
}

bool MASShortcutView::forwardKey(QKeyEvent* event) {
    const auto code = platform::KeyCodeMap::virtualKeyCode(event->nativeScanCode());
    if (!code) return false;
    uint64_t flags = modifierFlags(event->modifiers());
    const uint64_t own = flagOfModifierKey(event->key());
    if (own) {
        // X reports the modifiers as they were before the key: apply the key itself.
        flags = event->type() == QEvent::KeyPress ? flags | own : flags & ~own;
    } else if (event->type() != QEvent::KeyPress) {
        return false;
    }
    return recorder_.handleKeyEvent(*code, flags, own != 0) == ShortcutRecorder::KeyResult::Swallow;
}

bool MASShortcutView::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::ShortcutOverride: {
            // While recording, application shortcuts must not see the keys we record.
            auto* key = static_cast<QKeyEvent*>(event);
            const auto code = platform::KeyCodeMap::virtualKeyCode(key->nativeScanCode());
            if (recorder_.recording() && !(code && ShortcutRecorder::passesThrough(
                                                       *code, modifierFlags(key->modifiers())))) {
                event->accept();
                return true;
            }
            break;
        }
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            if (recorder_.recording() && forwardKey(static_cast<QKeyEvent*>(event))) {
                event->accept();
                return true;
            }
            break;
        case QEvent::ToolTip: {
            auto* help = static_cast<QHelpEvent*>(event);
            const auto tips = recorder_.toolTips();
            if (!tips) {
                QToolTip::hideText();
                event->ignore();
                return true;
            }
            const auto hint = recorder_.hintRect(bounds());
            const bool inHint = hint.contains(help->pos().x(), help->pos().y());
            const QRect area =
                (inHint ? toQt(hint) : toQt(recorder_.shortcutRect(bounds()))).toAlignedRect();
            QToolTip::showText(help->globalPos(), toQt(inHint ? tips->hint : tips->shortcut), this,
                               area);
            return true;
        }
        default:
            break;
    }
    return QWidget::event(event);
}

void MASShortcutView::mousePressEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    if (!recorder_.mouseDown(at.x(), at.y(), bounds())) QWidget::mousePressEvent(event);
}

void MASShortcutView::mouseMoveEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    recorder_.setHinting(recorder_.hintRect(bounds()).contains(at.x(), at.y()));
    QWidget::mouseMoveEvent(event);
}

void MASShortcutView::leaveEvent(QEvent* event) {
    recorder_.setHinting(false);
    QWidget::leaveEvent(event);
}

void MASShortcutView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        recorder_.setEnabled(isEnabled());
    } else if (event->type() == QEvent::ActivationChange && !isActiveWindow()) {
        recorder_.windowResignedKey();
    }
    QWidget::changeEvent(event);
}

void MASShortcutView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    recorderChanged();
}

void MASShortcutView::hideEvent(QHideEvent* event) {
    setKeyboardHeld(false);
    QWidget::hideEvent(event);
}

void MASShortcutView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = palette();
    const bool recording = recorder_.recording();
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const QColor accent = pal.color(QPalette::Highlight);

    // The bezel of each style: a capsule, the toolkit's own button, a rounded button, none.
    switch (recorder_.style()) {
        case ShortcutRecorder::TexturedRect: {
            QStyleOptionButton option;
            option.initFrom(this);
            option.state |= recording ? QStyle::State_Sunken : QStyle::State_Raised;
            style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);
            break;
        }
        case ShortcutRecorder::Default:
        case ShortcutRecorder::Rounded: {
            const double radius = recorder_.style() == ShortcutRecorder::Default
                                      ? frame.height() / 2
                                      : std::min(5.0, frame.height() / 4);
            QColor fill = pal.color(QPalette::Button);
            if (recording)
                fill = QColor::fromRgbF(accent.redF(), accent.greenF(), accent.blueF(), 0.18);
            painter.setBrush(fill);
            painter.setPen(recording ? accent : pal.color(QPalette::Mid));
            painter.drawRoundedRect(frame, radius, radius);
            break;
        }
        default:
            if (recording) {
                painter.setPen(Qt::NoPen);
                painter.setBrush(
                    QColor::fromRgbF(accent.redF(), accent.greenF(), accent.blueF(), 0.18));
                painter.drawRoundedRect(frame, 3, 3);
            }
            break;
    }

    QFont titleFont = font();
    titleFont.setPixelSize(static_cast<int>(ShortcutRecorder::kFontPointSize));
    painter.setFont(titleFont);
    const QColor text =
        pal.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText);
    // Prompts and the idle hint glyph are quieter than a recorded shortcut, yet readable on
    // the recording highlight.
    QColor quiet = text;
    quiet.setAlphaF(0.6);
    const QRectF titleArea = toQt(recorder_.titleRect(bounds())).adjusted(6, 0, -2, 0);
    const QString title = painter.fontMetrics().elidedText(
        toQt(recorder_.shortcutTitle()), Qt::ElideMiddle, static_cast<int>(titleArea.width()));
    const bool prompt = recording && !recorder_.shortcutPlaceholder() && !recorder_.hinting();
    painter.setPen(prompt ? quiet : text);
    painter.drawText(titleArea, Qt::AlignCenter, title);

    const std::string hint = recorder_.hintTitle();
    if (!hint.empty()) {
        QFont glyphFont = titleFont;
        glyphFont.setPixelSize(static_cast<int>(ShortcutRecorder::kFontPointSize) + 3);
        painter.setFont(glyphFont);
        painter.setPen(recorder_.hinting() ? text : quiet);
        painter.drawText(toQt(recorder_.hintRect(bounds())), Qt::AlignCenter, toQt(hint));
    }
}
