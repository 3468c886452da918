#include "platform/linux/wayland/ForeignToplevelApplications.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>

#include "platform/linux/wayland/WaylandRoundtrip.h"
#include "protocols/wlr-foreign-toplevel-management-unstable-v1-client.h"

namespace platform {

// The longest the compositor may take to answer before we give up on it.
constexpr std::chrono::milliseconds kBound{3000};

namespace {

void ignoreOutput(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
void ignoreParent(void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {}

}  // namespace

std::unique_ptr<ForeignToplevelApplications> ForeignToplevelApplications::open(
    const std::string& display) {
    std::unique_ptr<ForeignToplevelApplications> apps(new ForeignToplevelApplications());
    if (!apps->connect(display)) return nullptr;
    return apps;
}

bool ForeignToplevelApplications::connect(const std::string& display) {
    display_ = wl_display_connect(display.empty() ? nullptr : display.c_str());
    if (!display_) return false;
    static const wl_registry_listener listener = {&ForeignToplevelApplications::global,
                                                  &ForeignToplevelApplications::globalRemove};
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &listener, this);
    if (!roundtripWithin(display_, kBound) || !manager_) return false;
    // The toplevels that exist already, then their first state.
    if (!roundtripWithin(display_, kBound) || !roundtripWithin(display_, kBound)) return false;
    wakeup_ = eventfd(0, EFD_CLOEXEC);
    if (wakeup_ < 0) return false;
    thread_ = std::thread([this] { watch(); });
    return true;
}

ForeignToplevelApplications::~ForeignToplevelApplications() {
    if (thread_.joinable()) {
        const uint64_t one = 1;
        (void)!write(wakeup_, &one, sizeof one);
        thread_.join();
    }
    if (wakeup_ >= 0) close(wakeup_);
    for (const auto& [handle, toplevel] : toplevels_)
        zwlr_foreign_toplevel_handle_v1_destroy(handle);
    if (manager_) zwlr_foreign_toplevel_manager_v1_destroy(manager_);
    if (seat_) wl_seat_destroy(seat_);
    if (registry_) wl_registry_destroy(registry_);
    if (display_) wl_display_disconnect(display_);
}

void ForeignToplevelApplications::global(void* data, wl_registry* registry, uint32_t name,
                                         const char* interface, uint32_t version) {
    auto* self = static_cast<ForeignToplevelApplications*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !self->seat_) {
        self->seat_ =
            static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) == 0 &&
               !self->manager_) {
        self->manager_ = static_cast<zwlr_foreign_toplevel_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_foreign_toplevel_manager_v1_interface,
                             std::min<uint32_t>(version, 3)));
        static const zwlr_foreign_toplevel_manager_v1_listener listener = {
            &ForeignToplevelApplications::toplevel, &ForeignToplevelApplications::finished};
        zwlr_foreign_toplevel_manager_v1_add_listener(self->manager_, &listener, self);
    }
}

void ForeignToplevelApplications::globalRemove(void*, wl_registry*, uint32_t) {}

void ForeignToplevelApplications::toplevel(void* data, zwlr_foreign_toplevel_manager_v1*,
                                           zwlr_foreign_toplevel_handle_v1* handle) {
    auto* self = static_cast<ForeignToplevelApplications*>(data);
    static const zwlr_foreign_toplevel_handle_v1_listener listener = {
        &ForeignToplevelApplications::title,
        &ForeignToplevelApplications::appId,
        &ignoreOutput,
        &ignoreOutput,
        &ForeignToplevelApplications::state,
        &ForeignToplevelApplications::done,
        &ForeignToplevelApplications::closed,
        &ignoreParent,
    };
    zwlr_foreign_toplevel_handle_v1_add_listener(handle, &listener, self);
    std::lock_guard lock(self->mutex_);
    self->toplevels_[handle].order = ++self->counter_;
}

void ForeignToplevelApplications::finished(void* data, zwlr_foreign_toplevel_manager_v1* manager) {
    auto* self = static_cast<ForeignToplevelApplications*>(data);
    std::lock_guard lock(self->mutex_);
    zwlr_foreign_toplevel_manager_v1_destroy(manager);
    self->manager_ = nullptr;
}

void ForeignToplevelApplications::title(void* data, zwlr_foreign_toplevel_handle_v1* handle,
                                        const char* title) {
    auto* self = static_cast<ForeignToplevelApplications*>(data);
    std::lock_guard lock(self->mutex_);
    self->toplevels_[handle].pendingTitle = title ? title : "";
}

void ForeignToplevelApplications::appId(void* data, zwlr_foreign_toplevel_handle_v1* handle,
                                        const char* appId) {
    auto* self = static_cast<ForeignToplevelApplications*>(data);
    std::lock_guard lock(self->mutex_);
    self->toplevels_[handle].pendingAppId = appId ? appId : "";
}

