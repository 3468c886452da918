#pragma once

#include <QApplication>
#include <cstdlib>

namespace testsupport {

// One widgets application for the whole test binary, whichever test asks first. Without a
// platform chosen by the runner (QT_QPA_PLATFORM) and without a display, it draws off screen;
// a test's own desktop (XDesktop) sets DISPLAY before this is first called.
inline QApplication& ensureQtWidgetsApplication() {
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance()))
        return *existing;
    static int argc = 1;
    static char arg0[] = "tests";
    static char* argv[] = {arg0, nullptr};
    if (!std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    return *new QApplication(argc, argv);  // lives as long as the test binary
}

}  // namespace testsupport
