#include "platform/linux/PortalRemoteDesktop.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <QVariantMap>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <mutex>

#include "platform/core/Log.h"
#include "platform/linux/PortalSignalReceiver.h"

namespace platform {

namespace {

using std::chrono::milliseconds;

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kRemoteDesktop = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
const QString kClipboard = QStringLiteral("org.freedesktop.portal.Clipboard");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");
const QString kSession = QStringLiteral("org.freedesktop.portal.Session");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const char* const kSlot = SLOT(onMessage(QDBusMessage));

constexpr uint32_t kKeyboard = 1;
// Kept until the user revokes it, so later sessions start without asking again.
constexpr uint32_t kPersistUntilRevoked = 2;
constexpr milliseconds kSpinStep{20};
constexpr milliseconds kWriteBound{2000};

void say(const std::string& message) {
    log("Remote desktop portal: " + message);
}

std::string seconds(milliseconds bound) {
    return std::to_string((bound.count() + 999) / 1000) + " s";
}

QVariantMap toMap(const QVariant& value) {
    if (value.canConvert<QDBusArgument>()) return qdbus_cast<QVariantMap>(value);
    return value.toMap();
}

QStringList toStringList(const QVariant& value) {
    if (value.canConvert<QDBusArgument>()) return qdbus_cast<QStringList>(value);
    return value.toStringList();
}

// Writes all of `data`, waiting at most `bound` for the reader to make room.
bool writeAll(int fd, const std::string& data, milliseconds bound) {
    QElapsedTimer timer;
    timer.start();
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) return false;
        const auto left = bound.count() - timer.elapsed();
        if (left <= 0) return false;
        pollfd p{fd, POLLOUT, 0};
        ::poll(&p, 1, static_cast<int>(left));
    }
    return true;
}

}  // namespace

class PortalRemoteDesktop::Impl {
  public:
    Impl(TokenLoader loadToken, TokenSaver saveToken, Options options)
        : options_(options), loadToken_(std::move(loadToken)), saveToken_(std::move(saveToken)) {
        static std::atomic<int> objects{0};
        connectionName_ = QStringLiteral("purlane-portal-%1").arg(++objects);
        context_ = new QObject;
        context_->moveToThread(&thread_);
        thread_.setObjectName(QStringLiteral("portal session"));
        thread_.start();
        post([this] { startUp(); });
    }

    ~Impl() {
        stopping_ = true;
        waitForStart(options_.callBound + milliseconds(1000));
        std::mutex done;
        std::condition_variable ended;
        bool closed = false;
        post([&] {
            closeSession();
            std::lock_guard lock(done);
            closed = true;
            ended.notify_all();
        });
        {
            std::unique_lock lock(done);
            ended.wait_for(lock, options_.callBound + milliseconds(1000), [&] { return closed; });
        }
        thread_.quit();
        thread_.wait();
        delete context_;
    }

    // Runs `fn` on the D-Bus thread (at once when already there) and waits for it at most
    // `bound`; nothing when it did not end in time.
    template <typename T>
    std::optional<T> onThread(std::function<T()> fn, milliseconds bound) {
        if (QThread::currentThread() == &thread_) return fn();
        struct Pending {
            std::mutex mutex;
            std::condition_variable done;
            std::optional<T> value;
        };
        auto pending = std::make_shared<Pending>();
        post([pending, fn = std::move(fn)] {
            T value = fn();
            std::lock_guard lock(pending->mutex);
            pending->value = std::move(value);
            pending->done.notify_all();
        });
        std::unique_lock lock(pending->mutex);
        pending->done.wait_for(lock, bound, [&] { return pending->value.has_value(); });
        return std::move(pending->value);
    }

    State state() const {
        std::lock_guard lock(mutex_);
        return state_;
    }

