#include "platform/linux/DesktopNotifications.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

#include "platform/core/Log.h"

namespace platform {

DesktopNotifications::DesktopNotifications(std::string applicationName)
    : applicationName_(std::move(applicationName)) {}

void DesktopNotifications::deliver(const std::string& title, const std::string& body) {
    log("Notice: " + title + ": " + body);
    QDBusMessage notify = QDBusMessage::createMethodCall("org.freedesktop.Notifications",
                                                         "/org/freedesktop/Notifications",
                                                         "org.freedesktop.Notifications", "Notify");
    notify << QString::fromStdString(applicationName_) << 0u << QString()
           << QString::fromStdString(title) << QString::fromStdString(body) << QStringList()
           << QVariantMap() << -1;
    QDBusConnection::sessionBus().send(notify);
}

}  // namespace platform
