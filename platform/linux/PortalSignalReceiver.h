#pragma once

#include <QDBusMessage>
#include <QObject>
#include <functional>

namespace platform {

// Hands D-Bus signals to a function: QtDBus delivers signals only to slots of objects, and a
// slot taking the whole message sees every argument whatever the signature. The signals reach
// the function on the thread this object lives in.
class PortalSignalReceiver : public QObject {
    Q_OBJECT
  public:
    using Handler = std::function<void(const QDBusMessage&)>;
    explicit PortalSignalReceiver(Handler handler, QObject* parent = nullptr)
        : QObject(parent), handler_(std::move(handler)) {}

  public slots:
    void onMessage(const QDBusMessage& message);

  private:
    Handler handler_;
};

}  // namespace platform
