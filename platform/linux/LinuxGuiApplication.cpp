#include "platform/linux/LinuxGuiApplication.h"

#include <QApplication>
#include <cstdlib>

#include "platform/linux/WidgetWindows.h"
#include "platform/linux/x11/X11ActiveWindow.h"

namespace platform {

namespace {

std::unique_ptr<QCoreApplication> makeWidgetsApplication(int& argc, char** argv) {
    // Without a display the program still starts, drawing off screen.
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") &&
        !std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return std::make_unique<QApplication>(argc, argv);
}

}  // namespace

LinuxGuiApplication::LinuxGuiApplication(int& argc, char** argv)
    : LinuxApplication(argc, argv, makeWidgetsApplication, std::make_unique<WidgetWindows>()) {
    // On an X display every application with a window is seen, not only ours.
    linuxWorkspace().setForeignApplications(X11ActiveWindow::open());
}

}  // namespace platform
