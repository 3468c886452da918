#include "platform/linux/DBusDistributedCenter.h"

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>

#include "platform/coding/BinaryPropertyList.h"
#include "platform/core/Log.h"

namespace platform {

DBusDistributedCenter::DBusDistributedCenter(MainQueue& mainQueue) : mainQueue_(mainQueue) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        connected_ =
            bus.connect(QString(), kPath, kInterface, kMember, this, SLOT(received(QDBusMessage)));
    }
    if (!connected_) {
        log("Distributed notifications are unavailable: no session bus (" +
            bus.lastError().message().toStdString() + "); notifications stay in this process");
    }
}

DBusDistributedCenter::~DBusDistributedCenter() {
    *alive_ = false;
    if (connected_)
        QDBusConnection::sessionBus().disconnect(QString(), kPath, kInterface, kMember, this,
                                                 SLOT(received(QDBusMessage)));
}

void DBusDistributedCenter::post(const DistributedNotification& n) {
    if (!connected_) {
        // Still reaches this process, as the poster is always among the receivers.
        mainQueue_.async([this, alive = alive_, n] {
            if (*alive) deliver(n);
        });
        return;
    }
    QByteArray info;
    if (!n.userInfo.empty()) {
        auto bytes = BinaryPropertyList::write(PropertyList(n.userInfo));
        if (bytes.ok()) info = QByteArray(bytes->data(), static_cast<qsizetype>(bytes->size()));
    }
    QDBusMessage signal = QDBusMessage::createSignal(kPath, kInterface, kMember);
    signal << QString::fromStdString(n.name) << n.object.has_value()
           << QString::fromStdString(n.object.value_or(std::string())) << info;
    QDBusConnection::sessionBus().send(signal);
}

ObserverToken DBusDistributedCenter::addObserver(const std::string& name,
                                                 std::optional<std::string> object,
                                                 Callback callback) {
    return observers_.add(name, std::move(object), std::move(callback));
}

void DBusDistributedCenter::removeObserver(ObserverToken token) {
    observers_.remove(token);
}

void DBusDistributedCenter::received(const QDBusMessage& message) {
    // Anybody on the bus can send this signal: check its shape before trusting it.
    const QList<QVariant> args = message.arguments();
    if (args.size() != 4 || args[0].typeId() != QMetaType::QString ||
        args[1].typeId() != QMetaType::Bool || args[2].typeId() != QMetaType::QString ||
        args[3].typeId() != QMetaType::QByteArray)
        return;
    DistributedNotification n;
    n.name = args[0].toString().toStdString();
    if (args[1].toBool()) n.object = args[2].toString().toStdString();
    const QByteArray info = args[3].toByteArray();
    if (!info.isEmpty()) {
        auto parsed = BinaryPropertyList::read(std::string_view(info.constData(), info.size()));
        if (parsed.ok() && parsed->isDictionary()) n.userInfo = *parsed->asDictionary();
    }
    deliver(n);  // signals arrive through the main thread's event loop
}

void DBusDistributedCenter::deliver(const DistributedNotification& n) {
    for (const auto& cb : observers_.matching(n)) (*cb)(n);
}

}  // namespace platform
