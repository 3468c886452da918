#include "platform/linux/FileOps.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace platform {

namespace {

// The OS's codes for failures to save.
constexpr int kFileWriteNoPermission = 513;
constexpr int kFileWriteOutOfSpace = 640;
constexpr int kFileWriteVolumeReadOnly = 642;

}  // namespace

int FileOps::openRetrying(const char* path, int flags, mode_t mode) {
    return UniqueFd::openRetrying(path, flags, mode);
}

int FileOps::lock(const std::filesystem::path& path, int operation, bool create, UniqueFd& out) {
    for (;;) {
        UniqueFd fd(openRetrying(path.c_str(), O_RDWR | O_NOFOLLOW | (create ? O_CREAT : 0), 0600));
        if (!fd.valid()) return errno;
        int rc;
        do {
            rc = ::flock(fd.get(), operation);
        } while (rc != 0 && errno == EINTR);
        if (rc != 0) return errno;
        struct stat held {
        }, current{};
        if (::fstat(fd.get(), &held) != 0) return errno;
        if (::stat(path.c_str(), &current) == 0 && held.st_dev == current.st_dev &&
            held.st_ino == current.st_ino) {
            out = std::move(fd);
            return 0;
        }
    }
}

Result<PinnedIdentity> FileOps::replaceAtomically(const std::filesystem::path& file,
                                                  std::string_view bytes, bool durable) {
    std::string temp = (file.parent_path() / ("." + file.filename().string() + ".XXXXXX")).string();
    auto fd = std::make_shared<UniqueFd>(::mkostemp(temp.data(), O_CLOEXEC));
    if (!fd->valid()) return writeError(file, "create", errno);
    auto fail = [&](const char* operation, int err) -> Result<PinnedIdentity> {
        ::unlink(temp.c_str());
        return writeError(file, operation, err);
    };
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd->get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return fail("write", errno);
        done += static_cast<size_t>(n);
    }
    if (durable && ::fsync(fd->get()) != 0) return fail("fsync", errno);
    if (::rename(temp.c_str(), file.c_str()) != 0) return fail("rename", errno);
    struct stat st {};
    if (::fstat(fd->get(), &st) != 0) return PinnedIdentity{};
    return PinnedIdentity{FileIdentity::of(st), fd};
}

int FileOps::syncDirectory(const std::filesystem::path& directory) {
    UniqueFd dir(openRetrying(directory.c_str(), O_RDONLY | O_DIRECTORY));
    if (!dir.valid() || ::fsync(dir.get()) != 0) return errno;
    return 0;
}

Error FileOps::writeError(const std::filesystem::path& file, const char* operation, int err) {
    const std::string name = file.filename().string();
    std::string detail = std::string(operation) + " " + file.string() + ": " + std::strerror(err);
    switch (err) {
        case EACCES:
        case EPERM:
            return Error::other("You don\u2019t have permission to save the file \u201c" + name +
                                    "\u201d in the folder \u201c" +
                                    file.parent_path().filename().string() + "\u201d.",
                                std::move(detail), kFileWriteNoPermission);
        case EROFS:
            return Error::other("The file \u201c" + name +
                                    "\u201d couldn\u2019t be saved because the volume is read "
                                    "only.",
                                std::move(detail), kFileWriteVolumeReadOnly);
        case ENOSPC:
        case EDQUOT:
            return Error::other("The file \u201c" + name +
                                    "\u201d couldn\u2019t be saved because there isn\u2019t "
                                    "enough space.",
                                std::move(detail), kFileWriteOutOfSpace);
        default:
            return Error::other("The file \u201c" + name + "\u201d couldn\u2019t be saved.",
                                std::move(detail), Error::kFileWriteUnknown);
    }
}

}  // namespace platform
