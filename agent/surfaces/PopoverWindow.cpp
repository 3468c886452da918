#include "agent/surfaces/PopoverWindow.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>
#include <cmath>

#include "agent/surfaces/PopoverResize.h"
#include "platform/linux/QtWindowActivation.h"

namespace {

// The OS's screen coordinates have y growing upwards from the primary screen's bottom.
double primaryHeight() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().height() : 0;
}

platform::Point osScreenPoint(QPointF global) {
    return {global.x(), primaryHeight() - global.y()};
}

Qt::CursorShape cursorShape(ResizeCursor cursor) {
    switch (cursor) {
        case ResizeCursor::eastWest:
            return Qt::SizeHorCursor;
        case ResizeCursor::northEastSouthWest:
            return Qt::SizeBDiagCursor;
        case ResizeCursor::northWestSouthEast:
            return Qt::SizeFDiagCursor;
        case ResizeCursor::northSouth:
            return Qt::SizeVerCursor;
        case ResizeCursor::arrow:
            break;
    }
    return Qt::ArrowCursor;
}

// Room between the popover and its status item.
constexpr int kGapBelowItem = 2;

}  // namespace

PopoverWindow::PopoverWindow(QWidget* content)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      content_(content) {
    setObjectName("purlanePopover");
    setWindowTitle("Purlane");
    setMouseTracking(true);
    auto* layout = new QVBoxLayout(this);
    const int side = static_cast<int>(PopoverResize::SIDES_HIT);
    const int bottom = static_cast<int>(PopoverResize::BOTTOM_HIT);
    layout->setContentsMargins(side, 0, side, bottom);
    layout->addWidget(content_);
    // Drag zones are checked here; the content's own widgets never see edge events.
    content_->setMouseTracking(true);
}

PopoverWindow::~PopoverWindow() = default;

void PopoverWindow::setResizeTracker(PopoverResize* resize) {
    resize_ = resize;
    if (resize_) applyResize();
}

void PopoverWindow::show(std::optional<platform::Rect> positioningRect, bool) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (positioningRect && screen) {
        const double h = primaryHeight();
        // The button's bottom edge, in Qt's coordinates.
        anchor_ =
            QPoint(static_cast<int>(
                       std::lround(positioningRect->origin.x + positioningRect->size.width / 2)),
                   static_cast<int>(std::lround(h - positioningRect->minY())) + kGapBelowItem);
    } else {
        anchor_.reset();
    }
    closing_ = false;
    place();
    QWidget::show();
    platform::bringWindowToFront(*this);
}

void PopoverWindow::close() {
    closing_ = true;
    hide();
    closing_ = false;
}

void PopoverWindow::setContentSize(platform::Size size) {
    resize(static_cast<int>(std::lround(size.width)), static_cast<int>(std::lround(size.height)));
    place();
}

void PopoverWindow::place() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    int x;
    int y;
    if (anchor_) {
        x = anchor_->x() - width() / 2;
        y = anchor_->y();
    } else {
        // No place for the item known: the top-right corner, where status areas usually are.
        x = area.right() - width() - 8;
        y = area.top() + kGapBelowItem;
    }
    x = std::clamp(x, area.left(), std::max(area.left(), area.right() + 1 - width()));
    y = std::clamp(y, area.top(), std::max(area.top(), area.bottom() + 1 - height()));
    move(x, y);
}

void PopoverWindow::applyResize() {
    if (!resize_) return;
    const platform::Size size = resize_->contentSize();
    if (size.width > 0 && size.height > 0) setContentSize(size);
    setCursor(cursorShape(resize_->cursor()));
}

platform::Point PopoverWindow::contentPoint(QPointF local) const {
    return {local.x(), height() - local.y()};
}

bool PopoverWindow::event(QEvent* event) {
    // Another window took the focus: the user clicked outside the popover.
    if (event->type() == QEvent::WindowDeactivate && isVisible() && !closing_ && dismiss_)
        dismiss_();
    return QWidget::event(event);
}

void PopoverWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && cancel_) {
        cancel_();
        return;
    }
    QWidget::keyPressEvent(event);
}

void PopoverWindow::mouseMoveEvent(QMouseEvent* event) {
    if (!resize_) return QWidget::mouseMoveEvent(event);
    if (event->buttons() & Qt::LeftButton) {
        resize_->mouseDragged(osScreenPoint(event->globalPosition()));
    } else {
        resize_->mouseMovedInContent(contentPoint(event->position()));
    }
    applyResize();
}

void PopoverWindow::mousePressEvent(QMouseEvent* event) {
    if (resize_ && event->button() == Qt::LeftButton)
        resize_->mouseDown(osScreenPoint(event->globalPosition()));
    QWidget::mousePressEvent(event);
}

void PopoverWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (resize_ && event->button() == Qt::LeftButton) {
        resize_->mouseUp();
        applyResize();
    }
    QWidget::mouseReleaseEvent(event);
}

void PopoverWindow::leaveEvent(QEvent* event) {
    if (resize_ && !(QGuiApplication::mouseButtons() & Qt::LeftButton)) {
        resize_->mouseLeftContent();
        applyResize();
    }
    QWidget::leaveEvent(event);
}

void PopoverWindow::paintEvent(QPaintEvent*) {
    // A window-coloured panel with a hairline edge, as popovers are drawn.
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
