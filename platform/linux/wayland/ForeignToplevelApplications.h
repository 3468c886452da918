#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/DesktopEntries.h"
#include "platform/linux/ForeignApplications.h"

struct wl_array;
struct wl_display;
struct wl_registry;
struct wl_seat;
struct zwlr_foreign_toplevel_manager_v1;
struct zwlr_foreign_toplevel_handle_v1;

namespace platform {

// The applications with windows on a wlroots compositor, through its foreign-toplevel
// management (zwlr_foreign_toplevel_manager_v1), the taskbars' protocol: each toplevel's app_id,
// title and state, on a connection and thread of its own that sleeps until the compositor
// speaks. The activated toplevel is the front one.
//
// The protocol names no process, so every application here has pid 0 and its app_id as its
// bundle identifier (the matching desktop entry's id where one matches the app_id as its id or
// as its StartupWMClass; the entry's Name, else the app_id, else the title, as its name). Whoever
// uses it can tell applications apart only by that identifier: a change of front application
// is one of app_id, and withWindows() lists one entry per app_id. frontmost() gives such an
// entry although the interface leaves out windows without a process, so that the front
// application is known at all.
//
// Activation needs a toplevel: activate(pid) cannot find one and is false; activateApplication()
// asks the compositor to activate the oldest toplevel with an app_id.
class ForeignToplevelApplications : public ForeignApplications {
  public:
    // Connects to `display` ($WAYLAND_DISPLAY when empty; a name or an absolute path); nothing
    // without a display or when it does not offer the protocol.
    static std::unique_ptr<ForeignToplevelApplications> open(const std::string& display = {});
    ~ForeignToplevelApplications() override;
    ForeignToplevelApplications(const ForeignToplevelApplications&) = delete;
    ForeignToplevelApplications& operator=(const ForeignToplevelApplications&) = delete;

    std::optional<WindowedApplication> frontmost() override;
    std::vector<WindowedApplication> withWindows() override;
    void setFrontmostChanged(std::function<void(const WindowedApplication&)> changed) override;
    // Always false: no toplevel is known by its process.
    bool activate(int pid) override;
    // No process is ever known: pid 0 for all.
    bool reportsProcesses() const override { return false; }
    // Asks for the oldest toplevel with `appId` to be activated on the seat; false when there
    // is none. The compositor may refuse: frontmost() tells once it did it.
    bool activateApplication(const std::string& appId);

  private:
    struct Toplevel {
        uint64_t order = 0;
        std::string title, appId;
        bool activated = false;
        uint64_t activatedAt = 0;  // when it last became activated; the latest one is in front
        // Sent since the last "done".
        std::string pendingTitle, pendingAppId;
        bool pendingActivated = false;
    };

    ForeignToplevelApplications() = default;
    bool connect(const std::string& display);
    const DesktopEntries& entries() const;
    WindowedApplication describe(const Toplevel& toplevel) const;
    // The front toplevel; the caller holds mutex_.
    const Toplevel* front() const;
    // After any change: reports a new front application. The caller does not hold mutex_.
    void frontMayHaveChanged();
    void watch();

    static void global(void* data, wl_registry* registry, uint32_t name, const char* interface,
                       uint32_t version);
    static void globalRemove(void* data, wl_registry* registry, uint32_t name);
    static void toplevel(void* data, zwlr_foreign_toplevel_manager_v1* manager,
                         zwlr_foreign_toplevel_handle_v1* handle);
    static void finished(void* data, zwlr_foreign_toplevel_manager_v1* manager);
    static void title(void* data, zwlr_foreign_toplevel_handle_v1* handle, const char* title);
    static void appId(void* data, zwlr_foreign_toplevel_handle_v1* handle, const char* appId);
    static void state(void* data, zwlr_foreign_toplevel_handle_v1* handle, wl_array* state);
    static void done(void* data, zwlr_foreign_toplevel_handle_v1* handle);
    static void closed(void* data, zwlr_foreign_toplevel_handle_v1* handle);

    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_seat* seat_ = nullptr;
    zwlr_foreign_toplevel_manager_v1* manager_ = nullptr;
    mutable std::once_flag entriesLoaded_;
    mutable DesktopEntries entries_;
    int wakeup_ = -1;

    mutable std::mutex mutex_;
    std::map<zwlr_foreign_toplevel_handle_v1*, Toplevel> toplevels_;
    uint64_t counter_ = 0;
    std::optional<std::string> frontAppId_;  // of the last front reported
    std::function<void(const WindowedApplication&)> changed_;
    std::thread thread_;
};

}  // namespace platform
