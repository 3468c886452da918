#include "platform/linux/QtMainQueue.h"

#include <QCoreApplication>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <cmath>

namespace platform {

double SteadyClock::now() const {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void SteadyClock::sleepFor(double seconds) {
    if (seconds > 0) std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

QtMainQueue::QtMainQueue()
    : mainThread_(std::this_thread::get_id()), context_(std::make_unique<QObject>()) {
    timer_ = new QTimer(context_.get());
    timer_->setSingleShot(true);
    timer_->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer_, &QTimer::timeout, context_.get(), [this] { fire(); });
}

QtMainQueue::~QtMainQueue() = default;

void QtMainQueue::async(Task task) {
    asyncAfter(0, std::move(task));
}

void QtMainQueue::asyncAfter(double seconds, Task task) {
    queue_.push(clock_.now() + (seconds > 0 ? seconds : 0), std::move(task));
    if (isCurrent()) {
        rearm();
    } else {
        QMetaObject::invokeMethod(
            context_.get(), [this] { rearm(); }, Qt::QueuedConnection);
    }
}

bool QtMainQueue::isCurrent() const {
    return std::this_thread::get_id() == mainThread_;
}

void QtMainQueue::rearm() {
    const auto next = queue_.nextDeadline();
    if (!next) {
        timer_->stop();
        return;
    }
    const double delay = std::max(0.0, *next - clock_.now());
    timer_->start(static_cast<int>(std::ceil(delay * 1000)));
}

void QtMainQueue::fire() {
    // Only work due when the timer fired: work that tasks submit waits for the next turn of the
    // event loop, so a task that resubmits itself cannot starve input and timers.
    const double now = clock_.now();
    while (auto task = queue_.popDue(now)) (*task)();
    rearm();
}

}  // namespace platform
