#include "platform/linux/BellSounds.h"

#include <QApplication>

namespace platform {

bool BellSounds::play(const std::string& /*name*/) {
    return false;
}

void BellSounds::beep() {
    // Only a widget application can ring the display's bell.
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) QApplication::beep();
}

}  // namespace platform
