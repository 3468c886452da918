#include "platform/linux/SessionProbe.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <wayland-client.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QVariantMap>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <vector>

#include "platform/linux/wayland/WaylandRoundtrip.h"

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kRegistryInterface = QStringLiteral("org.freedesktop.host.portal.Registry");

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

int remainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// A connected stream socket to `path`, or -1.
int connectUnix(const std::string& path) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(addr.sun_path)) return -1;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::string waylandSocketPath(const SessionProbe::Environment& env) {
    if (env.waylandDisplay.empty()) return {};
    if (env.waylandDisplay.front() == '/') return env.waylandDisplay;
    if (env.xdgRuntimeDir.empty()) return {};
    return env.xdgRuntimeDir + "/" + env.waylandDisplay;
}

void onGlobal(void* data, wl_registry*, uint32_t, const char* interface, uint32_t version) {
    (*static_cast<std::map<std::string, uint32_t>*>(data))[interface] = version;
}
void onGlobalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener kRegistryListener = {onGlobal, onGlobalRemove};

// A method call on the portal, answered within `bound`; an error reply when it was not.
QDBusMessage callPortal(const QString& interface, const QString& method,
                        const QList<QVariant>& args, std::chrono::milliseconds bound) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(kPortalService, kPortalPath, interface, method);
    call.setArguments(args);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, static_cast<int>(bound.count()));
}

// The portal's `version` property of `interface`; nothing when the interface is missing.
// `timedOut` is set when the portal did not answer in time.
std::optional<uint32_t> portalInterfaceVersion(const QString& interface,
                                               std::chrono::milliseconds bound, bool* timedOut) {
    const QDBusMessage reply =
        callPortal(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                   {interface, QStringLiteral("version")}, bound);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        if (timedOut)
            *timedOut = reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
                        reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.Timeout");
        return std::nullopt;
    }
    const QVariant value = reply.arguments().front().value<QDBusVariant>().variant();
    bool ok = false;
    const uint version = value.toUInt(&ok);
    if (!ok) return std::nullopt;
    return version;
}

bool nameOwned(const QString& name) {
    auto* bus = QDBusConnection::sessionBus().interface();
    return bus && bus->isServiceRegistered(name).value();
}

bool nameActivatable(const QString& name) {
    auto* bus = QDBusConnection::sessionBus().interface();
    return bus && bus->activatableServiceNames().value().contains(name);
}

bool portalReachable() {
    return QDBusConnection::sessionBus().isConnected() &&
           (nameOwned(kPortalService) || nameActivatable(kPortalService));
}

std::vector<std::string> splitPath(const std::string& list) {
    std::vector<std::string> parts;
    std::stringstream in(list);
    for (std::string part; std::getline(in, part, ':');)
        if (!part.empty()) parts.push_back(part);
    return parts;
}

}  // namespace

SessionProbe::Environment SessionProbe::currentEnvironment() {
    Environment e;
    e.waylandDisplay = env("WAYLAND_DISPLAY");
    e.display = env("DISPLAY");
    e.xdgRuntimeDir = env("XDG_RUNTIME_DIR");
    e.swaySocket = env("SWAYSOCK");
    e.home = env("HOME");
    e.xdgDataHome = env("XDG_DATA_HOME");
    e.xdgDataDirs = env("XDG_DATA_DIRS");
    e.gsettingsSchemaDir = env("GSETTINGS_SCHEMA_DIR");
    return e;
}

SessionCapabilities SessionProbe::probe() {
    return probe(currentEnvironment());
}

SessionCapabilities SessionProbe::probe(const Environment& env) {
    SessionCapabilities found;
    if (!env.waylandDisplay.empty()) {
        if (auto globals = waylandGlobals(env)) {
            found.kind = SessionCapabilities::Kind::Wayland;
            found.globals = std::move(*globals);
        }
    }
    if (found.kind != SessionCapabilities::Kind::Wayland) {
        if (!env.display.empty()) found.kind = SessionCapabilities::Kind::X11;
        return found;
    }
    found.portals = portalVersions();
    if (QDBusConnection::sessionBus().isConnected()) {
        found.kwinScripting = nameOwned(QStringLiteral("org.kde.KWin"));
        // Installed is not enough: any KDE program brings the service along, and started under
        // another compositor it grabs nothing. Under KWin it starts on first use.
        const QString kglobalaccel = QStringLiteral("org.kde.kglobalaccel");
        found.kglobalaccel =
            nameOwned(kglobalaccel) || (found.kwinScripting && nameActivatable(kglobalaccel));
    }
    found.swayIpc = !env.swaySocket.empty() && swayIpcAnswers(env.swaySocket);
    found.gnomeCustomKeybindings = gnomeCustomKeybindingsInstalled(env);
    return found;
}

