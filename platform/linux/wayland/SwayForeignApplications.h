#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/DesktopEntries.h"
#include "platform/linux/ForeignApplications.h"

namespace platform {

// The applications with windows under Sway, through its IPC socket ($SWAYSOCK): the window
// tree tells which window has the focus and which process shows it, native Wayland clients and
// XWayland ones alike. Focus changes come as window events on a second socket, read by a
// thread of its own that sleeps until Sway speaks; workspace events are read too, since
// focusing an empty workspace leaves no window in front without any window event.
//
// Applications are named as X11ActiveWindow names them, with the Wayland application id
// (app_id) where the toolkit's application id stands there: a native client's app_id is taken
// as its desktop entry's id; an XWayland window has its WM_CLASS instance and class instead.
// - localized name: the matching entry's Name, else the class, else the instance, else the
//   app_id, else the window title;
// - bundle identifier: the entry's id, else the app_id, else none.
//
// Activation runs the command "[pid=N] focus", which Sway applies to each of the process's
// windows in turn, leaving the last of them in front.
class SwayForeignApplications : public ForeignApplications {
  public:
    // Connected to `socketPath` ($SWAYSOCK when empty); nothing when Sway does not answer
    // there. The desktop entries are read on first need.
    static std::unique_ptr<SwayForeignApplications> open(const std::string& socketPath = {});
    ~SwayForeignApplications() override;
    SwayForeignApplications(const SwayForeignApplications&) = delete;
    SwayForeignApplications& operator=(const SwayForeignApplications&) = delete;

    // Asked of Sway at each call, so an activation just made is seen at once.
    std::optional<WindowedApplication> frontmost() override;
    std::vector<WindowedApplication> withWindows() override;
    void setFrontmostChanged(std::function<void(const WindowedApplication&)> changed) override;
    bool activate(int pid) override;

  private:
    SwayForeignApplications(std::string path, int requests, int events);
    const DesktopEntries& entries() const;
    // The reply's payload to one message on the request socket; nothing when Sway is gone.
    std::optional<std::string> request(uint32_t type, const std::string& payload);
    // Every window of the tree, in the order they were made, with the focused one marked;
    // unnamed (only the pid) unless `named`.
    struct Window {
        WindowedApplication app;
        bool focused = false;
    };
    std::vector<Window> windows(bool named = true);
    void watch();

    std::string path_;
    // Opened again after a reply that did not come whole: what is left of it would be read as
    // the next one's.
    int requests_;
    int events_;
    std::mutex requestsMutex_;
    mutable std::once_flag entriesLoaded_;
    mutable DesktopEntries entries_;
    int wakeup_ = -1;

    std::mutex mutex_;
    int frontPid_ = 0;
    std::function<void(const WindowedApplication&)> changed_;
    std::thread thread_;
};

}  // namespace platform
