#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <ostream>

namespace testsupport {

// Things that can sit where a program expects a small regular file it reads whole.
enum class HostileFile { Fifo, Directory, LinkToDevZero, Unreadable };

constexpr HostileFile kHostileFiles[] = {HostileFile::Fifo, HostileFile::Directory,
                                         HostileFile::LinkToDevZero, HostileFile::Unreadable};

inline const char* nameOf(HostileFile kind) {
    constexpr const char* kNames[] = {"Fifo", "Directory", "LinkToDevZero", "Unreadable"};
    return kNames[static_cast<int>(kind)];
}

inline void PrintTo(HostileFile kind, std::ostream* os) {
    *os << nameOf(kind);
}

// Puts `kind` at `path` (replacing what is there). A FIFO has no writer, so a reader that opens
// it blocking waits for ever; /dev/zero never ends. The unreadable file has contents, mode 000.
inline bool plant(HostileFile kind, const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
    std::filesystem::create_directories(path.parent_path(), ec);
    switch (kind) {
        case HostileFile::Fifo:
            return ::mkfifo(path.c_str(), 0644) == 0;
        case HostileFile::Directory:
            return std::filesystem::create_directory(path, ec);
        case HostileFile::LinkToDevZero:
            std::filesystem::create_symlink("/dev/zero", path, ec);
            return !ec;
        case HostileFile::Unreadable:
            if (!(std::ofstream(path) << "{}")) return false;  // closed before the chmod
            return ::chmod(path.c_str(), 0) == 0;
    }
    return false;
}

// Root reads files whatever their mode, so a file of mode 000 is unreadable only to others.
// While this lives, a process running as root acts as the user "nobody" (effective id only, so
// it can come back); other processes are left as they are. Folders the test reads from must then
// be open to others (`openToOthers`).
class ActingAsOrdinaryUser {
  public:
    ActingAsOrdinaryUser() {
        if (::geteuid() != 0) {
            active_ = true;
            return;
        }
        if (::setegid(kNobody) == 0 && ::seteuid(kNobody) == 0) {
            active_ = true;
            switched_ = true;
        } else {
            ::setegid(0);
        }
    }
    ~ActingAsOrdinaryUser() {
        if (!switched_) return;
        if (::seteuid(0) == 0) (void)::setegid(0);
    }
    ActingAsOrdinaryUser(const ActingAsOrdinaryUser&) = delete;
    ActingAsOrdinaryUser& operator=(const ActingAsOrdinaryUser&) = delete;

    // False when running as root without the right to change the effective user.
    bool active() const { return active_; }

    // Lets others into `folder` and every folder up to `top`, and read every file below it.
    static void openToOthers(const std::filesystem::path& top) {
        using std::filesystem::perms;
        std::error_code ec;
        std::filesystem::permissions(top,
                                     perms::owner_all | perms::group_read | perms::group_exec |
                                         perms::others_read | perms::others_exec,
                                     ec);
        for (const auto& entry : std::filesystem::recursive_directory_iterator(top, ec)) {
            if (entry.is_symlink() || entry.is_fifo()) continue;
            struct stat st {};
            if (::stat(entry.path().c_str(), &st) != 0 || (st.st_mode & 07777) == 0) continue;
            ::chmod(entry.path().c_str(),
                    (st.st_mode & 07777) | (entry.is_directory() ? 0055 : 0044));
        }
    }

  private:
    static constexpr uid_t kNobody = 65534;
    bool active_ = false;
    bool switched_ = false;
};

// Ends the process with SIGALRM when a test step blocks for longer than `seconds`: a reader that
// waits on a FIFO for ever must fail the test, not hang the suite.
class Watchdog {
  public:
    explicit Watchdog(unsigned seconds) { ::alarm(seconds); }
    ~Watchdog() { ::alarm(0); }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;
};

}  // namespace testsupport