    State waitForStart(milliseconds bound) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, bound, [this] { return state_ != State::Starting; });
        return state_;
    }

    // How long a caller waits for one task of the D-Bus thread.
    milliseconds taskBound() const { return options_.callBound + milliseconds(1000); }

    bool clipboardEnabled() const {
        std::lock_guard lock(mutex_);
        return clipboard_;
    }

    Selection selection() const {
        std::lock_guard lock(mutex_);
        return selection_;
    }

    void setHandlers(OwnerChanged ownerChanged, Transfer transfer) {
        std::lock_guard lock(handlersMutex_);
        ownerChanged_ = std::move(ownerChanged);
        transfer_ = std::move(transfer);
    }

    // On the D-Bus thread from here on.

    bool notifyKeysym(uint32_t keysym, bool pressed) {
        if (state() != State::Started) return false;
        const QDBusMessage reply =
            call(kRemoteDesktop, QStringLiteral("NotifyKeyboardKeysym"),
                 {sessionPath(), QVariantMap(), static_cast<int>(keysym), pressed ? 1u : 0u});
        return reply.type() == QDBusMessage::ReplyMessage;
    }

    bool setSelection(const std::vector<std::string>& mimeTypes) {
        if (state() != State::Started || !clipboardEnabled()) return false;
        QStringList types;
        for (const auto& t : mimeTypes) types << QString::fromStdString(t);
        QVariantMap options;
        options[QStringLiteral("mime_types")] = types;
        const QDBusMessage reply =
            call(kClipboard, QStringLiteral("SetSelection"), {sessionPath(), options});
        if (reply.type() == QDBusMessage::ReplyMessage) return true;
        say("the clipboard was not taken: " + reply.errorMessage().toStdString());
        return false;
    }

    int selectionRead(const std::string& mimeType) {
        if (state() != State::Started || !clipboardEnabled()) return -1;
        const QDBusMessage reply = call(kClipboard, QStringLiteral("SelectionRead"),
                                        {sessionPath(), QString::fromStdString(mimeType)});
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return -1;
        const auto fd = reply.arguments().first().value<QDBusUnixFileDescriptor>();
        return fd.isValid() ? ::fcntl(fd.fileDescriptor(), F_DUPFD_CLOEXEC, 0) : -1;
    }

  private:
    struct Response {
        uint32_t code = 2;
        QVariantMap results;
    };

    void post(std::function<void()> fn) {
        QMetaObject::invokeMethod(context_, std::move(fn), Qt::QueuedConnection);
    }

    QDBusObjectPath sessionPath() const { return QDBusObjectPath(session_); }

    void setState(State state) {
        std::lock_guard lock(mutex_);
        state_ = state;
        changed_.notify_all();
    }

    QDBusMessage call(const QString& interface, const QString& method, const QVariantList& args) {
        QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, interface, method);
        message.setArguments(args);
        return bus_->call(message, QDBus::Block, static_cast<int>(options_.callBound.count()));
    }

    std::optional<uint32_t> version(const QString& interface) {
        const QDBusMessage reply =
            call(kProperties, QStringLiteral("Get"), {interface, QStringLiteral("version")});
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return std::nullopt;
        return reply.arguments().first().value<QDBusVariant>().variant().toUInt();
    }

    // Processes this thread's events until `done` or `bound`, or until the object goes.
    bool spin(const std::function<bool()>& done, milliseconds bound) {
        QElapsedTimer timer;
        timer.start();
        while (!done()) {
            if (stopping_ || timer.elapsed() >= bound.count()) return done();
            QEventLoop loop;
            QTimer::singleShot(kSpinStep, &loop, &QEventLoop::quit);
            loop.exec();
        }
        return true;
    }

    // A method answered through a Request object's Response signal. The signal is subscribed
    // to before the call, on the path the portal will use, so a quick answer is not missed.
    std::optional<Response> request(const QString& interface, const QString& method,
                                    QVariantList args, QVariantMap options, milliseconds bound) {
        const QString token = QStringLiteral("purlane%1").arg(++tokens_);
        options[QStringLiteral("handle_token")] = token;
        args << options;
        QString path = kPath + QStringLiteral("/request/") + senderPart_ + QLatin1Char('/') + token;
        std::optional<Response> response;
        PortalSignalReceiver receiver([&response](const QDBusMessage& m) {
            const QVariantList a = m.arguments();
            if (a.size() < 2) return;
            response = Response{a[0].toUInt(), toMap(a[1])};
        });
        bus_->connect(kService, path, kRequest, QStringLiteral("Response"), &receiver, kSlot);
        const QDBusMessage reply = call(interface, method, args);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            bus_->disconnect(kService, path, kRequest, QStringLiteral("Response"), &receiver,
                             kSlot);
            say(method.toStdString() + " failed: " + reply.errorMessage().toStdString());
            return std::nullopt;
        }
        // Portals older than the handle_token option choose the path themselves.
        const QString handle = reply.arguments().first().value<QDBusObjectPath>().path();
        if (handle != path && !handle.isEmpty()) {
            bus_->disconnect(kService, path, kRequest, QStringLiteral("Response"), &receiver,
                             kSlot);
            path = handle;
            bus_->connect(kService, path, kRequest, QStringLiteral("Response"), &receiver, kSlot);
        }
        spin([&] { return response.has_value(); }, bound);
        bus_->disconnect(kService, path, kRequest, QStringLiteral("Response"), &receiver, kSlot);
        if (!response) {
            QDBusMessage close =
                QDBusMessage::createMethodCall(kService, path, kRequest, QStringLiteral("Close"));
            bus_->call(close, QDBus::Block, static_cast<int>(options_.callBound.count()));
            if (!stopping_)
                say("no answer to " + method.toStdString() + " within " + seconds(bound));
        }
        return response;
    }

    bool answered(const std::optional<Response>& response, const char* what) {
        if (!response) return false;
        if (response->code == 0) return true;
        if (response->code == 1)
            say(std::string(what) + " refused: the user cancelled the request");
        else
            say(std::string(what) + " refused by the portal (response " +
                std::to_string(response->code) + ")");
        return false;
    }

    void startUp() {
        // A reader that closes its end early must fail our write, not end the program.
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
        const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
        bus_ = std::make_unique<QDBusConnection>(
            address && *address
                ? QDBusConnection::connectToBus(QString::fromUtf8(address), connectionName_)
                : QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName_));
        if (!bus_->isConnected()) {
            say("no session bus");
            return setState(State::Unavailable);
        }
        senderPart_ = bus_->baseService().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
        const auto remoteVersion = version(kRemoteDesktop);
        if (!remoteVersion) {
            say("org.freedesktop.portal.RemoteDesktop is not on the session bus");
            return setState(State::Unavailable);
        }
        const auto clipboardVersion = version(kClipboard);

        QVariantMap createOptions;
        createOptions[QStringLiteral("session_handle_token")] =
            QStringLiteral("purlane%1").arg(++tokens_);
        const auto created = request(kRemoteDesktop, QStringLiteral("CreateSession"), {},
                                     createOptions, options_.callBound);
        if (!answered(created, "CreateSession")) return setState(failure(created));
        const QVariant handle = created->results.value(QStringLiteral("session_handle"));
        session_ = handle.canConvert<QDBusObjectPath>() ? handle.value<QDBusObjectPath>().path()
                                                        : handle.toString();
        if (session_.isEmpty()) {
            say("CreateSession gave no session");
            return setState(State::Failed);
        }
        closed_ = std::make_unique<PortalSignalReceiver>([this](const QDBusMessage&) {
            say("the session was closed");
            setState(State::Closed);
        });
        bus_->connect(kService, session_, kSession, QStringLiteral("Closed"), closed_.get(), kSlot);

        bool clipboardRequested = false;
        if (clipboardVersion) {
            subscribeClipboard();
            const QDBusMessage reply = call(kClipboard, QStringLiteral("RequestClipboard"),
                                            {sessionPath(), QVariantMap()});
            clipboardRequested = reply.type() == QDBusMessage::ReplyMessage;
            if (!clipboardRequested)
                say("RequestClipboard failed: " + reply.errorMessage().toStdString());
        }

        QVariantMap devices;
        devices[QStringLiteral("types")] = kKeyboard;
        if (*remoteVersion >= 2) {
            devices[QStringLiteral("persist_mode")] = kPersistUntilRevoked;
            if (auto token = loadToken_ ? loadToken_() : std::nullopt; token && !token->empty())
                devices[QStringLiteral("restore_token")] = QString::fromStdString(*token);
        }
        const auto selected = request(kRemoteDesktop, QStringLiteral("SelectDevices"),
                                      {sessionPath()}, devices, options_.callBound);
        if (!answered(selected, "SelectDevices")) return setState(failure(selected));

        const auto started = request(kRemoteDesktop, QStringLiteral("Start"),
                                     {sessionPath(), QString()}, {}, options_.startBound);
        if (!answered(started, "Start")) return setState(failure(started));
        const QVariantMap& results = started->results;
        if (const QString token = results.value(QStringLiteral("restore_token")).toString();
            !token.isEmpty() && saveToken_) {
            saveToken_(token.toStdString());
        }
        if (!(results.value(QStringLiteral("devices")).toUInt() & kKeyboard)) {
            say("the keyboard was not granted");
            return setState(State::Refused);
        }
        const bool clipboard =
            clipboardRequested && results.value(QStringLiteral("clipboard_enabled")).toBool();
        {
            std::lock_guard lock(mutex_);
            clipboard_ = clipboard;
        }
        say(std::string("session started with the keyboard") +
            (clipboard ? " and the clipboard" : ", without the clipboard"));
        setState(State::Started);
    }

    State failure(const std::optional<Response>& response) const {
        return response && response->code != 0 ? State::Refused : State::Failed;
    }

    void subscribeClipboard() {
        clipboardSignals_ = std::make_unique<PortalSignalReceiver>(
            [this](const QDBusMessage& m) { onClipboard(m); });
        for (const QString& name :
             {QStringLiteral("SelectionOwnerChanged"), QStringLiteral("SelectionTransfer")})
            bus_->connect(kService, kPath, kClipboard, name, clipboardSignals_.get(), kSlot);
    }

    void onClipboard(const QDBusMessage& m) {
        const QVariantList a = m.arguments();
        if (a.isEmpty() || a[0].value<QDBusObjectPath>().path() != session_) return;
        if (m.member() == QLatin1String("SelectionOwnerChanged") && a.size() >= 2) {
            const QVariantMap options = toMap(a[1]);
            Selection now;
            for (const QString& t : toStringList(options.value(QStringLiteral("mime_types"))))
                now.mimeTypes.push_back(t.toStdString());
            now.sessionIsOwner = options.value(QStringLiteral("session_is_owner")).toBool();
            {
                std::lock_guard lock(mutex_);
                now.changes = selection_.changes + 1;
                selection_ = now;
            }
            std::lock_guard lock(handlersMutex_);
            if (ownerChanged_) ownerChanged_(now);
        } else if (m.member() == QLatin1String("SelectionTransfer") && a.size() >= 3) {
            transfer(a[1].toString().toStdString(), a[2].toUInt());
        }
    }

    void transfer(const std::string& mimeType, uint32_t serial) {
        std::optional<std::string> data;
        {
            std::lock_guard lock(handlersMutex_);
            if (transfer_) data = transfer_(mimeType);
        }
        bool written = false;
        if (data) {
            const QDBusMessage reply =
                call(kClipboard, QStringLiteral("SelectionWrite"), {sessionPath(), serial});
            if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
                const auto fd = reply.arguments().first().value<QDBusUnixFileDescriptor>();
                // Closed before the portal hears we are done: the reader sees the end of data.
                UniqueFd own(fd.isValid() ? ::fcntl(fd.fileDescriptor(), F_DUPFD_CLOEXEC, 0) : -1);
                // A reader that stalls or goes away costs this answer at most the bound.
                written =
                    own.valid() &&
                    ::fcntl(own.get(), F_SETFL, ::fcntl(own.get(), F_GETFL) | O_NONBLOCK) == 0 &&
                    writeAll(own.get(), *data, kWriteBound);
            }
        }
        call(kClipboard, QStringLiteral("SelectionWriteDone"), {sessionPath(), serial, written});
    }

    void closeSession() {
        if (!bus_) return;
        if (!session_.isEmpty()) {
            QDBusMessage close = QDBusMessage::createMethodCall(kService, session_, kSession,
                                                                QStringLiteral("Close"));
            bus_->call(close, QDBus::Block, static_cast<int>(options_.callBound.count()));
        }
        closed_.reset();
        clipboardSignals_.reset();
        bus_.reset();
        QDBusConnection::disconnectFromBus(connectionName_);
    }

    const Options options_;
    TokenLoader loadToken_;
    TokenSaver saveToken_;
    QString connectionName_;
    QThread thread_;
    QObject* context_ = nullptr;
    std::atomic<bool> stopping_{false};

    // The D-Bus thread's own.
    std::unique_ptr<QDBusConnection> bus_;
    QString senderPart_;
    QString session_;
    int tokens_ = 0;
    std::unique_ptr<PortalSignalReceiver> closed_, clipboardSignals_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    State state_ = State::Starting;
    bool clipboard_ = false;
    Selection selection_;

    std::mutex handlersMutex_;
    OwnerChanged ownerChanged_;
    Transfer transfer_;
};

