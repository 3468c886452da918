#include "platform/linux/AppRegistry.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusPendingCall>
#include <QDBusReply>
#include <QMetaObject>
#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>

namespace platform {

namespace {

std::atomic<AppRegistry*> gCurrent{nullptr};

QDBusMessage methodCall(int pid, const char* method) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(AppRegistry::serviceName(pid), AppRegistry::kPath,
                                       AppRegistry::kInterface, QString::fromLatin1(method));
    // A vanished program must not be started again by the bus.
    call.setAutoStartService(false);
    return call;
}

}  // namespace

AppRegistry::AppRegistry(RegisteredApplication identity, Callbacks callbacks)
    : callbacks_(std::move(callbacks)), identity_(std::move(identity)) {
    thread_.setObjectName(QStringLiteral("AppRegistry"));
}

AppRegistry::~AppRegistry() {
    unregisterFromBus();
    if (thread_.isRunning()) {
        // Back to the main thread before the registration thread goes, so the object is not
        // left in a thread that no longer runs.
        QThread* mainThread = QCoreApplication::instance() ? QCoreApplication::instance()->thread()
                                                           : QThread::currentThread();
        QMetaObject::invokeMethod(
            this, [this, mainThread] { moveToThread(mainThread); }, Qt::BlockingQueuedConnection);
        thread_.quit();
        thread_.wait();
    }
}

AppRegistry* AppRegistry::current() {
    return gCurrent.load();
}

void AppRegistry::onMainThread(std::function<void()> work) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;
    QMetaObject::invokeMethod(app, std::move(work), Qt::QueuedConnection);
}

double AppRegistry::realTimeNow() {
    // Wall-clock time, so that launch order compares between processes.
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

bool AppRegistry::registerOnBus() {
    if (registered_) return true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || current()) return false;
    updateIdentity([](RegisteredApplication& id) {
        id.pid = static_cast<int>(getpid());
        id.launchedAt = realTimeNow();
    });
    // Exported while still on this thread (the bus gives the object helpers of its own), then
    // moved, helpers and all, to the thread that answers.
    if (!bus.registerObject(kPath, this,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals))
        return false;
    thread_.start();
    moveToThread(&thread_);
    if (!bus.registerService(serviceName(static_cast<int>(getpid())))) {
        bus.unregisterObject(kPath);
        return false;
    }
    registered_ = true;
    gCurrent = this;
    return true;
}

void AppRegistry::unregisterFromBus() {
    if (!registered_) return;
    registered_ = false;
    gCurrent = nullptr;
    QDBusConnection bus = QDBusConnection::sessionBus();
    // A round trip to the bus: replies sent before it have left the process when it returns.
    bus.unregisterService(serviceName(static_cast<int>(getpid())));
    bus.unregisterObject(kPath);
}

RegisteredApplication AppRegistry::identity() const {
    std::lock_guard lock(mutex_);
    return identity_;
}

void AppRegistry::updateIdentity(const std::function<void(RegisteredApplication&)>& change) {
    std::lock_guard lock(mutex_);
    change(identity_);
}

void AppRegistry::announceActivation() {
    if (!registered_) return;
    QDBusMessage signal =
        QDBusMessage::createSignal(kPath, kInterface, QStringLiteral("Activated"));
    signal << static_cast<int>(getpid());
    QDBusConnection::sessionBus().send(signal);
}

QString AppRegistry::serviceName(int pid) {
    return QString::fromLatin1(kServicePrefix) + QString::number(pid);
}

std::optional<int> AppRegistry::pidForServiceName(const QString& name) {
    const QString prefix = QString::fromLatin1(kServicePrefix);
    if (!name.startsWith(prefix)) return std::nullopt;
    const std::string digits = name.mid(prefix.size()).toStdString();
    int pid = 0;
    const char* end = digits.data() + digits.size();
    auto [ptr, ec] = std::from_chars(digits.data(), end, pid);
    if (digits.empty() || ec != std::errc() || ptr != end || pid <= 0) return std::nullopt;
    return pid;
}

bool AppRegistry::busAvailable() {
    return QDBusConnection::sessionBus().isConnected();
}