void ForeignToplevelApplications::state(void* data, zwlr_foreign_toplevel_handle_v1* handle,
                                        wl_array* state) {
    auto* self = static_cast<ForeignToplevelApplications*>(data);
    bool activated = false;
    const auto* values = static_cast<const uint32_t*>(state->data);
    for (size_t i = 0; i < state->size / sizeof(uint32_t); ++i)
        activated |= values[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED;
    std::lock_guard lock(self->mutex_);
    self->toplevels_[handle].pendingActivated = activated;
}

void ForeignToplevelApplications::done(void* data, zwlr_foreign_toplevel_handle_v1* handle) {
    auto* self = static_cast<ForeignToplevelApplications*>(data);
    {
        std::lock_guard lock(self->mutex_);
        Toplevel& t = self->toplevels_[handle];
        // Title and app id are sent only when they change; the state with every change.
        if (!t.pendingTitle.empty()) t.title = std::move(t.pendingTitle);
        if (!t.pendingAppId.empty()) t.appId = std::move(t.pendingAppId);
        t.pendingTitle.clear();
        t.pendingAppId.clear();
        if (t.pendingActivated && !t.activated) t.activatedAt = ++self->counter_;
        t.activated = t.pendingActivated;
    }
    self->frontMayHaveChanged();
}

void ForeignToplevelApplications::closed(void* data, zwlr_foreign_toplevel_handle_v1* handle) {
    auto* self = static_cast<ForeignToplevelApplications*>(data);
    {
        std::lock_guard lock(self->mutex_);
        self->toplevels_.erase(handle);
        zwlr_foreign_toplevel_handle_v1_destroy(handle);
    }
    self->frontMayHaveChanged();
}

const DesktopEntries& ForeignToplevelApplications::entries() const {
    std::call_once(entriesLoaded_, [this] { entries_ = DesktopEntries::load(); });
    return entries_;
}

WindowedApplication ForeignToplevelApplications::describe(const Toplevel& toplevel) const {
    WindowedApplication app;
    // XWayland windows have their WM_CLASS class as app_id, which entries name in
    // StartupWMClass.
    if (const auto* entry = entries().match("", toplevel.appId, toplevel.appId)) {
        app.localizedName = entry->name;
        app.bundleIdentifier = entry->id;
        return app;
    }
    app.localizedName = toplevel.appId.empty() ? toplevel.title : toplevel.appId;
    if (!toplevel.appId.empty()) app.bundleIdentifier = toplevel.appId;
    return app;
}

const ForeignToplevelApplications::Toplevel* ForeignToplevelApplications::front() const {
    const Toplevel* found = nullptr;
    for (const auto& [handle, toplevel] : toplevels_) {
        // While focus moves, the new one may say so before the old one stops.
        if (toplevel.activated && (!found || toplevel.activatedAt > found->activatedAt))
            found = &toplevel;
    }
    return found;
}

void ForeignToplevelApplications::frontMayHaveChanged() {
    std::optional<Toplevel> now;
    std::function<void(const WindowedApplication&)> changed;
    {
        std::lock_guard lock(mutex_);
        const Toplevel* t = front();
        const std::optional<std::string> appId =
            t ? std::optional<std::string>(t->appId) : std::nullopt;
        const bool isNew = appId && appId != frontAppId_;
        frontAppId_ = appId;
        if (!isNew) return;
        now = *t;
        changed = changed_;
    }
    if (changed) changed(describe(*now));
}

std::optional<WindowedApplication> ForeignToplevelApplications::frontmost() {
    std::optional<Toplevel> t;
    {
        std::lock_guard lock(mutex_);
        if (const Toplevel* found = front()) t = *found;
    }
    if (!t) return std::nullopt;
    return describe(*t);
}

std::vector<WindowedApplication> ForeignToplevelApplications::withWindows() {
    std::vector<Toplevel> all;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [handle, toplevel] : toplevels_) all.push_back(toplevel);
    }
    std::sort(all.begin(), all.end(),
              [](const Toplevel& a, const Toplevel& b) { return a.order < b.order; });
    std::vector<WindowedApplication> apps;
    std::set<std::string> seen;
    for (const Toplevel& t : all) {
        if (seen.insert(t.appId).second) apps.push_back(describe(t));
    }
    return apps;
}

void ForeignToplevelApplications::setFrontmostChanged(
    std::function<void(const WindowedApplication&)> changed) {
    std::lock_guard lock(mutex_);
    changed_ = std::move(changed);
}

bool ForeignToplevelApplications::activate(int) {
    return false;
}

bool ForeignToplevelApplications::activateApplication(const std::string& appId) {
    std::lock_guard lock(mutex_);
    if (!seat_) return false;
    zwlr_foreign_toplevel_handle_v1* oldest = nullptr;
    uint64_t order = 0;
    for (const auto& [handle, toplevel] : toplevels_) {
        if (toplevel.appId == appId && (!oldest || toplevel.order < order)) {
            oldest = handle;
            order = toplevel.order;
        }
    }
    if (!oldest) return false;
    zwlr_foreign_toplevel_handle_v1_activate(oldest, seat_);
    return wl_display_flush(display_) >= 0;
}

void ForeignToplevelApplications::watch() {
    const int fd = wl_display_get_fd(display_);
    for (;;) {
        while (wl_display_prepare_read(display_) != 0) {
            if (wl_display_dispatch_pending(display_) < 0) return;
        }
        wl_display_flush(display_);
        pollfd fds[2] = {{fd, POLLIN, 0}, {wakeup_, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR) {
            wl_display_cancel_read(display_);
            return;
        }
        if (fds[1].revents) {
            wl_display_cancel_read(display_);
            return;
        }
        if (fds[0].revents & POLLIN) {
            if (wl_display_read_events(display_) < 0) return;
        } else {
            wl_display_cancel_read(display_);
            // The compositor went away.
            if (fds[0].revents & (POLLERR | POLLHUP)) return;
        }
        if (wl_display_dispatch_pending(display_) < 0) return;
    }
}

}  // namespace platform
