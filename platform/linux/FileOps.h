#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string_view>

#include "platform/core/Error.h"
#include "platform/core/Result.h"
#include "platform/core/UniqueFd.h"
#include "platform/core/WholeFile.h"

namespace platform {

// The file operations the file-backed stores share: every writer of a store's files takes an
// advisory lock and replaces files whole, so readers never see half a write; they read with
// WholeFile.
class FileOps {
  public:
    // open(2) with O_CLOEXEC, retried when a signal interrupts it.
    static int openRetrying(const char* path, int flags, mode_t mode = 0);

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
