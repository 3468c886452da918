#pragma once

#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QThread;

namespace platform {

// A thread of its own, with a Qt event loop, on which D-Bus signals of the session bus arrive
// and jobs run: the desktop's answers keep coming while the main thread sleeps (the apply
// pipeline does, between synthetic keystrokes). Signals subscribed through it reach `receive`
// on that thread.
class DBusSignalThread : public QObject {
    Q_OBJECT

  public:
    using Receive = std::function<void(const QDBusMessage&)>;

    explicit DBusSignalThread(Receive receive);
    // Runs the jobs already posted, then ends the thread.
    ~DBusSignalThread() override;
    DBusSignalThread(const DBusSignalThread&) = delete;
    DBusSignalThread& operator=(const DBusSignalThread&) = delete;

    // Runs `job` on the thread later.
    void post(std::function<void()> job);
    // Runs `job` on the thread and waits for it (at once when called on the thread).
    void runAndWait(const std::function<void()>& job);
    // Runs `job` on the thread once nothing new was posted here for `milliseconds`: a burst of
    // calls ends in one run.
    void debounce(int milliseconds, std::function<void()> job);
    bool isCurrent() const;

    // Subscribes to a signal; a null service matches any sender. Any thread.
    bool subscribe(const QString& service, const QString& path, const QString& interface,
                   const QString& name);
    void unsubscribe(const QString& service, const QString& path, const QString& interface,
                     const QString& name);

  private slots:
    void received(const QDBusMessage& message);

  private:
    struct State;
    Receive receive_;
    std::unique_ptr<QThread> thread_;
    std::unique_ptr<State> state_;
};

}  // namespace platform
