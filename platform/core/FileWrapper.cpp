#include "platform/core/FileWrapper.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "platform/core/UniqueFd.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

Error writeError(const fs::path& path, const std::string& why) {
    return Error::other("The file \u201c" + path.filename().string() +
                            "\u201d couldn\u2019t be saved in the folder \u201c" +
                            path.parent_path().filename().string() + "\u201d.",
                        path.string() + ": " + why, Error::kFileWriteUnknown);
}

bool isPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

Status writeFile(const fs::path& path, const std::string& bytes) {
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644));
    if (!fd.valid()) return writeError(path, std::strerror(errno));
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return writeError(path, std::strerror(errno));
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd.get()) != 0) return writeError(path, std::strerror(errno));
    return Ok{};
}

}  // namespace

FileWrapper FileWrapper::directory() {
    return FileWrapper(true, {});
}

FileWrapper FileWrapper::regularFile(std::string contents) {
    return FileWrapper(false, std::move(contents));
}

bool FileWrapper::addFileWrapper(FileWrapper child) {
    if (!directory_ || !isPlainName(child.preferredFilename_)) return false;
    for (auto& existing : children_) {
        if (existing.preferredFilename_ == child.preferredFilename_) {
            existing = std::move(child);
            return true;
        }
    }
    children_.push_back(std::move(child));
    return true;
}

Status FileWrapper::writeTree(const fs::path& path) const {
    if (!directory_) return writeFile(path, contents_);
    std::error_code ec;
    if (!fs::create_directory(path, ec) && ec) return writeError(path, ec.message());
    for (const auto& child : children_) {
        if (Status s = child.writeTree(path / child.preferredFilename_); !s.ok()) return s;
    }
    return Ok{};
}

Status FileWrapper::writeToPath(const fs::path& path, bool atomically) const {
    std::error_code ec;
    if (!atomically) {
        fs::remove_all(path, ec);
        if (ec) return writeError(path, ec.message());
        return writeTree(path);
    }
    const fs::path folder = path.parent_path();
    if (!fs::is_directory(folder, ec)) return writeError(path, "no such folder");

    // A hidden name of our own beside the target: mkdtemp makes it unique.
    std::string pattern = (folder / ("." + path.filename().string() + "-XXXXXX")).string();
    if (!::mkdtemp(pattern.data())) return writeError(path, std::strerror(errno));
    const fs::path staging = pattern;
    const fs::path built = directory_ ? staging : staging / path.filename();
    auto cleanUp = [&] {
        std::error_code ignored;
        fs::remove_all(staging, ignored);
    };
    if (directory_) {
        for (const auto& child : children_) {
            if (Status s = child.writeTree(built / child.preferredFilename_); !s.ok()) {
                cleanUp();
                return s;
            }
        }
    } else if (Status s = writeTree(built); !s.ok()) {
        cleanUp();
        return s;
    }
    ::chmod(built.c_str(), directory_ ? 0755 : 0644);

    // An existing item is exchanged with the new one in a single step; the old one then sits
    // at the temporary name and goes with it.
    const bool exists = fs::exists(fs::symlink_status(path, ec));
    int result = 0;
    if (exists) {
        result = ::renameat2(AT_FDCWD, built.c_str(), AT_FDCWD, path.c_str(), RENAME_EXCHANGE);
        if (result != 0 && (errno == EINVAL || errno == ENOSYS)) {
            // A file system without exchange: the old item steps aside for a moment.
            const fs::path aside = staging.string() + "-old";
            result = ::rename(path.c_str(), aside.c_str());
            if (result == 0) {
                result = ::rename(built.c_str(), path.c_str());
                if (result != 0) ::rename(aside.c_str(), path.c_str());
                fs::remove_all(aside, ec);
            }
        }
    } else {
        result = ::rename(built.c_str(), path.c_str());
    }
    const int err = errno;
    cleanUp();
    if (result != 0) return writeError(path, std::strerror(err));
    return Ok{};
}

}  // namespace platform
