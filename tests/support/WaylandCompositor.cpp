#include "tests/support/WaylandCompositor.h"

#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "tests/support/WaitFor.h"

namespace fs = std::filesystem;

namespace testsupport {

namespace {

// Sway's user when the tests run as root.
constexpr const char* kUser = "purlanetest";

bool accepts(const std::string& socketPath) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof address.sun_path) {
        close(fd);
        return false;
    }
    socketPath.copy(address.sun_path, socketPath.size());
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

// The unprivileged user, made on first need; its uid, or -1.
int testUser(std::string& error) {
    if (const passwd* user = getpwnam(kUser)) return static_cast<int>(user->pw_uid);
    const RunResult made = run({"/usr/sbin/useradd", "--system", "--no-create-home", "--shell",
                                "/usr/sbin/nologin", kUser});
    if (const passwd* user = getpwnam(kUser)) return static_cast<int>(user->pw_uid);
    error = "could not make the user " + std::string(kUser) + ": " + made.err;
    return -1;
}

}  // namespace

WaylandCompositor::WaylandCompositor(Kind kind) : kind_(kind) {
    if (!start()) {
        process_.reset();
        return;
    }
    const auto set = [&](const char* name, std::optional<std::string> value) {
        environment_.push_back(std::make_unique<ScopedEnv>(name, value));
    };
    set("WAYLAND_DISPLAY", display_);
    // As a login into a Wayland session sets it: toolkits choose their Wayland backend by it.
    set("XDG_SESSION_TYPE", "wayland");
    // Qt programs draw on the compositor, not off screen.
    set("QT_QPA_PLATFORM", std::nullopt);
    set("SWAYSOCK", swaySocket_.empty() ? std::nullopt : std::optional(swaySocket_));
    ready_ = true;
}

WaylandCompositor::~WaylandCompositor() {
    if (process_ && process_->running()) {
        process_->signal(SIGTERM);
        if (!process_->wait(10)) process_->signal(SIGKILL);
    }
    process_.reset();
    environment_.clear();
}

std::string WaylandCompositor::log() const {
    return process_ ? process_->stderrText() + process_->stdoutText() : std::string();
}

bool WaylandCompositor::start() {
    const fs::path dir = runtime_.path();
    const std::string name = "wayland-test";
    display_ = (dir / name).string();
    std::vector<std::string> argv;
    switch (kind_) {
        case Kind::Sway: {
            if (!fs::exists("/usr/bin/sway")) {
                error_ = "sway is not installed";
                return false;
            }
            const fs::path config = dir / "config";
            // No bar, no Xwayland: a bare headless output, windows tiled on it.
            std::ofstream(config) << "output HEADLESS-1 resolution 1024x768\n"
                                     "xwayland disable\n"
                                     "default_border none\n";
            std::vector<std::string> env = {"/usr/bin/env",
                                            "-i",
                                            "XDG_RUNTIME_DIR=" + dir.string(),
                                            "WLR_BACKENDS=headless",
                                            "WLR_RENDERER=pixman",
                                            "WLR_LIBINPUT_NO_DEVICES=1",
                                            "PATH=/usr/bin:/bin"};
            if (geteuid() == 0) {
                const int uid = testUser(error_);
                if (uid < 0) return false;
                // The runtime folder is the user's, as a login would make it; root still
                // reaches the sockets in it.
                if (chown(dir.c_str(), static_cast<uid_t>(uid), static_cast<gid_t>(-1)) != 0 ||
                    chown(config.c_str(), static_cast<uid_t>(uid), static_cast<gid_t>(-1)) != 0) {
                    error_ = "could not hand the runtime folder to " + std::string(kUser);
                    return false;
                }
                argv = {"/usr/sbin/runuser", "-u", kUser, "--"};
            }
            argv.insert(argv.end(), env.begin(), env.end());
            argv.insert(argv.end(), {"/usr/bin/sway", "-c", config.string()});
            break;
        }
        case Kind::Weston:
            if (!fs::exists("/usr/bin/weston")) {
                error_ = "weston is not installed";
                return false;
            }
            argv = {"/usr/bin/env",     "XDG_RUNTIME_DIR=" + dir.string(),
                    "/usr/bin/weston",  "--backend=headless-backend.so",
                    "--socket=" + name, "--idle-time=0"};
            break;
        case Kind::Mutter:
            if (!fs::exists("/usr/bin/mutter")) {
                error_ = "mutter is not installed";
                return false;
            }
            argv = {"/usr/bin/env",
                    "XDG_RUNTIME_DIR=" + dir.string(),
                    "/usr/bin/mutter",
                    "--headless",
                    "--wayland",
                    "--no-x11",
                    "--virtual-monitor",
                    "1024x768",
                    "--wayland-display=" + name};
            break;
    }
    process_ = std::make_unique<Subprocess>(argv);
    // Sway names its socket itself (wayland-1, …); the others take ours.
    const bool up = waitFor(
        [&] {
            if (!process_->running()) return true;
            if (kind_ == Kind::Sway) {
                for (const auto& entry : fs::directory_iterator(dir)) {
                    const std::string file = entry.path().filename().string();
                    if (file.starts_with("wayland-") && !file.ends_with(".lock"))
                        display_ = entry.path().string();
                    if (file.starts_with("sway-ipc.")) swaySocket_ = entry.path().string();
                }
                if (swaySocket_.empty() || !accepts(swaySocket_)) return false;
            }
            return accepts(display_);
        },
        30);
    if (!up || !process_->running()) {
        error_ = "the compositor did not come up: " + log();
        return false;
    }
    return true;
}

}  // namespace testsupport
