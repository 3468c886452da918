#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "platform/core/Error.h"
#include "platform/core/Result.h"

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

  private:
    int fd_;
};

// What tells one version of a file from another without reading it.
struct FileIdentity {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    int64_t mtimeNs = 0;
    int64_t ctimeNs = 0;

    static FileIdentity of(const struct stat& st);
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// An identity together with the open file it was taken from. While the file stays open its
// inode number cannot be handed to a newer file, so an equal identity really is the same file
// even when two writes fall into one tick of the file system's clock.
struct PinnedIdentity {
    FileIdentity id;
    std::shared_ptr<UniqueFd> pin;
};

// A file read whole through a descriptor kept open, so its identity stays pinned.
struct WholeFile {
    enum class Outcome { Missing, Read, OpenFailed, StatFailed, NotAFile, TooLarge, ReadFailed };
    Outcome outcome = Outcome::Missing;
    PinnedIdentity identity;  // once the file was opened
    std::string bytes;        // when Read
    int error = 0;            // errno of the failed call
};

// The file operations the file-backed stores share: every writer of a store's files takes an
// advisory lock and replaces files whole, so readers never see half a write.
class FileOps {
  public:
    // open(2) with O_CLOEXEC, retried when a signal interrupts it.
    static int openRetrying(const char* path, int flags, mode_t mode = 0);

    // Reads a regular file of at most `maxSize` bytes to its end. A file that does not exist
    // (or a path through something that is not a folder) is Missing, not a failure.
    static WholeFile readWhole(const std::filesystem::path& file, int openFlags, uint64_t maxSize);

    // Locks `path` with flock(2) `operation`, creating the file with `create`. Somebody may remove
    // or replace the lock file while we wait for it; a lock on a file no longer at `path` guards
    // nothing, so then we start again. Returns 0 or the errno that stopped us.
    static int lock(const std::filesystem::path& path, int operation, bool create, UniqueFd& out);

    // Writes `bytes` to a temporary file beside `file`, flushes it to disk when `durable`, and
    // renames it over `file`, so readers see the old contents or the new, never a mixture.
    // Returns the new file's identity.
    static Result<PinnedIdentity> replaceAtomically(const std::filesystem::path& file,
                                                    std::string_view bytes, bool durable = true);

    // Flushes a folder, making renames in it durable. Returns 0 or the errno.
    static int syncDirectory(const std::filesystem::path& directory);

    // The OS's error for failing to save `file`, from the errno of `operation`.
    static Error writeError(const std::filesystem::path& file, const char* operation, int err);
};

}  // namespace platform
