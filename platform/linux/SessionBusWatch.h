#pragma once

#include <QObject>
#include <functional>

namespace platform {

// Ends a program with its session. When the session bus goes away (the user logged out, a
// private bus was shut down), the bus library posts Disconnected on its local interface; the
// desktop's own programs leave then, and so do ours, cleanly, as on a quit request. Without a
// bus at construction there is nothing to watch and the callback never runs.
class SessionBusWatch : public QObject {
    Q_OBJECT

  public:
    // `disconnected` runs once, on the thread that made the watch, from its event loop.
    explicit SessionBusWatch(std::function<void()> disconnected);
    ~SessionBusWatch() override;

    bool watching() const { return watching_; }

  private slots:
    void busDisconnected();

  private:
    std::function<void()> disconnected_;
    bool watching_ = false;
};

}  // namespace platform
