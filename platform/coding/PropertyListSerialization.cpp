#include "platform/coding/PropertyListSerialization.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/coding/BinaryPropertyList.h"
#include "platform/coding/XmlPropertyList.h"

namespace platform {

namespace {

constexpr int kFileReadNoPermission = 257;

// The whole file, or the error the OS would report for it.
Result<std::string> readAll(const std::filesystem::path& path) {
    const std::string name = path.filename().string();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        if (err == ENOENT || err == ENOTDIR) return Error::noSuchFile(name, path.string());
        if (err == EACCES || err == EPERM) {
            return Error::other("The file \u201c" + name +
                                    "\u201d couldn\u2019t be opened because you don\u2019t have "
                                    "permission to view it.",
                                path.string(), kFileReadNoPermission);
        }
        return Error::other("The file \u201c" + name + "\u201d couldn\u2019t be opened.",
                            path.string() + ": " + std::strerror(err));
    }
    std::string bytes;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        return Error::other("The file \u201c" + name + "\u201d couldn\u2019t be opened.",
                            path.string() + " is a directory");
    }
    if (st.st_size > 0) bytes.reserve(static_cast<size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            return Error::other("The file \u201c" + name + "\u201d couldn\u2019t be opened.",
                                path.string() + ": " + std::strerror(err));
        }
        bytes.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return bytes;
}

}  // namespace

Result<PropertyList> PropertyListSerialization::read(std::string_view bytes,
                                                     PropertyListFormat* format) {
    // Any "bplist" header goes to the binary reader, which names an unknown version precisely.
    if (bytes.starts_with("bplist")) {
        if (format) *format = PropertyListFormat::Binary;
        return BinaryPropertyList::read(bytes);
    }
    if (format) *format = PropertyListFormat::Xml;
    return XmlPropertyList::read(bytes);
}

Result<std::string> PropertyListSerialization::write(const PropertyList& value,
                                                     PropertyListFormat format) {
    return format == PropertyListFormat::Binary ? BinaryPropertyList::write(value)
                                                : XmlPropertyList::write(value);
}

Result<PropertyList> PropertyListSerialization::readFile(const std::filesystem::path& path,
                                                         PropertyListFormat* format) {
    Result<std::string> bytes = readAll(path);
    if (!bytes) return bytes.error();
    return read(*bytes, format);
}

}  // namespace platform
