#include "platform/core/WholeFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace platform {

FileIdentity FileIdentity::of(const struct stat& st) {
    return {true,
            st.st_dev,
            st.st_ino,
            st.st_size,
            st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec,
            st.st_ctim.tv_sec * 1000000000LL + st.st_ctim.tv_nsec};
}

WholeFile WholeFile::read(const std::filesystem::path& file, int openFlags, uint64_t maxSize) {
    WholeFile out;
    auto fd = std::make_shared<UniqueFd>(UniqueFd::openRetrying(file.c_str(), openFlags));
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
            if (bytes.size() >= maxSize) {
                // Full: one byte more means the file grew past the limit while being read, and
                // the first maxSize bytes of it aren't its contents.
                char more = 0;
                ssize_t n = 0;
                do n = ::read(fd->get(), &more, 1);
                while (n < 0 && errno == EINTR);
                if (n < 0) {
                    out.error = errno;
                    out.outcome = WholeFile::Outcome::ReadFailed;
                    return out;
                }
                if (n > 0) {
                    out.outcome = WholeFile::Outcome::TooLarge;
                    return out;
                }
                break;
            }
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

Result<std::string> WholeFile::contents(const std::filesystem::path& file, uint64_t maxSize) {
    WholeFile whole = read(file, O_RDONLY | O_NONBLOCK | O_NOCTTY, maxSize);
    if (whole.outcome != Outcome::Read) return whole.failure(file);
    return std::move(whole.bytes);
}

Error WholeFile::failure(const std::filesystem::path& file) const {
    const std::string name = file.filename().string();
    const std::string couldNot = "The file \u201c" + name + "\u201d couldn\u2019t be opened";
    const std::string detail =
        file.string() + ": " + (error != 0 ? std::strerror(error) : "not a regular file");
    switch (outcome) {
        case Outcome::Missing:
            return Error::noSuchFile(name, file.string());
        case Outcome::OpenFailed:
            if (error == EACCES || error == EPERM)
                return Error::other(
                    couldNot + " because you don\u2019t have permission to view it.", detail,
                    Error::kFileReadNoPermission);
            break;
        case Outcome::TooLarge:
            return Error::other(couldNot + " because it is too large.",
                                file.string() + ": " + std::to_string(identity.id.size) + " bytes",
                                Error::kFileReadTooLarge);
        default:
            break;
    }
    return Error::other(couldNot + ".", detail, Error::kFileReadUnknown);
}

}  // namespace platform