std::vector<RegisteredApplication> AppRegistry::list() {
    std::vector<RegisteredApplication> apps;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) return apps;
    const QDBusReply<QStringList> names = bus.interface()->registeredServiceNames();
    if (!names.isValid()) return apps;

    // Ask every program at once, so one stuck program costs one time-out, not one each.
    const int self = static_cast<int>(getpid());
    std::vector<std::pair<int, QDBusPendingCall>> calls;
    for (const QString& name : names.value()) {
        const auto pid = pidForServiceName(name);
        if (!pid) continue;
        if (AppRegistry* registry = current(); registry && *pid == self) {
            apps.push_back(registry->identity());
            continue;
        }
        calls.emplace_back(*pid, bus.asyncCall(methodCall(*pid, "Info"), kInfoTimeoutMs));
    }
    for (auto& [pid, call] : calls) {
        call.waitForFinished();
        const QDBusMessage reply = call.reply();
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) continue;
        RegisteredApplication app = fromMap(qdbus_cast<QVariantMap>(reply.arguments().at(0)));
        // The name is the bus's word on the pid; the program's own map only repeats it.
        app.pid = pid;
        apps.push_back(std::move(app));
    }
    std::stable_sort(apps.begin(), apps.end(), [](const auto& a, const auto& b) {
        return a.launchedAt != b.launchedAt ? a.launchedAt < b.launchedAt : a.pid < b.pid;
    });
    return apps;
}

std::optional<RegisteredApplication> AppRegistry::selfIdentity() {
    if (AppRegistry* registry = current()) return registry->identity();
    return std::nullopt;
}

bool AppRegistry::isRunning(int pid) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) return false;
    const QDBusReply<bool> owned = bus.interface()->isServiceRegistered(serviceName(pid));
    return owned.isValid() && owned.value();
}

bool AppRegistry::requestTerminate(int pid) {
    if (AppRegistry* registry = current(); registry && pid == static_cast<int>(getpid())) {
        registry->Terminate();
        return true;
    }
    if (!isRunning(pid)) return false;
    // Without waiting: a program busy in a handler still gets the request, later.
    return QDBusConnection::sessionBus().send(methodCall(pid, "Terminate"));
}

bool AppRegistry::requestActivate(int pid, uint64_t options) {
    if (AppRegistry* registry = current(); registry && pid == static_cast<int>(getpid())) {
        registry->Activate(options);
        return true;
    }
    if (!isRunning(pid)) return false;
    QDBusMessage call = methodCall(pid, "Activate");
    call << static_cast<qulonglong>(options);
    return QDBusConnection::sessionBus().send(call);
}

std::optional<std::string> AppRegistry::deliverLocally(const std::string& event, bool wait) {
    AppRegistry* registry = current();
    if (!registry || !registry->callbacks_.handleAppleEvent) return std::nullopt;
    if (wait) return registry->callbacks_.handleAppleEvent(event);
    auto handle = registry->callbacks_.handleAppleEvent;
    onMainThread([handle, event] { handle(event); });
    return std::string();
}

RegisteredApplication AppRegistry::fromMap(const QVariantMap& map) {
    RegisteredApplication app;
    app.pid = map.value(QStringLiteral("pid")).toInt();
    app.bundleIdentifier = map.value(QStringLiteral("bundleIdentifier")).toString().toStdString();
    app.bundleURL = map.value(QStringLiteral("bundleURL")).toString().toStdString();
    app.localizedName = map.value(QStringLiteral("localizedName")).toString().toStdString();
    app.activationPolicy = std::clamp(map.value(QStringLiteral("activationPolicy")).toInt(), 0, 2);
    app.launchedAt = map.value(QStringLiteral("launchedAt")).toDouble();
    app.activatedAt = map.value(QStringLiteral("activatedAt")).toDouble();
    return app;
}

QVariantMap AppRegistry::toMap(const RegisteredApplication& app) {
    QVariantMap map;
    map.insert(QStringLiteral("pid"), app.pid);
    map.insert(QStringLiteral("bundleIdentifier"), QString::fromStdString(app.bundleIdentifier));
    map.insert(QStringLiteral("bundleURL"), QString::fromStdString(app.bundleURL));
    map.insert(QStringLiteral("localizedName"), QString::fromStdString(app.localizedName));
    map.insert(QStringLiteral("activationPolicy"), app.activationPolicy);
    map.insert(QStringLiteral("launchedAt"), app.launchedAt);
    map.insert(QStringLiteral("activatedAt"), app.activatedAt);
    return map;
}

// The slots below run on the registration thread.

QVariantMap AppRegistry::Info() {
    return toMap(identity());
}

void AppRegistry::Terminate() {
    if (auto terminate = callbacks_.terminate) onMainThread(terminate);
}

void AppRegistry::Activate(qulonglong options) {
    if (auto activate = callbacks_.activate)
        onMainThread([activate, options] { activate(options); });
}

QByteArray AppRegistry::HandleAppleEvent(const QByteArray& event, const QDBusMessage& message) {
    auto handle = callbacks_.handleAppleEvent;
    if (!handle) return {};
    // Answered later, from the main thread, once the handler has run there.
    message.setDelayedReply(true);
    onMainThread([handle, message, bytes = std::string(event.constData(), event.size())] {
        const std::string reply = handle(bytes);
        if (message.isReplyRequired()) {
            QDBusConnection::sessionBus().send(message.createReply(
                QByteArray(reply.data(), static_cast<qsizetype>(reply.size()))));
        }
    });
    return {};
}

}  // namespace platform
