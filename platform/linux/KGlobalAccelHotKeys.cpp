#include "platform/linux/KGlobalAccelHotKeys.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <cstdio>

#include "platform/core/Log.h"
#include "platform/input/ShortcutTriggers.h"
#include "platform/linux/DBusSignalThread.h"

namespace platform {
namespace {

const QString kService = QStringLiteral("org.kde.kglobalaccel");
const QString kPath = QStringLiteral("/kglobalaccel");
const QString kInterface = QStringLiteral("org.kde.KGlobalAccel");
const QString kComponentInterface = QStringLiteral("org.kde.kglobalaccel.Component");
const QString kPressed = QStringLiteral("globalShortcutPressed");
constexpr int kCallTimeout = 10000;
// setShortcut's flags: the action is present (its presses are signalled), and the keys given
// are set rather than those the service saved for the action before.
constexpr uint32_t kSetPresent = 2, kNoAutoloading = 4;

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

QDBusMessage call(const QString& method, const QVariantList& arguments) {
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, kCallTimeout);
}

bool ok(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ReplyMessage;
}

}  // namespace

std::string KGlobalAccelHotKeys::actionId(uint32_t signature, uint32_t id) {
    char text[40];
    std::snprintf(text, sizeof text, "hotkey-%08x-%u", signature, id);
    return text;
}

std::unique_ptr<KGlobalAccelHotKeys> KGlobalAccelHotKeys::open(RunOnMain runOnMain,
                                                               const std::string& component,
                                                               const std::string& componentName,
                                                               Describe describe) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) return nullptr;
    const bool running = bus.interface()->isServiceRegistered(kService).value();
    if (!running && !bus.interface()->activatableServiceNames().value().contains(kService))
        return nullptr;
    if (!describe) describe = [](uint32_t, uint32_t id) { return "Hot key " + std::to_string(id); };
    return std::unique_ptr<KGlobalAccelHotKeys>(new KGlobalAccelHotKeys(
        std::move(runOnMain), component, componentName, std::move(describe)));
}

KGlobalAccelHotKeys::KGlobalAccelHotKeys(RunOnMain runOnMain, std::string component,
                                         std::string componentName, Describe describe)
    : runOnMain_(std::move(runOnMain)),
      component_(std::move(component)),
      componentName_(std::move(componentName)),
      describe_(std::move(describe)),
      thread_(std::make_unique<DBusSignalThread>(
          [this](const QDBusMessage& message) { received(message); })) {}

KGlobalAccelHotKeys::~KGlobalAccelHotKeys() {
    thread_->runAndWait([this] {
        if (!componentPath_.empty())
            thread_->unsubscribe(kService, q(componentPath_), kComponentInterface, kPressed);
        // Our actions stay known to the service, inactive, so the user's settings keep them
        // for the next start.
        std::lock_guard lock(mutex_);
        for (const auto& [ref, r] : registrations_) {
            QDBusMessage inactive = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                                   QStringLiteral("setInactive"));
            inactive.setArguments(
                {QStringList{q(component_), q(actionId(r.signature, r.id)), q(componentName_),
                             q(describe_(r.signature, r.id))}});
            QDBusConnection::sessionBus().send(inactive);
        }
    });
    thread_.reset();
}

int KGlobalAccelHotKeys::registerHotKey(uint16_t keyCode, uint32_t carbonModifiers,
                                        uint32_t signature, uint32_t id, Ref& ref) {
    const auto keys = ShortcutTriggers::qtKeyCombination(keyCode, carbonModifiers);
    if (!keys) return HotKeyStatus::kParamErr;
    std::optional<int> set;
    thread_->runAndWait([&] { set = setShortcut(signature, id, *keys); });
    if (!set) return HotKeyStatus::kParamErr;
    if (*set == 0) return HotKeyStatus::kEventHotKeyExistsErr;
    std::lock_guard lock(mutex_);
    ref = nextRef_++;
    registrations_.emplace(ref, Registration{signature, id, *keys});
    return HotKeyStatus::kNoErr;
}

std::optional<int> KGlobalAccelHotKeys::setShortcut(uint32_t signature, uint32_t id, int keys) {
    const QStringList action{q(component_), q(actionId(signature, id)), q(componentName_),
                             q(describe_(signature, id))};
    if (!ok(call(QStringLiteral("doRegister"), {action}))) return std::nullopt;
    const QDBusMessage reply =
        call(QStringLiteral("setShortcut"), {action, QVariant::fromValue(QList<int>{keys}),
                                             QVariant::fromValue(kSetPresent | kNoAutoloading)});
    if (!ok(reply) || reply.arguments().isEmpty()) return std::nullopt;
    const auto set = qdbus_cast<QList<int>>(reply.arguments().first());
    if (set.isEmpty() || set.first() == 0) {
        // Nothing is left behind for an action that got no keys.
        call(QStringLiteral("unregister"), {action.at(0), action.at(1)});
        return 0;
    }
    if (set.first() != keys) {
        runOnMain_([action = actionId(signature, id), keys, chosen = set.first()] {
            log("Global shortcut " + action + ": the desktop chose other keys (" +
                std::to_string(chosen) + ") than the hot key's " + std::to_string(keys));
        });
    }
    watchComponent();
    return set.first();
}

void KGlobalAccelHotKeys::watchComponent() {
    if (!componentPath_.empty()) return;
    // The component exists once it has an action.
    const QDBusMessage reply = call(QStringLiteral("getComponent"), {q(component_)});
    if (!ok(reply) || reply.arguments().isEmpty()) return;
    componentPath_ = qvariant_cast<QDBusObjectPath>(reply.arguments().first()).path().toStdString();
    if (componentPath_.empty()) return;
    if (!thread_->subscribe(kService, q(componentPath_), kComponentInterface, kPressed))
        componentPath_.clear();
}

void KGlobalAccelHotKeys::unregisterHotKey(Ref ref) {
    Registration gone{};
    {
        std::lock_guard lock(mutex_);
        const auto found = registrations_.find(ref);
        if (found == registrations_.end()) return;
        gone = found->second;
        registrations_.erase(found);
        // A replacement registered before its predecessor goes keeps the action.
        for (const auto& [other, r] : registrations_)
            if (r.signature == gone.signature && r.id == gone.id) return;
    }
    thread_->post([this, gone] {
        call(QStringLiteral("unregister"), {q(component_), q(actionId(gone.signature, gone.id))});
    });
}

void KGlobalAccelHotKeys::setHandler(Handler handler) {
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
}

void KGlobalAccelHotKeys::received(const QDBusMessage& message) {
    if (message.member() != kPressed) return;
    const QVariantList arguments = message.arguments();
    if (arguments.size() < 2 || arguments.at(0).toString().toStdString() != component_) return;
    const std::string action = arguments.at(1).toString().toStdString();
    std::lock_guard lock(mutex_);
    for (const auto& [ref, r] : registrations_) {
        if (actionId(r.signature, r.id) != action) continue;
        if (handler_)
            runOnMain_([handler = handler_, signature = r.signature, id = r.id] {
                handler(signature, id);
            });
        return;
    }
}

}  // namespace platform
