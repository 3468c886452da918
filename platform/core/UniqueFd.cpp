#include "platform/core/UniqueFd.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

void UniqueFd::reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

int UniqueFd::openRetrying(const char* path, int flags, unsigned mode) {
    int fd;
    do {
        fd = ::open(path, flags | O_CLOEXEC, static_cast<mode_t>(mode));
    } while (fd < 0 && errno == EINTR);
    return fd;
}

}  // namespace platform
