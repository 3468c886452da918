#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tests/support/ScopedEnv.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TempDir.h"

namespace testsupport {

// A headless Wayland compositor of a test's own, set as WAYLAND_DISPLAY (an absolute socket
// path, with XDG_SESSION_TYPE "wayland" and no QT_QPA_PLATFORM) for this process and the programs
// it starts until it goes; the previous values come back then. Start it after an AgentSession, so
// it joins that session's bus (Mutter serves its remote-desktop API there).
//
// Sway refuses to run as root: when the test runs as root, Sway runs as an unprivileged user
// of the tests' own (made on first need), and this process and its children, as root, still
// reach its sockets.
class WaylandCompositor {
  public:
    enum class Kind { Sway, Weston, Mutter };

    explicit WaylandCompositor(Kind kind);
    ~WaylandCompositor();
    WaylandCompositor(const WaylandCompositor&) = delete;
    WaylandCompositor& operator=(const WaylandCompositor&) = delete;

    // False when the compositor is not installed or did not come up; `error()` says why.
    bool ready() const { return ready_; }
    const std::string& error() const { return error_; }
    Kind kind() const { return kind_; }
    // The socket's absolute path, as WAYLAND_DISPLAY holds it.
    const std::string& display() const { return display_; }
    // Sway's IPC socket (also set as SWAYSOCK while the compositor runs); empty for others.
    const std::string& swaySocket() const { return swaySocket_; }
    // What the compositor printed so far.
    std::string log() const;

  private:
    bool start();

    Kind kind_;
    bool ready_ = false;
    std::string error_;
    TempDir runtime_;
    std::string display_, swaySocket_;
    std::vector<std::unique_ptr<ScopedEnv>> environment_;
    std::unique_ptr<Subprocess> process_;
};

}  // namespace testsupport
