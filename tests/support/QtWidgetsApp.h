#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <string>

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

// Lets the widgets lay out and paint what they were asked to before a test looks at them.
inline void settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

// Saves `image` as build/screenshots/NAME.png for a person to look at; the test fails when it
// cannot.
inline void saveScreenshot(const QImage& image, const std::string& name) {
    const auto folder = std::filesystem::path(PURLANE_BUILD_DIR) / "screenshots";
    std::filesystem::create_directories(folder);
    const auto path = folder / (name + ".png");
    EXPECT_TRUE(image.save(QString::fromStdString(path.string()))) << path;
}
inline void saveScreenshot(QWidget& widget, const std::string& name) {
    saveScreenshot(widget.grab().toImage(), name);
}

}  // namespace testsupport