std::optional<std::map<std::string, uint32_t>> SessionProbe::waylandGlobals(
    const Environment& env, std::chrono::milliseconds bound) {
    const int fd = connectUnix(waylandSocketPath(env));
    if (fd < 0) return std::nullopt;
    // The display owns the socket from here on, even when it fails.
    wl_display* display = wl_display_connect_to_fd(fd);
    if (!display) return std::nullopt;
    std::map<std::string, uint32_t> globals;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistryListener, &globals);
    const bool answered = roundtripWithin(display, bound);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);  // closes fd
    if (!answered) return std::nullopt;
    return globals;
}

std::map<std::string, uint32_t> SessionProbe::portalVersions(std::chrono::milliseconds bound) {
    std::map<std::string, uint32_t> versions;
    if (!portalReachable()) return versions;
    for (const char* name : {"GlobalShortcuts", "RemoteDesktop", "Clipboard"}) {
        bool timedOut = false;
        const auto version = portalInterfaceVersion(
            QStringLiteral("org.freedesktop.portal.") + QLatin1String(name), bound, &timedOut);
        if (version) versions[name] = *version;
        // A portal that did not start in time will not answer the next question either.
        if (timedOut) break;
    }
    return versions;
}

bool SessionProbe::swayIpcAnswers(const std::string& socketPath, std::chrono::milliseconds bound) {
    const int fd = connectUnix(socketPath);
    if (fd < 0) return false;
    // "i3-ipc", payload length 0, message type 7 (GET_VERSION), in host byte order.
    char request[14] = {'i', '3', '-', 'i', 'p', 'c'};
    const uint32_t length = 0, type = 7;
    std::memcpy(request + 6, &length, 4);
    std::memcpy(request + 10, &type, 4);
    bool answered = false;
    if (::send(fd, request, sizeof(request), MSG_NOSIGNAL) ==
        static_cast<ssize_t>(sizeof request)) {
        const auto deadline = Clock::now() + bound;
        char reply[6];
        size_t got = 0;
        while (got < sizeof reply) {
            pollfd p{fd, POLLIN, 0};
            const int ready = ::poll(&p, 1, remainingMs(deadline));
            if (ready < 0 && errno == EINTR) continue;
            if (ready <= 0) break;
            const ssize_t n = ::recv(fd, reply + got, sizeof reply - got, 0);
            if (n <= 0) break;
            got += static_cast<size_t>(n);
        }
        answered = got == sizeof reply && std::memcmp(reply, "i3-ipc", 6) == 0;
    }
    ::close(fd);
    return answered;
}

bool SessionProbe::gnomeCustomKeybindingsInstalled(const Environment& env) {
    std::vector<std::string> dirs = splitPath(env.gsettingsSchemaDir);
    const std::string dataHome =
        !env.xdgDataHome.empty() ? env.xdgDataHome
                                 : (env.home.empty() ? std::string() : env.home + "/.local/share");
    if (!dataHome.empty()) dirs.push_back(dataHome + "/glib-2.0/schemas");
    for (const auto& dir :
         splitPath(env.xdgDataDirs.empty() ? "/usr/local/share:/usr/share" : env.xdgDataDirs))
        dirs.push_back(dir + "/glib-2.0/schemas");
    std::error_code ec;
    for (const auto& dir : dirs) {
        const auto schema =
            std::filesystem::path(dir) / "org.gnome.settings-daemon.plugins.media-keys.gschema.xml";
        if (std::filesystem::exists(schema, ec)) return true;
    }
    return false;
}

bool SessionProbe::registerWithPortal(const std::string& appId, std::chrono::milliseconds bound) {
    if (!portalReachable()) return false;
    if (!portalInterfaceVersion(kRegistryInterface, bound, nullptr)) return false;
    const QDBusMessage reply =
        callPortal(kRegistryInterface, QStringLiteral("Register"),
                   {QString::fromStdString(appId), QVariant::fromValue(QVariantMap())}, bound);
    return reply.type() == QDBusMessage::ReplyMessage;
}

}  // namespace platform
