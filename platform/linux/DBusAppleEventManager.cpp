#include "platform/linux/DBusAppleEventManager.h"

#include <unistd.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "platform/linux/AppRegistry.h"

namespace platform {

namespace {

constexpr FourCharCode kReplyClass = FourCharCode::make("aevt");
constexpr FourCharCode kReplyID = FourCharCode::make("ansr");

// The time-out as the bus wants it: milliseconds, at least one. Anything below the OS's
// default (kNoTimeOut, -2) waits as long as the bus allows.
int timeoutMilliseconds(double seconds) {
    if (seconds == kAEDefaultTimeout) seconds = DBusAppleEventManager::defaultTimeout();
    if (seconds < 0 || !std::isfinite(seconds)) return std::numeric_limits<int>::max();
    const double ms = std::ceil(seconds * 1000);
    if (ms >= std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    return std::max(1, static_cast<int>(ms));
}

bool isTimeout(const QString& errorName) {
    return errorName == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
           errorName == QLatin1String("org.freedesktop.DBus.Error.Timeout") ||
           errorName == QLatin1String("org.freedesktop.DBus.Error.TimedOut");
}

AppleEvent errorReply(const AppleEvent* event, int error) {
    AppleEvent reply(kReplyClass, kReplyID, std::string(),
                     event ? event->returnID() : kAutoGenerateReturnID,
                     event ? event->transactionID() : kAnyTransactionID);
    reply.setParamDescriptor(AEKeyword::kErrorNumber, AppleEventDescriptor::int32(error));
    return reply;
}

AESendResult decodeReply(const std::string& bytes) {
    AESendResult result;
    auto reply = AppleEventCodec::decode(bytes);
    if (!reply.ok()) {
        result.error = OSErr::kParamErr;
        return result;
    }
    result.reply = std::move(reply).value();
    if (const auto* errn = result.reply.paramDescriptorForKeyword(AEKeyword::kErrorNumber))
        result.error = errn->int32Value().value_or(OSErr::kParamErr);
    return result;
}

}  // namespace

double DBusAppleEventManager::defaultTimeout() {
    if (const char* text = std::getenv("PURLANE_AE_DEFAULT_TIMEOUT")) {
        char* end = nullptr;
        const double seconds = std::strtod(text, &end);
        if (*text && *end == '\0' && seconds > 0 && std::isfinite(seconds)) return seconds;
    }
    return kDefaultTimeout;
}

std::optional<int> DBusAppleEventManager::targetProcess(const std::string& bundleIdentifier) {
    if (bundleIdentifier.empty()) return std::nullopt;
    // list() is in launch order: the first match is the first instance.
    for (const auto& app : AppRegistry::list()) {
        if (app.bundleIdentifier == bundleIdentifier) return app.pid;
    }
    return std::nullopt;
}

int16_t DBusAppleEventManager::nextReturnID() {
    int id = ++lastReturnID_;
    if (id > std::numeric_limits<int16_t>::max() || id <= 0) {
        lastReturnID_ = 1;
        id = 1;
    }
    return static_cast<int16_t>(id);
}

AESendResult DBusAppleEventManager::send(const AppleEvent& event, int32_t mode, double timeout) {
    AESendResult result;
    const auto pid = targetProcess(event.targetBundleID());
    if (!pid) {
        result.error = OSErr::kProcNotFound;
        return result;
    }
    AppleEvent outgoing = event;
    if (outgoing.returnID() == kAutoGenerateReturnID) outgoing.setReturnID(nextReturnID());
    const std::string bytes = AppleEventCodec::encode(outgoing);
    const bool waitReply = (mode & AESendMode::kWaitReply) == AESendMode::kWaitReply;

    if (*pid == static_cast<int>(getpid())) {
        // To ourselves: through the bus the main thread would wait on itself.
        auto local = AppRegistry::deliverLocally(bytes, waitReply);
        if (!local) {
            result.error = OSErr::kProcNotFound;
        } else if (waitReply) {
            result = decodeReply(*local);
        }
        return result;
    }

    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusMessage call =
        QDBusMessage::createMethodCall(AppRegistry::serviceName(*pid), AppRegistry::kPath,
                                       AppRegistry::kInterface, QStringLiteral("HandleAppleEvent"));
    call.setAutoStartService(false);
    call << QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));

    if (!waitReply) {
        // No reply wanted (or a queued reply, which nobody here collects): hand it over.
        result.error = bus.send(call) ? OSErr::kNoErr : OSErr::kProcNotFound;
        return result;
    }

    // Blocks this thread only: no events are processed while waiting, as the OS does.
    const QDBusMessage answer = bus.call(call, QDBus::Block, timeoutMilliseconds(timeout));
    if (answer.type() == QDBusMessage::ErrorMessage) {
        // The bus says "no reply" both when the time ran out and when the program went away
        // while it handled the event; only a program still there has timed out.
        result.error = isTimeout(answer.errorName()) && AppRegistry::isRunning(*pid)
                           ? OSErr::kTimeout
                           : OSErr::kProcNotFound;
        return result;
    }
    if (answer.type() != QDBusMessage::ReplyMessage || answer.arguments().size() != 1) {
        result.error = OSErr::kProcNotFound;
        return result;
    }
    const QByteArray replyBytes = answer.arguments().at(0).toByteArray();
    return decodeReply(std::string(replyBytes.constData(), static_cast<size_t>(replyBytes.size())));
}

std::string DBusAppleEventManager::handle(const std::string& encodedEvent) {
    auto event = AppleEventCodec::decode(encodedEvent);
    if (!event.ok()) return AppleEventCodec::encode(errorReply(nullptr, OSErr::kParamErr));
    AppleEvent reply(kReplyClass, kReplyID, std::string(), event->returnID(),
                     event->transactionID());
    handlers_.dispatch(*event, reply);
    return AppleEventCodec::encode(reply);
}

void DBusAppleEventManager::setEventHandler(FourCharCode eventClass, FourCharCode eventID,
                                            Handler handler) {
    handlers_.set(eventClass, eventID, std::move(handler));
}

void DBusAppleEventManager::removeEventHandler(FourCharCode eventClass, FourCharCode eventID) {
    handlers_.remove(eventClass, eventID);
}

}  // namespace platform
