#include "platform/linux/SessionBusWatch.h"

#include <QDBusConnection>

namespace platform {

namespace {

// The bus library's own signal: it never travels on the wire, so it has no sender.
const char* const kLocalPath = "/org/freedesktop/DBus/Local";
const char* const kLocalInterface = "org.freedesktop.DBus.Local";
const char* const kDisconnected = "Disconnected";

}  // namespace

SessionBusWatch::SessionBusWatch(std::function<void()> disconnected)
    : disconnected_(std::move(disconnected)) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    watching_ = bus.connect(QString(), QString::fromLatin1(kLocalPath),
                            QString::fromLatin1(kLocalInterface),
                            QString::fromLatin1(kDisconnected), this, SLOT(busDisconnected()));
}

SessionBusWatch::~SessionBusWatch() {
    if (!watching_) return;
    QDBusConnection::sessionBus().disconnect(
        QString(), QString::fromLatin1(kLocalPath), QString::fromLatin1(kLocalInterface),
        QString::fromLatin1(kDisconnected), this, SLOT(busDisconnected()));
}

void SessionBusWatch::busDisconnected() {
    if (!watching_ || !disconnected_) return;
    auto disconnected = std::move(disconnected_);
    disconnected_ = nullptr;
    disconnected();
}

}  // namespace platform
