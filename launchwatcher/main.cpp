// purlaneLaunchWatcher: a window listing which applications of the family run and are launched.

#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <QWidget>

#include "launchwatcher/AppDelegate.h"
#include "launchwatcher/DateFormatter.h"
#include "launchwatcher/LogTextView.h"
#include "platform/linux/InstalledApplications.h"
#include "platform/linux/LinuxGuiApplication.h"

int main(int argc, char** argv) {
    platform::LinuxGuiApplication app(argc, argv);

    QWidget window;
    window.setWindowTitle(
        QString::fromStdString(platform::InstalledApplications::displayName(app.bundle())));
    window.resize(640, 480);
    // The log fills the window and follows its size in every direction.
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    launchwatcher::LogTextView logView;
    layout->addWidget(logView.textView());

    launchwatcher::DateFormatter dates;
    launchwatcher::AppDelegate delegate(
        logView, [&dates] { return dates.stringFromDate(platform::Date::now()); });
    app.setDelegate(&delegate);
    window.show();
    return app.run();
}
