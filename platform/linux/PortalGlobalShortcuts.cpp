#include "platform/linux/PortalGlobalShortcuts.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <cstdio>

#include "platform/core/Log.h"
#include "platform/input/ShortcutTriggers.h"
#include "platform/linux/DBusSignalThread.h"

namespace platform {
namespace {

// One shortcut as BindShortcuts takes it and its answer gives it back: (sa{sv}).
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};

}  // namespace
}  // namespace platform

Q_DECLARE_METATYPE(platform::PortalShortcut)

namespace platform {
namespace {

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut) {
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut) {
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString kSessionInterface = QStringLiteral("org.freedesktop.portal.Session");
constexpr int kCallTimeout = 10000;
// Registrations come in bursts (all records at start-up, a replacement and its removal): one
// bind for the burst spares the user a dialog per record.
constexpr int kBindDelay = 100;

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

void registerTypes() {
    static const bool done = [] {
        qDBusRegisterMetaType<PortalShortcut>();
        qDBusRegisterMetaType<QList<PortalShortcut>>();
        return true;
    }();
    (void)done;
}

QDBusMessage call(const QString& method, const QVariantList& arguments) {
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, kCallTimeout);
}

std::string replyPath(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return {};
    return qvariant_cast<QDBusObjectPath>(reply.arguments().first()).path().toStdString();
}

}  // namespace

std::string PortalGlobalShortcuts::shortcutId(uint32_t signature, uint32_t id) {
    char text[40];
    std::snprintf(text, sizeof text, "hotkey-%08x-%u", signature, id);
    return text;
}

std::unique_ptr<PortalGlobalShortcuts> PortalGlobalShortcuts::open(RunOnMain runOnMain,
                                                                   Describe describe) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return nullptr;
    QDBusMessage get = QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << kInterface << QStringLiteral("version");
    const QDBusMessage reply = bus.call(get, QDBus::Block, kCallTimeout);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return nullptr;
    const uint32_t version =
        qvariant_cast<QDBusVariant>(reply.arguments().first()).variant().toUInt();
    if (version == 0) return nullptr;
    registerTypes();
    if (!describe) describe = [](uint32_t, uint32_t id) { return "Hot key " + std::to_string(id); };
    std::unique_ptr<PortalGlobalShortcuts> portal(
        new PortalGlobalShortcuts(std::move(runOnMain), std::move(describe), version));
    portal->thread_->runAndWait([&portal] { portal->start(); });
    return portal;
}

PortalGlobalShortcuts::PortalGlobalShortcuts(RunOnMain runOnMain, Describe describe,
                                             uint32_t version)
    : runOnMain_(std::move(runOnMain)),
      describe_(std::move(describe)),
      version_(version),
      thread_(std::make_unique<DBusSignalThread>(
          [this](const QDBusMessage& message) { received(message); })) {}

PortalGlobalShortcuts::~PortalGlobalShortcuts() {
    thread_->runAndWait([this] {
        for (const char* member : {"Activated", "Deactivated"})
            thread_->unsubscribe(kService, kPath, kInterface, QString::fromLatin1(member));
        for (const auto& request : {createRequest_, bindRequest_})
            if (!request.empty())
                thread_->unsubscribe(kService, q(request), kRequestInterface,
                                     QStringLiteral("Response"));
        // Closing the session is what unbinds our shortcuts; no answer is awaited.
        if (!session_.empty())
            QDBusConnection::sessionBus().send(QDBusMessage::createMethodCall(
                kService, q(session_), kSessionInterface, QStringLiteral("Close")));
    });
    thread_.reset();
}

void PortalGlobalShortcuts::start() {
    // The sender part of request and session handles: the unique name without its colon,
    // dots as underscores.
    QString sender = QDBusConnection::sessionBus().baseService();
    if (sender.startsWith(QLatin1Char(':'))) sender.remove(0, 1);
    senderPath_ = sender.replace(QLatin1Char('.'), QLatin1Char('_')).toStdString();
    for (const char* member : {"Activated", "Deactivated"})
        thread_->subscribe(kService, kPath, kInterface, QString::fromLatin1(member));
    createSession();
}

