#include "platform/linux/wayland/WaylandRoundtrip.h"

#include <poll.h>
#include <wayland-client.h>

#include <cerrno>

namespace platform {

namespace {

void done(void* data, wl_callback*, uint32_t) {
    *static_cast<bool*>(data) = true;
}
const wl_callback_listener kListener{done};

}  // namespace

bool roundtripWithin(wl_display* display, std::chrono::milliseconds bound) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + bound;
    bool finished = false;
    wl_callback* sync = wl_display_sync(display);
    if (!sync) return false;
    wl_callback_add_listener(sync, &kListener, &finished);
    bool failed = false;
    while (!finished && !failed) {
        if (wl_display_prepare_read(display) != 0) {
            failed = wl_display_dispatch_pending(display) < 0;
            continue;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if ((wl_display_flush(display) < 0 && errno != EAGAIN) || left.count() <= 0) {
            wl_display_cancel_read(display);
            failed = true;
            break;
        }
        pollfd p{wl_display_get_fd(display), POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left.count()));
        if (ready > 0) {
            failed = wl_display_read_events(display) < 0;
        } else {
            wl_display_cancel_read(display);
            failed = ready < 0 && errno != EINTR;
        }
        if (!failed) failed = wl_display_dispatch_pending(display) < 0;
    }
    // An answer that comes after all finds the callback gone and is dropped.
    wl_callback_destroy(sync);
    return finished;
}

}  // namespace platform
