#pragma once

#include <utility>

namespace platform {

// A file descriptor closed when it goes out of scope.
class UniqueFd {
  public:
    explicit UniqueFd(int fd = -1) : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void reset();

    // open(2) with O_CLOEXEC, retried when a signal interrupts it; -1 with errno set on failure.
    static int openRetrying(const char* path, int flags, unsigned mode = 0);

  private:
    int fd_;
};

}  // namespace platform
