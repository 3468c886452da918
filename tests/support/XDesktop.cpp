#include "tests/support/XDesktop.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>

#include "tests/support/WaitFor.h"

namespace testsupport {

namespace {

// One short-lived connection per question keeps the helper simple and thread-agnostic.
struct Connection {
    Connection() : c(xcb_connect(nullptr, nullptr)) {
        if (xcb_connection_has_error(c)) return;
        root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    }
    ~Connection() { xcb_disconnect(c); }
    bool ok() const { return !xcb_connection_has_error(c); }
    xcb_atom_t atom(const char* name) const {
        auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, strlen(name), name), nullptr);
        const xcb_atom_t a = reply ? reply->atom : XCB_ATOM_NONE;
        free(reply);
        return a;
    }
    std::vector<uint32_t> cardinals(xcb_window_t window, const char* name, xcb_atom_t type) const {
        std::vector<uint32_t> out;
        auto* reply = xcb_get_property_reply(
            c, xcb_get_property(c, 0, window, atom(name), type, 0, 4096), nullptr);
        if (reply && reply->format == 32) {
            const auto* v = static_cast<const uint32_t*>(xcb_get_property_value(reply));
            out.assign(v, v + xcb_get_property_value_length(reply) / 4);
        }
        free(reply);
        return out;
    }
    xcb_connection_t* c;
    xcb_window_t root = 0;
};

}  // namespace

XDesktop::XDesktop() {
    if (!startServer()) return;
    displayEnv_.emplace("DISPLAY", display_);
    qtPlatformEnv_.emplace("QT_QPA_PLATFORM", std::nullopt);
    windowManager_ = std::make_unique<Subprocess>(std::vector<std::string>{"/usr/bin/openbox"});
    // Openbox is ready once it names its check window on the root.
    if (!waitFor([&] { return hasWindowManager(); }, 30)) {
        error_ = "openbox did not start: " + windowManager_->stderrText();
        return;
    }
    ready_ = true;
}

XDesktop::~XDesktop() {
    windowManager_.reset();
    if (serverPid_ > 0) {
        kill(serverPid_, SIGTERM);
        waitpid(serverPid_, nullptr, 0);
    }
    qtPlatformEnv_.reset();
    displayEnv_.reset();
}

bool XDesktop::startServer() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        error_ = "no pipe";
        return false;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        // The server writes its display number to this descriptor once it accepts clients.
        dup2(fds[1], 3);
        const int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, 0);
        dup2(devnull, 1);
        dup2(devnull, 2);
        execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1280x800x24",
              "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    serverPid_ = pid;
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (number.find('\n') == std::string::npos && poll(&p, 1, 30000) > 0) {
        char buf[16];
        const ssize_t n = read(fds[0], buf, sizeof buf);
        if (n <= 0) break;
        number.append(buf, static_cast<size_t>(n));
    }
    close(fds[0]);
    if (number.empty() || number.find('\n') == std::string::npos) {
        error_ = "Xvfb did not start";
        return false;
    }
    display_ = ":" + number.substr(0, number.find('\n'));
    return true;
}

bool XDesktop::hasWindowManager() const {
    Connection x;
    return x.ok() && !x.cardinals(x.root, "_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW).empty();
}

std::optional<uint32_t> XDesktop::windowOfProcess(int pid) const {
    Connection x;
    if (!x.ok()) return std::nullopt;
    for (uint32_t window : x.cardinals(x.root, "_NET_CLIENT_LIST", XCB_ATOM_WINDOW)) {
        const auto owner = x.cardinals(window, "_NET_WM_PID", XCB_ATOM_CARDINAL);
        if (!owner.empty() && static_cast<int>(owner[0]) == pid) return window;
    }
    return std::nullopt;
}

std::optional<uint32_t> XDesktop::activeWindow() const {
    Connection x;
    if (!x.ok()) return std::nullopt;
    const auto active = x.cardinals(x.root, "_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW);
    if (active.empty() || active[0] == 0) return std::nullopt;
    return active[0];
}

std::string XDesktop::clipboard(const std::string& target) {
    return run({"/usr/bin/xclip", "-o", "-selection", "clipboard", "-t", target}, {}, 10).out;
}

void XDesktop::screenshot(const std::string& name) const {
    const std::filesystem::path folder = std::filesystem::path(PURLANE_BUILD_DIR) / "screenshots";
    std::filesystem::create_directories(folder);
    run({"/usr/bin/import", "-window", "root", (folder / (name + ".png")).string()}, {}, 30);
}

}  // namespace testsupport
