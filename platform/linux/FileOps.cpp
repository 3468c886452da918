#include "platform/linux/FileOps.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/core/AtomicFile.h"

namespace platform {

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
    return AtomicFile::writeError(file, operation, err);
}

}  // namespace platform
