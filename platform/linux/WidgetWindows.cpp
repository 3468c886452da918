#include "platform/linux/WidgetWindows.h"

#include <QApplication>
#include <QWidget>
#include <algorithm>

namespace platform {

void WidgetWindows::raiseAll() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible()) continue;
        window->raise();
        window->activateWindow();
    }
}

void WidgetWindows::hideAll() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible()) continue;
        hidden_.emplace_back(window);
        window->hide();
    }
}

void WidgetWindows::unhideAll() {
    for (const auto& window : hidden_) {
        if (window) window->show();
    }
    hidden_.clear();
}

bool WidgetWindows::hasVisibleWindows() const {
    const auto windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(),
                       [](const QWidget* w) { return w->isVisible(); });
}

}  // namespace platform
