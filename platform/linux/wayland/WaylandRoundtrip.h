#pragma once

#include <chrono>

struct wl_display;

namespace platform {

// A round trip to the compositor that gives up after `bound`: one that accepted the connection
// but stopped answering must not hold the caller for good. For a display no other thread reads.
// False when the bound ran out or the connection failed.
bool roundtripWithin(wl_display* display, std::chrono::milliseconds bound);

}  // namespace platform
