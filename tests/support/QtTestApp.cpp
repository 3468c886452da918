#include "tests/support/QtTestApp.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

namespace testsupport {

void ensureQtApplication() {
    if (QCoreApplication::instance()) return;
    static int argc = 1;
    static char arg0[] = "tests";
    static char* argv[] = {arg0, nullptr};
    new QCoreApplication(argc, argv);  // lives as long as the test binary
}

bool spinUntil(const std::function<bool()>& done, double timeout) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeout * 1000) return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

}  // namespace testsupport
