#include "platform/linux/FileDefaultsStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <map>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/coding/PropertyListSerialization.h"
#include "platform/core/Log.h"
#include "platform/linux/FileOps.h"
#include "platform/linux/LinuxPaths.h"

namespace platform {

namespace {

namespace fs = std::filesystem;
using Dictionary = PropertyList::Dictionary;

// Preference files are small; anything larger is treated as unreadable rather than loaded.
constexpr off_t kMaxFileSize = 64 * 1024 * 1024;

PinnedIdentity currentIdentity(const fs::path& file) {
    const int raw = FileOps::openRetrying(file.c_str(), O_RDONLY | O_NONBLOCK);
    const int openError = errno;
    auto fd = std::make_shared<UniqueFd>(raw);
    struct stat st {};
    if (fd->valid() && fstat(fd->get(), &st) == 0) return {FileIdentity::of(st), fd};
    // Present but not openable (no permission): the identity is still worth comparing.
    if (!fd->valid() && openError != ENOENT && openError != ENOTDIR &&
        ::stat(file.c_str(), &st) == 0)
        return {FileIdentity::of(st), nullptr};
    return {};
}

struct FileContents {
    enum class Kind { Missing, Loaded, Unreadable } kind = Kind::Missing;
    PinnedIdentity identity;
    Dictionary values;
    Error error;
};

FileContents readDomainFile(const fs::path& file) {
    FileContents out;
    WholeFile raw = WholeFile::read(file, O_RDONLY | O_NONBLOCK, kMaxFileSize);
    out.identity = raw.identity;
    if (raw.outcome == WholeFile::Outcome::Missing) return out;
    out.kind = FileContents::Kind::Unreadable;
    switch (raw.outcome) {
        case WholeFile::Outcome::OpenFailed:
            out.error = Error::other(
                "The file \u201c" + file.filename().string() + "\u201d couldn\u2019t be opened.",
                std::strerror(raw.error));
            out.identity = currentIdentity(file);
            return out;
        case WholeFile::Outcome::NotAFile:
        case WholeFile::Outcome::TooLarge:
            out.error = Error::corruptData(
                raw.outcome == WholeFile::Outcome::TooLarge ? "file too large" : "not a file",
                Error::kPropertyListReadCorrupt);
            return out;
        case WholeFile::Outcome::StatFailed:
        case WholeFile::Outcome::ReadFailed:
            out.error = Error::other("The file couldn\u2019t be read.", std::strerror(raw.error));
            return out;
        default:
            break;
    }
    const std::string& bytes = raw.bytes;
    auto parsed = PropertyListSerialization::read(bytes);
    if (!parsed.ok()) {
        out.error = parsed.error();
        return out;
    }
    if (!parsed->isDictionary()) {
        out.error = Error::corruptData("the top level is not a dictionary",
                                       Error::kPropertyListReadCorrupt);
        return out;
    }
    out.values = std::move(*parsed->asDictionary());
    out.kind = FileContents::Kind::Loaded;
    return out;
}

// Creates the missing folders above `file`, private to the user.
Status makeParents(const fs::path& file) {
    std::vector<fs::path> missing;
    struct stat st {};
    for (fs::path dir = file.parent_path(); !dir.empty() && ::stat(dir.c_str(), &st) != 0;
         dir = dir.parent_path()) {
        if (errno != ENOENT) return FileOps::writeError(file, "stat", errno);
        missing.push_back(dir);
        if (dir == dir.root_path()) break;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (::mkdir(it->c_str(), 0700) != 0 && errno != EEXIST) {
            return FileOps::writeError(file, "mkdir", errno);
        }
    }
    return Ok{};
}

// Takes an exclusive advisory lock on "<file>.lock", held until the descriptor is closed. Every
// writer of the file, in any process, takes it, so read-modify-writes never interleave. The lock
// file stays: removing it would let two writers lock two different files.
Result<UniqueFd> lockFile(const fs::path& file) {
    const fs::path lockPath = file.string() + ".lock";
    UniqueFd fd;
    if (int err = FileOps::lock(lockPath, LOCK_EX, true, fd); err != 0)
        return FileOps::writeError(lockPath, "lock", err);
    return fd;
}

std::string corruptSuffix() {
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%S", &local);
    return std::string(".corrupt-") + stamp;
}

// Renames `from` to `to` unless `to` exists; errno EEXIST when it does. Checking first and then
// renaming would let a copy set aside by another process in the meantime be overwritten.
int renameNoReplace(const fs::path& from, const fs::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // A file system without the flag: a hard link is never made over an existing name either.
    if (::link(from.c_str(), to.c_str()) == 0) {
        // ENOENT: another process took the old name away meanwhile; the link keeps the bytes.
        if (::unlink(from.c_str()) == 0 || errno == ENOENT) return 0;
        // Under both names the file would be read again as if never set aside.
        const int err = errno;
        ::unlink(to.c_str());
        return err;
    }
    if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP && errno != EMLINK) return errno;
    // Nor hard links: check, then rename; only a copy set aside in between could be lost.
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) return EEXIST;
    if (errno != ENOENT) return errno;
    if (::rename(from.c_str(), to.c_str()) != 0) return errno;
    return 0;
}

