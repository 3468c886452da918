#pragma once

#include <filesystem>
#include <string_view>

#include "platform/core/Error.h"
#include "platform/core/Result.h"

namespace platform {

// Writing a document atomically, as the OS's atomic writes do: the new contents go to a
// temporary file beside the old one, which is then renamed over it. A failure at any step
// leaves the old file as it was and nothing else behind. A replaced file keeps its permission
// bits; a new one gets what the process's umask allows.
class AtomicFile {
  public:
    // Cocoa's write error codes.
    static constexpr int kFileNoSuchFile = 4;
    static constexpr int kFileWriteNoPermission = 513;
    static constexpr int kFileWriteOutOfSpace = 640;
    static constexpr int kFileWriteVolumeReadOnly = 642;

    static Status write(const std::filesystem::path& file, std::string_view bytes);

    // The OS's error for failing to save `file` because of errno `err` in `operation`.
    static Error writeError(const std::filesystem::path& file, const char* operation, int err);
};

}  // namespace platform
