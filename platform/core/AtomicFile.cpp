#include "platform/core/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "platform/core/UniqueFd.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

// The process's umask, read without changing it (umask(2) would, for every thread at once).
mode_t currentUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8) & 0777);
    return 022;
}

// The permission bits the new item gets: the old item's, or the default for a new one.
mode_t modeFor(const fs::path& item, mode_t fresh) {
    struct stat st {};
    if (::stat(item.c_str(), &st) == 0) return st.st_mode & 07777;
    return fresh & ~currentUmask();
}

std::string tempPattern(const fs::path& item) {
    return (item.parent_path() / ("." + item.filename().string() + ".XXXXXX")).string();
}

}  // namespace

Status AtomicFile::write(const fs::path& file, std::string_view bytes) {
    const mode_t mode = modeFor(file, 0666);
    std::string temp = tempPattern(file);
    UniqueFd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (!fd.valid()) return writeError(file, "create", errno);
    auto fail = [&](const char* operation, int err) -> Status {
        ::unlink(temp.c_str());
        return writeError(file, operation, err);
    };
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return fail("write", errno);
        done += static_cast<size_t>(n);
    }
    if (::fchmod(fd.get(), mode) != 0) return fail("chmod", errno);
    if (::fsync(fd.get()) != 0) return fail("fsync", errno);
    if (::rename(temp.c_str(), file.c_str()) != 0) return fail("rename", errno);
    return Ok{};
}

Error AtomicFile::writeError(const fs::path& file, const char* operation, int err) {
    const std::string name = file.filename().string();
    const std::string folder = file.parent_path().filename().string();
    std::string detail = std::string(operation) + " " + file.string() + ": " + std::strerror(err);
    switch (err) {
        case EACCES:
        case EPERM:
            return Error::other("You don\u2019t have permission to save the file \u201c" + name +
                                    "\u201d in the folder \u201c" + folder + "\u201d.",
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
        case ENOENT:
        case ENOTDIR:
            return Error::other("The folder \u201c" + folder + "\u201d doesn\u2019t exist.",
                                std::move(detail), kFileNoSuchFile);
        default:
            return Error::other("The file \u201c" + name + "\u201d couldn\u2019t be saved.",
                                std::move(detail), Error::kFileWriteUnknown);
    }
}

}  // namespace platform
