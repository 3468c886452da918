#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// An application that is not one of ours, as the desktop's window system sees it: the process
// behind a top-level window.
struct WindowedApplication {
    int pid = 0;
    std::string localizedName;
    std::optional<std::string> bundleIdentifier;
};

// The applications with windows on the user's desktop, whoever wrote them: which one is in
// front, and bringing one forward. The workspace asks it where the session bus cannot answer.
class ForeignApplications {
  public:
    virtual ~ForeignApplications() = default;

    // The application of the active window; nothing when no window is active or the window
    // does not say which process it belongs to.
    virtual std::optional<WindowedApplication> frontmost() = 0;
    // Every application with a top-level window, one entry per process, in the order the
    // windows were mapped.
    virtual std::vector<WindowedApplication> withWindows() = 0;
    // Runs on a thread of the implementation's whenever another application's window becomes
    // active. Set it once, before anything else is asked.
    virtual void setFrontmostChanged(std::function<void(const WindowedApplication&)> changed) = 0;
    // Brings the process's topmost window forward with the focus; false when it has none.
    virtual bool activate(int pid) = 0;
    // Whether the applications come with their processes; where they do not (pid 0), nobody
    // can tell which process is in front.
    virtual bool reportsProcesses() const { return true; }
};

}  // namespace platform
