#include "platform/linux/FileOps.h"

#include <algorithm>

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

void UniqueFd::reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

FileIdentity FileIdentity::of(const struct stat& st) {
    return {true,
            st.st_dev,
            st.st_ino,
            st.st_size,
            st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec,
            st.st_ctim.tv_sec * 1000000000LL + st.st_ctim.tv_nsec};
}

int FileOps::openRetrying(const char* path, int flags, mode_t mode) {
    int fd;
    do {
        fd = ::open(path, flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
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

WholeFile FileOps::readWhole(const std::filesystem::path& file, int openFlags, uint64_t maxSize) {
    WholeFile out;
    auto fd = std::make_shared<UniqueFd>(openRetrying(file.c_str(), openFlags));
    if (!fd->valid()) {
        out.error = errno;
        if (out.error != ENOENT && out.error != ENOTDIR)
            out.outcome = WholeFile::Outcome::OpenFailed;
        return out;
    }
    struct stat st {};
    if (::fstat(fd->get(), &st) != 0) {
        out.error = errno;
        out.outcome = WholeFile::Outcome::StatFailed;
        return out;
    }
    out.identity = {FileIdentity::of(st), fd};
    if (!S_ISREG(st.st_mode)) {
        out.outcome = WholeFile::Outcome::NotAFile;
        return out;
    }
    if (static_cast<uint64_t>(st.st_size) > maxSize) {
        out.outcome = WholeFile::Outcome::TooLarge;
        return out;
    }
    std::string bytes(static_cast<size_t>(st.st_size), '\0');
    size_t used = 0;
    for (;;) {
        if (used == bytes.size()) {
            if (bytes.size() >= maxSize) break;
            bytes.resize(std::min<uint64_t>(bytes.size() + 4096, maxSize));  // grew since fstat
        }
        const ssize_t n = ::read(fd->get(), bytes.data() + used, bytes.size() - used);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            out.error = errno;
            out.outcome = WholeFile::Outcome::ReadFailed;
            return out;
        }
        if (n == 0) break;
        used += static_cast<size_t>(n);
    }
    bytes.resize(used);
    out.bytes = std::move(bytes);
    out.outcome = WholeFile::Outcome::Read;
    return out;
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