// Moves an unreadable file out of the way so its bytes survive for whoever wants to look. Files
// set aside in the same second get numbered names; none replaces another.
Result<fs::path> moveAside(const fs::path& file) {
    const std::string base = file.string() + corruptSuffix();
    for (int n = 1; n < 1000; ++n) {
        const fs::path target = n == 1 ? fs::path(base) : fs::path(base + "-" + std::to_string(n));
        const int err = renameNoReplace(file, target);
        if (err == EEXIST) continue;
        if (err != 0) return FileOps::writeError(file, "rename", err);
        return target;
    }
    return FileOps::writeError(file, "rename", EEXIST);
}

const DefaultsStore::Snapshot& emptySnapshot() {
    static const DefaultsStore::Snapshot empty = std::make_shared<const Dictionary>();
    return empty;
}

}  // namespace

struct FileDefaultsStore::Impl : std::enable_shared_from_this<Impl> {
    MainQueue* mainQueue = nullptr;
    fs::path library;

    struct Entry {
        fs::path file;
        bool loaded = false;
        PinnedIdentity cached;  // the file `snapshot` was read from
        Snapshot snapshot;
        PinnedIdentity reported;  // the file observers were last told about
        std::optional<FileIdentity> complainedAbout;
    };

    mutable std::mutex mutex;
    std::unordered_map<std::string, Entry> entries;
    std::map<ObserverToken, std::shared_ptr<ChangeCallback>> observers;
    ObserverToken nextToken = 1;
    bool pollScheduled = false;
    size_t parses = 0;

    // Caller holds the mutex.
    Entry& entryFor(const std::string& domain, const fs::path& file) {
        auto [it, inserted] = entries.try_emplace(domain);
        if (inserted) it->second.file = file;
        return it->second;
    }

    // Caller holds the mutex. Logs an unreadable file once per version of it.
    void complain(Entry& entry, const std::string& domain, const FileContents& contents) {
        if (entry.complainedAbout == contents.identity.id) return;
        entry.complainedAbout = contents.identity.id;
        log("Couldn't read the defaults domain " + domain + " from " + entry.file.string() + ": " +
            contents.error.debugDescription() + "; it is treated as empty.");
    }

    // Caller holds the mutex.
    void load(Entry& entry, const std::string& domain) {
        FileContents contents = readDomainFile(entry.file);
        if (contents.kind != FileContents::Kind::Missing) ++parses;
        if (contents.kind == FileContents::Kind::Unreadable) complain(entry, domain, contents);
        entry.snapshot = contents.kind == FileContents::Kind::Loaded
                             ? std::make_shared<const Dictionary>(std::move(contents.values))
                             : emptySnapshot();
        if (!entry.loaded) entry.reported = contents.identity;
        entry.cached = std::move(contents.identity);
        entry.loaded = true;
    }

    Snapshot domain(const std::string& name) {
        std::lock_guard lock(mutex);
        auto it = entries.find(name);
        if (it == entries.end()) {
            auto file = LinuxPaths::preferencesFile(library, name);
            if (!file.ok()) return emptySnapshot();
            it = entries.try_emplace(name).first;
            it->second.file = std::move(*file);
        }
        Entry& entry = it->second;
        if (entry.loaded) {
            struct stat st {};
            const FileIdentity now =
                ::stat(entry.file.c_str(), &st) == 0 ? FileIdentity::of(st) : FileIdentity{};
            if (now == entry.cached.id) return entry.snapshot;
        }
        load(entry, name);
        return entry.snapshot;
    }

