#include "platform/linux/wayland/SwayForeignApplications.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <nlohmann/json.hpp>
#include <set>

namespace platform {

namespace {

using nlohmann::json;

// Message types of Sway's IPC (the i3 numbering).
constexpr uint32_t kRunCommand = 0;
constexpr uint32_t kSubscribe = 2;
constexpr uint32_t kGetTree = 4;
constexpr uint32_t kEventBit = 0x80000000;
constexpr char kMagic[] = {'i', '3', '-', 'i', 'p', 'c'};
constexpr size_t kHeaderSize = sizeof kMagic + 8;
// No reply ever comes near this; a length beyond it means the stream is not Sway's.
constexpr uint32_t kMaxPayload = 64u << 20;

bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool readAll(int fd, char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = recv(fd, data, size, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool writeMessage(int fd, uint32_t type, const std::string& payload) {
    std::string message(kMagic, sizeof kMagic);
    const auto length = static_cast<uint32_t>(payload.size());
    // Native byte order, as the IPC defines it.
    message.append(reinterpret_cast<const char*>(&length), 4);
    message.append(reinterpret_cast<const char*>(&type), 4);
    message += payload;
    return writeAll(fd, message.data(), message.size());
}

struct Message {
    uint32_t type = 0;
    std::string payload;
};

std::optional<Message> readMessage(int fd) {
    char header[kHeaderSize];
    if (!readAll(fd, header, sizeof header)) return std::nullopt;
    if (std::memcmp(header, kMagic, sizeof kMagic) != 0) return std::nullopt;
    Message message;
    uint32_t length = 0;
    std::memcpy(&length, header + sizeof kMagic, 4);
    std::memcpy(&message.type, header + sizeof kMagic + 4, 4);
    if (length > kMaxPayload) return std::nullopt;
    message.payload.resize(length);
    if (!readAll(fd, message.payload.data(), length)) return std::nullopt;
    return message;
}

int connectTo(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) return -1;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// Fields read whatever the peer sent: a missing or mistyped one reads as empty.
std::string stringAt(const json& node, const char* key) {
    if (!node.is_object()) return {};
    const auto found = node.find(key);
    return found != node.end() && found->is_string() ? found->get<std::string>() : std::string();
}
bool boolAt(const json& node, const char* key) {
    if (!node.is_object()) return false;
    const auto found = node.find(key);
    return found != node.end() && found->is_boolean() && found->get<bool>();
}
int64_t integerAt(const json& node, const char* key) {
    if (!node.is_object()) return 0;
    const auto found = node.find(key);
    return found != node.end() && found->is_number_integer() ? found->get<int64_t>() : 0;
}

// A compositor that stops answering must not hold the agent up for good.
int connectBounded(const std::string& path) {
    const int fd = connectTo(path);
    if (fd < 0) return -1;
    const timeval timeout{5, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    return fd;
}

// The windows below `node`, depth first, tiled before floating as the tree lists them.
void collectViews(const json& node, std::vector<const json*>& views) {
    if (!node.is_object()) return;
    if (node.contains("pid") && node["pid"].is_number_integer()) views.push_back(&node);
    for (const char* children : {"nodes", "floating_nodes"}) {
        const auto found = node.find(children);
        if (found == node.end() || !found->is_array()) continue;
        for (const json& child : *found) collectViews(child, views);
    }
}

}  // namespace

std::unique_ptr<SwayForeignApplications> SwayForeignApplications::open(
    const std::string& socketPath) {
    std::string path = socketPath;
    if (path.empty()) {
        const char* env = std::getenv("SWAYSOCK");
        if (!env) return nullptr;
        path = env;
    }
    const int requests = connectBounded(path);
    if (requests < 0) return nullptr;
    // Events are read only once they arrive: the bound only ends a message that stops half way.
    const int events = connectBounded(path);
    std::optional<Message> subscribed;
    if (events >= 0 && writeMessage(events, kSubscribe, R"(["window","workspace"])"))
        subscribed = readMessage(events);
    if (!subscribed || !boolAt(json::parse(subscribed->payload, nullptr, false), "success")) {
        close(requests);
        if (events >= 0) close(events);
        return nullptr;
    }
    return std::unique_ptr<SwayForeignApplications>(
        new SwayForeignApplications(path, requests, events));
}

SwayForeignApplications::SwayForeignApplications(std::string path, int requests, int events)
    : path_(std::move(path)), requests_(requests), events_(events) {
    // Subscribed already, so no change falls between this reading and the events. Only the
    // pid: the desktop entries are read on first need, not while the program starts.
    for (const Window& window : windows(false)) {
        if (window.focused) frontPid_ = window.app.pid;
    }
    wakeup_ = eventfd(0, EFD_CLOEXEC);
    if (wakeup_ >= 0) thread_ = std::thread([this] { watch(); });
}

SwayForeignApplications::~SwayForeignApplications() {
    if (thread_.joinable()) {
        const uint64_t one = 1;
        (void)!write(wakeup_, &one, sizeof one);
        thread_.join();
    }
    if (wakeup_ >= 0) close(wakeup_);
    close(events_);
    if (requests_ >= 0) close(requests_);
}

const DesktopEntries& SwayForeignApplications::entries() const {
    std::call_once(entriesLoaded_, [this] { entries_ = DesktopEntries::load(); });
    return entries_;
}

std::optional<std::string> SwayForeignApplications::request(uint32_t type,
                                                            const std::string& payload) {
    std::lock_guard lock(requestsMutex_);
    if (requests_ < 0) requests_ = connectBounded(path_);
    if (requests_ < 0) return std::nullopt;
    std::optional<Message> reply;
    if (writeMessage(requests_, type, payload)) reply = readMessage(requests_);
    if (!reply || reply->type != type) {
        close(requests_);
        requests_ = -1;
        return std::nullopt;
    }
    return reply->payload;
}

std::vector<SwayForeignApplications::Window> SwayForeignApplications::windows(bool named) {
    const auto tree = request(kGetTree, {});
    if (!tree) return {};
    const json root = json::parse(*tree, nullptr, false);
    if (root.is_discarded()) return {};
    std::vector<const json*> views;
    collectViews(root, views);
    // Sway numbers containers as it makes them.
    std::stable_sort(views.begin(), views.end(), [](const json* a, const json* b) {
        return integerAt(*a, "id") < integerAt(*b, "id");
    });
    std::vector<Window> result;
    for (const json* view : views) {
        const int pid = (*view)["pid"].get<int>();
        if (pid <= 0) continue;
        const std::string appId = stringAt(*view, "app_id");
        std::string instance, klass;
        if (const auto props = view->find("window_properties");
            props != view->end() && props->is_object()) {
            instance = stringAt(*props, "instance");
            klass = stringAt(*props, "class");
        }
        Window window;
        window.focused = boolAt(*view, "focused");
        window.app.pid = pid;
        if (!named) {
            result.push_back(std::move(window));
            continue;
        }
        if (const auto* entry = entries().match(instance, klass, appId)) {
            window.app.localizedName = entry->name;
            window.app.bundleIdentifier = entry->id;
        } else {
            for (const std::string& name : {klass, instance, appId, stringAt(*view, "name")}) {
                if (!name.empty()) {
                    window.app.localizedName = name;
                    break;
                }
            }
            if (!appId.empty()) window.app.bundleIdentifier = appId;
        }
        result.push_back(std::move(window));
    }
    return result;
}

std::optional<WindowedApplication> SwayForeignApplications::frontmost() {
    for (Window& window : windows()) {
        if (window.focused) return std::move(window.app);
    }
    return std::nullopt;
}

std::vector<WindowedApplication> SwayForeignApplications::withWindows() {
    std::vector<WindowedApplication> apps;
    std::set<int> seen;
    for (Window& window : windows()) {
        if (seen.insert(window.app.pid).second) apps.push_back(std::move(window.app));
    }
    return apps;
}

void SwayForeignApplications::setFrontmostChanged(
    std::function<void(const WindowedApplication&)> changed) {
    std::lock_guard lock(mutex_);
    changed_ = std::move(changed);
}

bool SwayForeignApplications::activate(int pid) {
    if (pid <= 0) return false;
    const auto reply = request(kRunCommand, "[pid=" + std::to_string(pid) + "] focus");
    if (!reply) return false;
    const json results = json::parse(*reply, nullptr, false);
    if (!results.is_array()) return false;
    // No window of the process: Sway answers "No matching node" and changes nothing.
    return std::any_of(results.begin(), results.end(),
                       [](const json& result) { return boolAt(result, "success"); });
}

void SwayForeignApplications::watch() {
    pollfd fds[2] = {{events_, POLLIN, 0}, {wakeup_, POLLIN, 0}};
    for (;;) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents) return;
        if (!fds[0].revents) continue;
        const auto message = readMessage(events_);
        if (!message) return;  // Sway went away
        if (!(message->type & kEventBit)) continue;
        const json event = json::parse(message->payload, nullptr, false);
        if (event.is_discarded()) continue;
        const std::string change = stringAt(event, "change");
        // Focus moves with these; the tree says where it went.
        if (change != "focus" && change != "close") continue;
        const auto front = frontmost();
        std::function<void(const WindowedApplication&)> changed;
        {
            std::lock_guard lock(mutex_);
            const int previous = frontPid_;
            frontPid_ = front ? front->pid : 0;
            if (!front || front->pid == previous) continue;
            changed = changed_;
        }
        if (changed) changed(*front);
    }
}

}  // namespace platform
