#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/core/Error.h"
#include "platform/core/Result.h"
#include "platform/core/UniqueFd.h"

namespace platform {

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

// A file read whole through a descriptor kept open, so its identity stays pinned. Only regular
// files are read, and only up to a size limit: a FIFO, a device or a folder put where a file
// belongs must neither block the reader nor fill its memory.
struct WholeFile {
    enum class Outcome { Missing, Read, OpenFailed, StatFailed, NotAFile, TooLarge, ReadFailed };
    Outcome outcome = Outcome::Missing;
    PinnedIdentity identity;  // once the file was opened
    std::string bytes;        // when Read
    int error = 0;            // errno of the failed call

    // Files that come from outside (library files, property lists, strings tables, scripting
    // definitions) are far smaller than this.
    static constexpr uint64_t kDefaultMaxSize = uint64_t{64} << 20;

    // Reads the file at `file` to its end. `openFlags` should hold O_NONBLOCK, so that opening a
    // FIFO does not wait for a writer. A file that does not exist (or a path through something
    // that is not a folder) is Missing, not a failure.
    static WholeFile read(const std::filesystem::path& file, int openFlags, uint64_t maxSize);

    // The bytes of the regular file at `file` (symbolic links followed), or the OS's error for
    // why it could not be read: no such file, no permission, too large, or couldn't be opened.
    static Result<std::string> contents(const std::filesystem::path& file,
                                        uint64_t maxSize = kDefaultMaxSize);

    // The OS's error for this outcome when it is not Read.
    Error failure(const std::filesystem::path& file) const;
};

}  // namespace platform
