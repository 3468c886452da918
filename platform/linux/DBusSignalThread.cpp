#include "platform/linux/DBusSignalThread.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QThread>
#include <QTimer>
#include <atomic>

namespace platform {

struct DBusSignalThread::State {
    // Thread only.
    std::unique_ptr<QTimer> timer;
    std::function<void()> debounced;
    std::atomic<bool> stopping{false};
};

DBusSignalThread::DBusSignalThread(Receive receive)
    : receive_(std::move(receive)),
      thread_(std::make_unique<QThread>()),
      state_(std::make_unique<State>()) {
    thread_->setObjectName(QStringLiteral("DBusSignalThread"));
    thread_->start();
    moveToThread(thread_.get());
}

DBusSignalThread::~DBusSignalThread() {
    state_->stopping = true;
    // Back to a thread that stays before this one goes, so the object is not left in a thread
    // that no longer runs; the timer goes on the thread that made it.
    QThread* stays = QCoreApplication::instance() ? QCoreApplication::instance()->thread()
                                                  : QThread::currentThread();
    if (stays == thread_.get()) stays = nullptr;
    runAndWait([this, stays] {
        state_->timer.reset();
        moveToThread(stays);
    });
    thread_->quit();
    thread_->wait();
}

bool DBusSignalThread::isCurrent() const {
    return QThread::currentThread() == thread_.get();
}

void DBusSignalThread::post(std::function<void()> job) {
    QMetaObject::invokeMethod(this, std::move(job), Qt::QueuedConnection);
}

void DBusSignalThread::runAndWait(const std::function<void()>& job) {
    if (isCurrent()) {
        job();
        return;
    }
    QMetaObject::invokeMethod(this, job, Qt::BlockingQueuedConnection);
}

void DBusSignalThread::debounce(int milliseconds, std::function<void()> job) {
    post([this, milliseconds, job = std::move(job)]() mutable {
        if (state_->stopping) return;
        state_->debounced = std::move(job);
        if (!state_->timer) {
            state_->timer = std::make_unique<QTimer>();
            state_->timer->setSingleShot(true);
            QObject::connect(state_->timer.get(), &QTimer::timeout, state_->timer.get(), [this] {
                auto job = std::move(state_->debounced);
                state_->debounced = nullptr;
                if (job) job();
            });
        }
        state_->timer->start(milliseconds);
    });
}

bool DBusSignalThread::subscribe(const QString& service, const QString& path,
                                 const QString& interface, const QString& name) {
    return QDBusConnection::sessionBus().connect(service, path, interface, name, this,
                                                 SLOT(received(QDBusMessage)));
}

void DBusSignalThread::unsubscribe(const QString& service, const QString& path,
                                   const QString& interface, const QString& name) {
    QDBusConnection::sessionBus().disconnect(service, path, interface, name, this,
                                             SLOT(received(QDBusMessage)));
}

void DBusSignalThread::received(const QDBusMessage& message) {
    if (state_->stopping || !isCurrent()) return;
    if (receive_) receive_(message);
}

}  // namespace platform