PortalRemoteDesktop::PortalRemoteDesktop(TokenLoader loadToken, TokenSaver saveToken,
                                         Options options)
    : impl_(std::make_unique<Impl>(std::move(loadToken), std::move(saveToken), options)) {}

PortalRemoteDesktop::~PortalRemoteDesktop() = default;

PortalRemoteDesktop::State PortalRemoteDesktop::state() const {
    return impl_->state();
}

PortalRemoteDesktop::State PortalRemoteDesktop::waitForStart(std::chrono::milliseconds bound) {
    return impl_->waitForStart(bound);
}

bool PortalRemoteDesktop::clipboardEnabled() const {
    return impl_->clipboardEnabled();
}

bool PortalRemoteDesktop::notifyKeysym(uint32_t keysym, bool pressed) {
    return impl_
        ->onThread<bool>([this, keysym, pressed] { return impl_->notifyKeysym(keysym, pressed); },
                         impl_->taskBound())
        .value_or(false);
}

bool PortalRemoteDesktop::setSelection(const std::vector<std::string>& mimeTypes) {
    return impl_
        ->onThread<bool>([this, mimeTypes] { return impl_->setSelection(mimeTypes); },
                         impl_->taskBound())
        .value_or(false);
}

UniqueFd PortalRemoteDesktop::selectionRead(const std::string& mimeType) {
    // A descriptor handed over after the wait ended would leak: the task closes what nobody
    // takes.
    auto fd = impl_->onThread<std::shared_ptr<UniqueFd>>(
        [this, mimeType] { return std::make_shared<UniqueFd>(impl_->selectionRead(mimeType)); },
        impl_->taskBound());
    if (!fd || !*fd) return UniqueFd();
    return std::move(**fd);
}

PortalRemoteDesktop::Selection PortalRemoteDesktop::selection() const {
    return impl_->selection();
}

void PortalRemoteDesktop::setClipboardHandlers(OwnerChanged ownerChanged, Transfer transfer) {
    impl_->setHandlers(std::move(ownerChanged), std::move(transfer));
}

}  // namespace platform
