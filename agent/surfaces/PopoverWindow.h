#pragma once

#include <QWidget>
#include <functional>
#include <optional>

#include "agent/surfaces/PopoverView.h"

// The popover on the desktop: a frameless tool window (not a Qt popup, which would grab the
// keyboard and block the global hot keys) under the status item, holding the content widget.
// Its 4-point margins on the left, right and bottom are the drag zones of PopoverResize.
// Losing the focus to another window counts as a click outside it.
class PopoverWindow : public QWidget, public PopoverView {
  public:
    // Takes `content` as its child.
    explicit PopoverWindow(QWidget* content);
    ~PopoverWindow() override;

    // What Escape does (the content's cancel); it is not forwarded to the desktop.
    void setCancelHandler(std::function<void()> handler) { cancel_ = std::move(handler); }
    QWidget* content() const { return content_; }

    // PopoverView
    void setResizeTracker(PopoverResize* resize) override;
    void show(std::optional<platform::Rect> positioningRect, bool animated) override;
    void close() override;
    bool isShown() const override { return isVisible(); }
    void setContentSize(platform::Size size) override;
    void setDismissHandler(std::function<void()> handler) override {
        dismiss_ = std::move(handler);
    }

  protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    // Content coordinates of the OS (origin bottom-left) for a point in this widget.
    platform::Point contentPoint(QPointF local) const;
    void applyResize();
    void place();

    QWidget* content_;
    PopoverResize* resize_ = nullptr;
    std::function<void()> dismiss_;
    std::function<void()> cancel_;
    // Where the window hangs from: the centre of its top edge, in Qt screen coordinates.
    std::optional<QPoint> anchor_;
    bool closing_ = false;
};