    // One locked read-modify-write of a domain's file. `change` edits the current values and
    // says whether it changed anything; with `remove` the file is deleted instead.
    Status modify(const std::string& domain, const std::function<bool(Dictionary&)>& change,
                  bool remove) {
        auto file = LinuxPaths::preferencesFile(library, domain);
        if (!file.ok()) return file.error();
        if (Status made = makeParents(*file); !made.ok()) return made;
        auto lock = lockFile(*file);
        if (!lock.ok()) return lock.error();

        FileContents current = readDomainFile(*file);
        if (current.kind != FileContents::Kind::Missing) {
            std::lock_guard guard(mutex);
            ++parses;
            if (current.kind == FileContents::Kind::Unreadable)
                complain(entryFor(domain, *file), domain, current);
        }
        if (current.kind == FileContents::Kind::Unreadable) {
            // Never overwrite what we could not read: keep it for whoever wants to look.
            auto aside = moveAside(*file);
            if (!aside.ok()) return aside.error();
            log("Moved the unreadable " + file->string() + " aside to " +
                aside->filename().string() + ".");
        }

        PinnedIdentity written;
        Dictionary values;
        if (remove) {
            if (::unlink(file->c_str()) != 0) {
                if (errno != ENOENT) return FileOps::writeError(*file, "unlink", errno);
                if (current.kind == FileContents::Kind::Missing) return Ok{};
            }
        } else {
            if (current.kind == FileContents::Kind::Loaded) values = std::move(current.values);
            if (!change(values)) return Ok{};
            auto bytes =
                PropertyListSerialization::write(PropertyList(values), PropertyListFormat::Binary);
            if (!bytes.ok()) return bytes.error();
            auto replaced = FileOps::replaceAtomically(*file, *bytes);
            if (!replaced.ok()) return replaced.error();
            // Make the rename itself durable; the new contents are in place either way.
            if (int err = FileOps::syncDirectory(file->parent_path()); err != 0)
                log("Couldn't flush the folder of " + file->string() + ": " + std::strerror(err));
            written = std::move(*replaced);
        }
        {
            std::lock_guard guard(mutex);
            Entry& entry = entryFor(domain, *file);
            entry.snapshot = values.empty() ? emptySnapshot()
                                            : std::make_shared<const Dictionary>(std::move(values));
            entry.cached = written;
            entry.reported = std::move(written);
            entry.loaded = true;
        }
        lock->reset();
        notify({domain});
        return Ok{};
    }

    void notify(const std::vector<std::string>& domains) {
        if (domains.empty()) return;
        std::vector<std::shared_ptr<ChangeCallback>> callbacks;
        {
            std::lock_guard guard(mutex);
            for (const auto& [token, callback] : observers) callbacks.push_back(callback);
        }
        // Without the lock: callbacks read the store again.
        for (const auto& name : domains)
            for (const auto& callback : callbacks) (*callback)(name);
    }

    void schedulePoll() {
        std::weak_ptr<Impl> weak = weak_from_this();
        mainQueue->asyncAfter(kPollInterval, [weak] {
            if (auto self = weak.lock()) self->poll();
        });
    }

    // Looks for other processes' writes to every domain seen so far.
    void poll() {
        std::vector<std::string> changed;
        {
            std::lock_guard guard(mutex);
            if (observers.empty()) {
                pollScheduled = false;
                return;
            }
            for (auto& [name, entry] : entries) {
                if (!entry.loaded) continue;
                PinnedIdentity now = currentIdentity(entry.file);
                if (now.id == entry.reported.id) continue;
                entry.reported = std::move(now);
                changed.push_back(name);
            }
        }
        notify(changed);
        schedulePoll();
    }
};

FileDefaultsStore::FileDefaultsStore(MainQueue* mainQueue, std::optional<fs::path> library)
    : impl_(std::make_shared<Impl>()) {
    impl_->mainQueue = mainQueue;
    impl_->library = library ? std::move(*library) : LinuxPaths::userLibraryDirectory();
}

FileDefaultsStore::~FileDefaultsStore() = default;

DefaultsStore::Snapshot FileDefaultsStore::domain(const std::string& name) {
    return impl_->domain(name);
}

Status FileDefaultsStore::setValue(const std::string& domain, const std::string& key,
                                   std::optional<PropertyList> value) {
    if (value && value->isNull()) value.reset();
    return impl_->modify(
        domain,
        [&](Dictionary& values) {
            if (!value) return values.erase(key);
            if (const PropertyList* old = values.find(key); old && *old == *value) return false;
            values.set(key, std::move(*value));
            return true;
        },
        false);
}

Status FileDefaultsStore::setDomain(const std::string& domain, const Dictionary& values) {
    return impl_->modify(
        domain,
        [&](Dictionary& current) {
            current = values;
            return true;
        },
        false);
}

Status FileDefaultsStore::removeDomain(const std::string& domain) {
    return impl_->modify(domain, nullptr, true);
}

ObserverToken FileDefaultsStore::observeChanges(ChangeCallback callback) {
    bool startPolling = false;
    ObserverToken token;
    {
        std::lock_guard guard(impl_->mutex);
        token = impl_->nextToken++;
        impl_->observers[token] = std::make_shared<ChangeCallback>(std::move(callback));
        if (impl_->mainQueue && !impl_->pollScheduled) startPolling = impl_->pollScheduled = true;
    }
    if (startPolling) impl_->schedulePoll();
    return token;
}

void FileDefaultsStore::removeChangeObserver(ObserverToken token) {
    // Polling stops at its next round once nobody is left.
    std::lock_guard guard(impl_->mutex);
    impl_->observers.erase(token);
}

const fs::path& FileDefaultsStore::libraryDirectory() const {
    return impl_->library;
}

Result<fs::path> FileDefaultsStore::fileForDomain(const std::string& domain) const {
    return LinuxPaths::preferencesFile(impl_->library, domain);
}

size_t FileDefaultsStore::parseCount() const {
    std::lock_guard guard(impl_->mutex);
    return impl_->parses;
}

}  // namespace platform
