#include "platform/linux/XdgTrash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <system_error>

namespace platform {

namespace fs = std::filesystem;

namespace {

// Past this many items of one name something is wrong; stop rather than loop on.
constexpr int kMaxCandidates = 10000;

Error moveFailed(const fs::path& item, const std::string& detail) {
    return Error::other(
        "\u201c" + item.filename().string() + "\u201d couldn\u2019t be moved to the Trash.",
        item.string() + ": " + detail, Error::kFileWriteUnknown);
}

std::string candidateName(const fs::path& original, int n) {
    if (n == 1) return original.filename().string();
    return original.stem().string() + " " + std::to_string(n) + original.extension().string();
}

bool writeAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Moves across file systems: a copy that keeps links as links, then the original goes.
bool copyThenRemove(const fs::path& from, const fs::path& to, std::string& detail) {
    std::error_code ec;
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
    if (ec) {
        detail = "copy: " + ec.message();
        fs::remove_all(to, ec);
        return false;
    }
    fs::remove_all(from, ec);
    if (ec) {
        // Partly removed: keep the copy out of the trash rather than leave it there unlisted.
        detail = "remove after copy: " + ec.message();
        fs::remove_all(to, ec);
        return false;
    }
    return true;
}

}  // namespace

fs::path XdgTrash::homeTrash() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/') return fs::path(data) / "Trash";
    const char* home = std::getenv("HOME");
    return fs::path(home && home[0] ? home : "/") / ".local" / "share" / "Trash";
}

std::string XdgTrash::encodePath(const std::string& absolutePath) {
    static const char* kHex = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : absolutePath) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
    }
    return out;
}

std::string XdgTrash::deletionDate(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

Result<fs::path> XdgTrash::trash(const fs::path& item) {
    std::error_code ec;
    fs::path source = fs::absolute(item, ec).lexically_normal();
    if (ec) return moveFailed(item, ec.message());
    if (!source.has_filename()) source = source.parent_path();  // "dir/" names the folder
    struct stat st {};
    if (lstat(source.c_str(), &st) != 0)
        return errno == ENOENT ? Error::noSuchFile(source.filename().string(), source.string())
                               : moveFailed(source, std::strerror(errno));
    const fs::path trash = homeTrash();
    const fs::path files = trash / "files";
    const fs::path info = trash / "info";
    if (source == source.root_path() || trash.string().starts_with(source.string() + "/") ||
        source == trash || source.string().starts_with(trash.string() + "/"))
        return moveFailed(source, "the item holds the trash or is in it");
    fs::create_directories(files, ec);
    if (!ec) fs::create_directories(info, ec);
    if (ec) return moveFailed(source, "trash folder: " + ec.message());
    fs::permissions(trash, fs::perms::owner_all, ec);

    const std::string contents = "[Trash Info]\nPath=" + encodePath(source.string()) +
                                 "\nDeletionDate=" + deletionDate(std::time(nullptr)) + "\n";
    for (int n = 1; n <= kMaxCandidates; ++n) {
        const std::string name = candidateName(source, n);
        const fs::path target = files / name;
        const fs::path infoFile = info / (name + ".trashinfo");
        struct stat existing {};
        if (lstat(target.c_str(), &existing) == 0) continue;
        // The info file is the claim on the name: whoever creates it first owns it.
        const int fd = open(infoFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return moveFailed(source, "info file: " + std::string(std::strerror(errno)));
        }
        const bool written = writeAll(fd, contents);
        const bool closed = close(fd) == 0;
        if (!written || !closed) {
            unlink(infoFile.c_str());
            return moveFailed(source, "info file could not be written");
        }
        std::string detail;
        bool moved = rename(source.c_str(), target.c_str()) == 0;
        if (!moved) {
            detail = std::strerror(errno);
            if (errno == EXDEV) moved = copyThenRemove(source, target, detail);
        }
        if (!moved) {
            unlink(infoFile.c_str());
            return moveFailed(source, detail);
        }
        return target;
    }
    return moveFailed(source, "no free name in the trash");
}

}  // namespace platform
