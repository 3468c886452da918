#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/ScopedEnv.h"
#include "tests/support/Subprocess.h"

namespace testsupport {

// A desktop of a test's own: a private X server (Xvfb) with a window manager (openbox), set as
// DISPLAY for this process and the programs it starts until the desktop goes (Qt programs draw
// on it, not off screen). Tests that move
// the focus, switch layouts or own the clipboard each get their own, so tests that run side by
// side never see each other's windows or keys.
class XDesktop {
  public:
    XDesktop();
    ~XDesktop();
    XDesktop(const XDesktop&) = delete;
    XDesktop& operator=(const XDesktop&) = delete;

    // False when the server or the window manager did not come up; `error()` says why.
    bool ready() const { return ready_; }
    const std::string& error() const { return error_; }
    const std::string& display() const { return display_; }

    // The top-level window of a process (by _NET_WM_PID in the window manager's client list).
    std::optional<uint32_t> windowOfProcess(int pid) const;
    // The window the window manager says is active.
    std::optional<uint32_t> activeWindow() const;
    // The CLIPBOARD as text (xclip), empty when nothing answers.
    static std::string clipboard(const std::string& target = "UTF8_STRING");
    // Writes a PNG of the whole screen under build/screenshots/.
    void screenshot(const std::string& name) const;

  private:
    bool startServer();
    bool hasWindowManager() const;

    bool ready_ = false;
    std::string error_;
    std::string display_;
    std::optional<ScopedEnv> displayEnv_, qtPlatformEnv_;
    int serverPid_ = -1;
    std::unique_ptr<Subprocess> windowManager_;
};

}  // namespace testsupport
