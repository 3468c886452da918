#pragma once

#include <QObject>
#include <atomic>

#include "platform/core/MainQueue.h"
#include "platform/notifications/DistributedNotificationCenter.h"

class QDBusMessage;

namespace platform {

// Distributed notifications as D-Bus signals on the session bus: every process of ours that
// listens gets every post, its own included. Without a session bus the centre still delivers
// to the posting process, and says once that nothing leaves it.
class DBusDistributedCenter : public QObject, public DistributedNotificationCenter {
    Q_OBJECT
  public:
    static constexpr const char* kPath = "/com/halvik/purlane/DistributedNotifications";
    static constexpr const char* kInterface = "com.halvik.purlane.DistributedNotifications";
    static constexpr const char* kMember = "Posted";

    explicit DBusDistributedCenter(MainQueue& mainQueue);
    ~DBusDistributedCenter() override;

    using DistributedNotificationCenter::post;
    void post(const DistributedNotification& notification) override;
    ObserverToken addObserver(const std::string& name, std::optional<std::string> object,
                              Callback callback) override;
    void removeObserver(ObserverToken token) override;

    bool connected() const { return connected_; }

  private slots:
    void received(const QDBusMessage& message);

  private:
    void deliver(const DistributedNotification& notification);

    MainQueue& mainQueue_;
    DistributedObserverList observers_;
    bool connected_ = false;
    std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);
};

}  // namespace platform
