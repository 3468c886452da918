#include "platform/linux/PortalSignalReceiver.h"

namespace platform {

void PortalSignalReceiver::onMessage(const QDBusMessage& message) {
    if (handler_) handler_(message);
}

}  // namespace platform
