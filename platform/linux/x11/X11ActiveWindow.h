#pragma once

#include <xcb/xcb.h>

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

// The applications with windows on an X display, whoever wrote them. The active one comes from
// the root window's _NET_ACTIVE_WINDOW and that window's _NET_WM_PID, watched through property
// events on a connection and thread of its own (nothing is polled: the thread sleeps until the
// server speaks).
//
// How an application is named:
// - its desktop entry, when one matches the window (see DesktopEntries::match: StartupWMClass
//   equal to WM_CLASS, the id equal to the toolkit's application id, or the id equal to
//   WM_CLASS); the application id is _GTK_APPLICATION_ID, else _KDE_NET_WM_DESKTOP_FILE;
// - localized name: the entry's Name, else WM_CLASS's class, else its instance;
// - bundle identifier: the entry's id (without ".desktop"), else the application id, else none.
// Windows without _NET_WM_PID belong to no known process and are left out.
//
// Activation asks the window manager with a _NET_ACTIVE_WINDOW message (source: a pager, which
// no focus-stealing rule refuses) for the process's topmost client window, and raises it.
class X11ActiveWindow : public ForeignApplications {
  public:
    // Watching `display` ($DISPLAY when empty); nothing without a display. Without a window
    // manager that keeps _NET_ACTIVE_WINDOW no window is ever active. The desktop entries are
    // read on first need, off the caller's thread when the watch comes first, so that a
    // program's start is not held up by them.
    static std::unique_ptr<X11ActiveWindow> open(const std::string& display = {});
    ~X11ActiveWindow() override;
    X11ActiveWindow(const X11ActiveWindow&) = delete;
    X11ActiveWindow& operator=(const X11ActiveWindow&) = delete;

    std::optional<WindowedApplication> frontmost() override;
    std::vector<WindowedApplication> withWindows() override;
    void setFrontmostChanged(std::function<void(const WindowedApplication&)> changed) override;
    bool activate(int pid) override;

  private:
    struct Atoms {
        xcb_atom_t activeWindow, clientList, wmPid, supportingWmCheck, gtkApplicationId,
            kdeDesktopFile, utf8String;
    };
    X11ActiveWindow(xcb_connection_t* watch, xcb_connection_t* requests, xcb_window_t root,
                    Atoms atoms);
    const DesktopEntries& entries() const;

    void watch();
    // Reads the active window again: the application that came forward, if another one did.
    std::optional<WindowedApplication> refresh();
    std::vector<std::optional<WindowedApplication>> describe(
        xcb_connection_t* connection, const std::vector<xcb_window_t>& windows) const;

    // Only the watching thread uses the first connection, so no reply read for someone else
    // leaves an event queued where its poll cannot see it; callers share the second.
    xcb_connection_t* watch_;
    xcb_connection_t* requests_;
    std::mutex requestsMutex_;
    xcb_window_t root_;
    Atoms atoms_;
    mutable std::once_flag entriesLoaded_;
    mutable DesktopEntries entries_;
    int wakeup_[2] = {-1, -1};

    std::mutex mutex_;
    std::optional<WindowedApplication> front_;
    xcb_window_t frontWindow_ = XCB_WINDOW_NONE;
    std::function<void(const WindowedApplication&)> changed_;
    std::thread thread_;
};

}  // namespace platform