std::string PortalGlobalShortcuts::expectRequest(const std::string& token) {
    const std::string path = "/org/freedesktop/portal/desktop/request/" + senderPath_ + "/" + token;
    thread_->subscribe(kService, q(path), kRequestInterface, QStringLiteral("Response"));
    return path;
}

void PortalGlobalShortcuts::createSession() {
    const std::string token = "purlane" + std::to_string(nextToken_++);
    createRequest_ = expectRequest(token);
    QVariantMap options;
    options.insert(QStringLiteral("handle_token"), q(token));
    options.insert(QStringLiteral("session_handle_token"), q(token));
    const std::string handle = replyPath(call(QStringLiteral("CreateSession"), {options}));
    if (handle.empty()) {
        thread_->unsubscribe(kService, q(createRequest_), kRequestInterface,
                             QStringLiteral("Response"));
        createRequest_.clear();
        runOnMain_([] { log("Global shortcuts: the desktop portal did not open a session"); });
    } else if (handle != createRequest_) {
        // An older portal names the request its own way; its answer comes there.
        thread_->unsubscribe(kService, q(createRequest_), kRequestInterface,
                             QStringLiteral("Response"));
        createRequest_ = handle;
        thread_->subscribe(kService, q(handle), kRequestInterface, QStringLiteral("Response"));
    }
}

void PortalGlobalShortcuts::renewSession() {
    QDBusConnection::sessionBus().send(QDBusMessage::createMethodCall(
        kService, q(session_), kSessionInterface, QStringLiteral("Close")));
    session_.clear();
    sessionBound_ = false;
    renewing_ = true;
    bindPending_ = true;
    createSession();
}

int PortalGlobalShortcuts::registerHotKey(uint16_t keyCode, uint32_t carbonModifiers,
                                          uint32_t signature, uint32_t id, Ref& ref) {
    const auto trigger = ShortcutTriggers::portalTrigger(keyCode, carbonModifiers);
    if (!trigger) return HotKeyStatus::kParamErr;
    {
        std::lock_guard lock(mutex_);
        ref = nextRef_++;
        registrations_.emplace(ref, Registration{signature, id, *trigger});
    }
    thread_->debounce(kBindDelay, [this] { bind(); });
    return HotKeyStatus::kNoErr;
}

void PortalGlobalShortcuts::unregisterHotKey(Ref ref) {
    {
        std::lock_guard lock(mutex_);
        if (registrations_.erase(ref) == 0) return;
    }
    thread_->debounce(kBindDelay, [this] { bind(); });
}

void PortalGlobalShortcuts::setHandler(Handler handler) {
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
}

bool PortalGlobalShortcuts::waitForRelease(std::chrono::milliseconds bound) {
    std::unique_lock lock(mutex_);
    if (released_.wait_for(lock, bound, [this] { return held_.empty(); })) return true;
    // A desktop that never says Deactivated would otherwise hold up every wait after this one.
    held_.clear();
    return false;
}

void PortalGlobalShortcuts::bind() {
    // Before the session exists, or while the desktop still answers the last bind, the set is
    // bound once that is done.
    if (session_.empty() || !bindRequest_.empty()) {
        bindPending_ = true;
        return;
    }
    bindPending_ = false;
    std::map<std::string, Bound> wanted;
    {
        std::lock_guard lock(mutex_);
        // A replacement registered before its predecessor goes shares the shortcut; the later
        // registration's keys count.
        for (const auto& [ref, r] : registrations_)
            wanted[shortcutId(r.signature, r.id)] = Bound{r.trigger, r.signature, r.id};
    }
    QList<PortalShortcut> shortcuts;
    for (const auto& [shortcut, b] : wanted) {
        QVariantMap properties;
        properties.insert(QStringLiteral("description"), q(describe_(b.signature, b.id)));
        properties.insert(QStringLiteral("preferred_trigger"), q(b.trigger));
        shortcuts.append(PortalShortcut{q(shortcut), properties});
    }
    const std::string token = "purlane" + std::to_string(nextToken_++);
    bindRequest_ = expectRequest(token);
    QVariantMap options;
    options.insert(QStringLiteral("handle_token"), q(token));
    const std::string handle = replyPath(call(
        QStringLiteral("BindShortcuts"), {QVariant::fromValue(QDBusObjectPath(q(session_))),
                                          QVariant::fromValue(shortcuts), QString(), options}));
    if (handle.empty()) {
        thread_->unsubscribe(kService, q(bindRequest_), kRequestInterface,
                             QStringLiteral("Response"));
        bindRequest_.clear();
        if (sessionBound_ && !renewing_) return renewSession();
        runOnMain_(
            [] { log("Global shortcuts: the desktop portal refused to bind the hot keys"); });
        return;
    }
    if (handle != bindRequest_) {
        thread_->unsubscribe(kService, q(bindRequest_), kRequestInterface,
                             QStringLiteral("Response"));
        bindRequest_ = handle;
        thread_->subscribe(kService, q(handle), kRequestInterface, QStringLiteral("Response"));
    }
    bound_ = std::move(wanted);
}

void PortalGlobalShortcuts::received(const QDBusMessage& message) {
    const QVariantList arguments = message.arguments();
    if (message.interface() == kRequestInterface) {
        const std::string path = message.path().toStdString();
        if (path.empty() || (path != createRequest_ && path != bindRequest_)) return;
        thread_->unsubscribe(kService, message.path(), kRequestInterface,
                             QStringLiteral("Response"));
        const uint32_t response = arguments.value(0).toUInt();
        const QVariantMap results = qdbus_cast<QVariantMap>(arguments.value(1));
        if (path == createRequest_) {
            createRequest_.clear();
            session_ = results.value(QStringLiteral("session_handle")).toString().toStdString();
            if (response != 0 || session_.empty()) {
                session_.clear();
                runOnMain_([] { log("Global shortcuts: the desktop declined a session"); });
                return;
            }
            bind();
        } else {
            bindRequest_.clear();
            bound(response, message);
            if (bindPending_) bind();
        }
        return;
    }
    if (message.interface() != kInterface || arguments.size() < 2) return;
    const QString session = qvariant_cast<QDBusObjectPath>(arguments.value(0)).path();
    if (session.toStdString() != session_) return;
    const bool down = message.member() == QLatin1String("Activated");
    if (!down && message.member() != QLatin1String("Deactivated")) return;
    activated(arguments.value(1).toString().toStdString(), down);
}

void PortalGlobalShortcuts::bound(uint32_t response, const QDBusMessage& message) {
    // 1: the user cancelled, which a new session would not change.
    if (response == 2 && sessionBound_ && !renewing_) return renewSession();
    if (response != 0) {
        runOnMain_([response] {
            log("Global shortcuts: the desktop did not bind the hot keys (response " +
                std::to_string(response) + ")");
        });
        return;
    }
    sessionBound_ = true;
    renewing_ = false;
    const QVariantMap results = qdbus_cast<QVariantMap>(message.arguments().value(1));
    const auto shortcuts =
        qdbus_cast<QList<PortalShortcut>>(results.value(QStringLiteral("shortcuts")));
    for (const PortalShortcut& shortcut : shortcuts) {
        const std::string id = shortcut.id.toStdString();
        const std::string chosen = shortcut.properties.value(QStringLiteral("trigger_description"))
                                       .toString()
                                       .toStdString();
        const auto asked = bound_.find(id);
        if (asked == bound_.end() || chosen.empty()) continue;
        if (ShortcutTriggers::sameTrigger(asked->second.trigger, chosen)) {
            reportedChoices_.erase(id);
            continue;
        }
        // Said once per choice, not at every bind.
        if (reportedChoices_[id] == chosen) continue;
        reportedChoices_[id] = chosen;
        runOnMain_([id, chosen, trigger = asked->second.trigger] {
            log("Global shortcut " + id + ": the desktop chose other keys (" + chosen +
                ") than the hot key's " + trigger);
        });
    }
}

void PortalGlobalShortcuts::activated(const std::string& shortcutId, bool down) {
    std::unique_lock lock(mutex_);
    if (!down) {
        held_.erase(shortcutId);
        if (held_.empty()) released_.notify_all();
        return;
    }
    held_.insert(shortcutId);
    for (const auto& [ref, r] : registrations_) {
        if (PortalGlobalShortcuts::shortcutId(r.signature, r.id) != shortcutId) continue;
        if (!handler_) return;
        runOnMain_(
            [handler = handler_, signature = r.signature, id = r.id] { handler(signature, id); });
        return;
    }
}

}  // namespace platform
