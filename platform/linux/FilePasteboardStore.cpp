#include "platform/linux/FilePasteboardStore.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <unordered_map>
#include <utility>

#include "platform/core/Log.h"
#include "platform/linux/FileOps.h"
#include "platform/linux/LinuxPaths.h"
#include "platform/pasteboard/PasteboardCodec.h"

namespace platform {

namespace {

namespace fs = std::filesystem;

constexpr const char* kDataSuffix = ".pb";
constexpr const char* kLockSuffix = ".lock";
// Encoded names longer than this are shortened, leaving room for suffixes under NAME_MAX.
constexpr size_t kMaxEncodedLength = 180;
constexpr size_t kKeptPrefixLength = 140;

Error readError(const fs::path& file, const std::string& what) {
    return Error::other(
        "The file \u201c" + file.filename().string() + "\u201d couldn\u2019t be opened.",
        file.string() + ": " + what);
}

struct FileContents {
    enum class Kind { Missing, Loaded, Unreadable } kind = Kind::Missing;
    PinnedIdentity identity;
    PasteboardContents contents;
    Error error;
};

FileContents readContentsFile(const fs::path& file) {
    FileContents out;
    WholeFile raw = WholeFile::read(file, O_RDONLY | O_NOFOLLOW | O_NONBLOCK,
                                    FilePasteboardStore::kMaxFileSize);
    out.identity = raw.identity;
    if (raw.outcome == WholeFile::Outcome::Missing) return out;
    out.kind = FileContents::Kind::Unreadable;
    switch (raw.outcome) {
        case WholeFile::Outcome::NotAFile:
            out.error = readError(file, "not a file");
            return out;
        case WholeFile::Outcome::TooLarge:
            out.error = readError(file, "file too large");
            return out;
        case WholeFile::Outcome::Read:
            break;
        default:
            out.error = readError(file, std::strerror(raw.error));
            return out;
    }
    const std::string& bytes = raw.bytes;
    auto decoded = PasteboardCodec::decode(bytes);
    if (!decoded.ok()) {
        out.error = decoded.error();
        out.error.detail = file.string() + ": " + out.error.detail;
        return out;
    }
    out.contents = std::move(*decoded);
    out.kind = FileContents::Kind::Loaded;
    return out;
}

// The lock file's change count: eight bytes, little-endian; 0 when there are none yet.
int64_t readCounter(int fd) {
    unsigned char b[8];
    ssize_t n;
    do {
        n = ::pread(fd, b, sizeof b, 0);
    } while (n < 0 && errno == EINTR);
    if (n != static_cast<ssize_t>(sizeof b)) return 0;
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | b[i];
    const auto count = static_cast<int64_t>(v);
    return count < 0 ? 0 : count;
}

bool writeCounter(int fd, int64_t count) {
    unsigned char b[8];
    auto v = static_cast<uint64_t>(count);
    for (unsigned char& byte : b) {
        byte = static_cast<unsigned char>(v & 0xff);
        v >>= 8;
    }
    ssize_t n;
    do {
        n = ::pwrite(fd, b, sizeof b, 0);
    } while (n < 0 && errno == EINTR);
    return n == static_cast<ssize_t>(sizeof b);
}

// The change count in a contents file's header, without reading the rest.
std::optional<int64_t> headerCount(const fs::path& file) {
    UniqueFd fd(FileOps::openRetrying(file.c_str(), O_RDONLY | O_NOFOLLOW));
    if (!fd.valid()) return std::nullopt;
    char header[PasteboardCodec::kHeaderSize];
    if (::read(fd.get(), header, sizeof header) != static_cast<ssize_t>(sizeof header))
        return std::nullopt;
    // Decoding the header with no items behind it checks magic, version and count for us.
    std::string bytes(header, sizeof header);
    bytes.replace(16, 4, 4, '\0');
    auto decoded = PasteboardCodec::decode(bytes);
    if (!decoded.ok()) return std::nullopt;
    return decoded->changeCount;
}

uint64_t fnv1a(std::string_view s, bool reversed) {
    uint64_t h = 0xcbf29ce484222325ULL;
    for (size_t i = 0; i < s.size(); ++i) {
        h ^= static_cast<uint8_t>(reversed ? s[s.size() - 1 - i] : s[i]);
        h *= 0x100000001b3ULL;
    }
    return h;
}

std::string hex(uint64_t v, int digits) {
    static const char* kDigits = "0123456789abcdef";
    std::string out(static_cast<size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i, v >>= 4) out[static_cast<size_t>(i)] = kDigits[v & 0xf];
    return out;
}

std::optional<std::string> decodeName(std::string_view encoded) {
    std::string out;
    for (size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] != '%') {
            out.push_back(encoded[i]);
            continue;
        }
        if (i + 2 >= encoded.size()) return std::nullopt;
        unsigned value = 0;
        auto [end, ec] = std::from_chars(encoded.data() + i + 1, encoded.data() + i + 3, value, 16);
        if (ec != std::errc() || end != encoded.data() + i + 3) return std::nullopt;
        out.push_back(static_cast<char>(value));
        i += 2;
    }
    return out;
}

// Field 22 of /proc/<pid>/stat: when the process started, in clock ticks since boot. Tells a
// process from a later one that was given the same pid.
uint64_t processStartTime(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t paren = text.rfind(')');  // the command name may hold spaces and parentheses
    if (paren == std::string::npos) return 0;
    std::istringstream fields(text.substr(paren + 1));
    std::string field;
    for (int i = 3; i <= 22; ++i)
        if (!(fields >> field)) return 0;
    uint64_t start = 0;
    auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), start);
    return ec == std::errc() && end == field.data() + field.size() ? start : 0;
}

struct UniqueOwner {
    pid_t pid = 0;
    uint64_t startTime = 0;
};

// The creator recorded in a unique name: "<prefix><pid>-<start time>-<counter>-<random>".
std::optional<UniqueOwner> uniqueOwner(std::string_view name) {
    if (!name.starts_with(FilePasteboardStore::kUniquePrefix)) return std::nullopt;
    name.remove_prefix(FilePasteboardStore::kUniquePrefix.size());
    UniqueOwner owner;
    auto [p, ec] = std::from_chars(name.data(), name.data() + name.size(), owner.pid);
    if (ec != std::errc() || owner.pid <= 0 || p == name.data() + name.size() || *p != '-')
        return std::nullopt;
    const char* end = name.data() + name.size();
    auto [q, ec2] = std::from_chars(p + 1, end, owner.startTime);
    if (ec2 != std::errc() || q == end || *q != '-') return std::nullopt;
    return owner;
}

bool ownerHasEnded(const UniqueOwner& owner) {
    if (::kill(owner.pid, 0) != 0 && errno == ESRCH) return true;
    // Alive, or not ours to signal: it has ended only if the pid now belongs to a newer process.
    const uint64_t start = processStartTime(owner.pid);
    return owner.startTime != 0 && start != 0 && start != owner.startTime;
}

const PasteboardStore::Snapshot& emptySnapshot() {
    static const PasteboardStore::Snapshot empty = std::make_shared<const PasteboardContents>();
    return empty;
}

}  // namespace

struct FilePasteboardStore::Impl {
    fs::path directory;

    struct Entry {
        PinnedIdentity cached;
        // What `cached` held: contents, or why they couldn't be read.
        Result<PasteboardStore::Snapshot> read = PasteboardStore::Snapshot();
        std::optional<FileIdentity> complainedAbout;
    };

    std::mutex mutex;
    std::unordered_map<std::string, Entry> entries;
    size_t parses = 0;

    fs::path dataFile(const std::string& name) const {
        return directory / (FilePasteboardStore::encodeName(name) + kDataSuffix);
    }
    fs::path lockPath(const std::string& name) const {
        return directory / (FilePasteboardStore::encodeName(name) + kLockSuffix);
    }

    // What was read before, when the file on disk is still the one it was read from.
    std::optional<Result<PasteboardStore::Snapshot>> cachedIfCurrent(const std::string& name,
                                                                     const fs::path& file) {
        struct stat st {};
        if (::stat(file.c_str(), &st) != 0) return std::nullopt;
        std::lock_guard lock(mutex);
        auto it = entries.find(name);
        if (it == entries.end() || !it->second.cached.pin ||
            !(it->second.cached.id == FileIdentity::of(st)))
            return std::nullopt;
        return it->second.read;
    }

    // Reads the file (or takes the cache) and records what was read. Missing file: null.
    Result<PasteboardStore::Snapshot> load(const std::string& name, const fs::path& file) {
        if (auto cached = cachedIfCurrent(name, file)) return *cached;
        FileContents read = readContentsFile(file);
        std::lock_guard lock(mutex);
        if (read.kind == FileContents::Kind::Missing) {
            entries.erase(name);
            return PasteboardStore::Snapshot();
        }
        ++parses;
        Entry& entry = entries[name];
        entry.cached = std::move(read.identity);
        if (read.kind == FileContents::Kind::Unreadable) {
            entry.read = read.error;
            if (entry.complainedAbout != entry.cached.id) {
                entry.complainedAbout = entry.cached.id;
                log("Couldn't read the pasteboard \u201c" + name +
                    "\u201d: " + read.error.debugDescription());
            }
            return read.error;
        }
        entry.read = PasteboardStore::Snapshot(
            std::make_shared<const PasteboardContents>(std::move(read.contents)));
        return entry.read;
    }

    // A released pasteboard has no contents file; its count is in the lock file.
    int64_t countWithoutContents(const std::string& name) {
        UniqueFd lock;
        if (FileOps::lock(lockPath(name), LOCK_SH, false, lock) != 0) return 0;
        return readCounter(lock.get());
    }

    Status ensureDirectory() {
        if (::mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST)
            return FileOps::writeError(directory, "mkdir", errno);
        return Ok{};
    }

    // Removes a pasteboard's files for good; its lock is held meanwhile so no writer is cut off
    // half way.
    Status removeFiles(const std::string& name) {
        const fs::path lockAt = lockPath(name);
        UniqueFd lock;
        if (int err = FileOps::lock(lockAt, LOCK_EX, false, lock); err != 0 && err != ENOENT)
            return FileOps::writeError(lockAt, "lock", err);
        const fs::path data = dataFile(name);
        if (::unlink(data.c_str()) != 0 && errno != ENOENT)
            return FileOps::writeError(data, "unlink", errno);
        if (lock.valid() && ::unlink(lockAt.c_str()) != 0 && errno != ENOENT)
            return FileOps::writeError(lockAt, "unlink", errno);
        std::lock_guard guard(mutex);
        entries.erase(name);
        return Ok{};
    }
};

FilePasteboardStore::FilePasteboardStore(fs::path directory) : impl_(std::make_unique<Impl>()) {
    impl_->directory = std::move(directory);
}

FilePasteboardStore::~FilePasteboardStore() = default;

Result<std::shared_ptr<FilePasteboardStore>> FilePasteboardStore::open(
    std::optional<fs::path> directory) {
    fs::path dir;
    if (directory) {
        dir = *directory;
    } else {
        auto runtime = LinuxPaths::runtimeDirectory();
        if (!runtime.ok()) return runtime.error();
        dir = *runtime / "pasteboards";
    }
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        return FileOps::writeError(dir, "mkdir", errno);
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return Error::other("The pasteboard folder isn\u2019t safe to use.",
                            dir.string() + " is not a directory owned by this user",
                            Error::kFileWriteUnknown);
    if ((st.st_mode & 0077) != 0 && ::chmod(dir.c_str(), 0700) != 0)
        return FileOps::writeError(dir, "chmod", errno);
    std::shared_ptr<FilePasteboardStore> store(new FilePasteboardStore(std::move(dir)));
    store->reclaimAbandoned();
    return store;
}

const fs::path& FilePasteboardStore::directory() const {
    return impl_->directory;
}

fs::path FilePasteboardStore::fileForName(const std::string& name) const {
    return impl_->dataFile(name);
}

std::string FilePasteboardStore::encodeName(std::string_view name) {
    // '%' stands alone for the empty name; every other '%' starts an escape.
    if (name.empty()) return "%";
    static const char* kHex = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '_' || c == ' ' ||
                           (c == '.' && i > 0);
        if (plain) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0xf]);
        }
    }
    if (out.size() <= kMaxEncodedLength) return out;
    // Too long for a file name: keep a readable start, make it unique with a hash of the whole
    // name. '~' never appears in a plain encoding, so the two kinds can't collide.
    size_t cut = kKeptPrefixLength;
    while (cut > 0 && (out[cut - 1] == '%' || (cut > 1 && out[cut - 2] == '%'))) --cut;
    return out.substr(0, cut) + "~" + hex(fnv1a(name, false), 16) + hex(fnv1a(name, true), 16);
}

Result<PasteboardStore::Snapshot> FilePasteboardStore::read(const std::string& name) {
    auto loaded = impl_->load(name, impl_->dataFile(name));
    if (!loaded.ok()) return loaded.error();
    if (*loaded) return *loaded;
    const int64_t count = impl_->countWithoutContents(name);
    if (count == 0) return emptySnapshot();
    return Snapshot(std::make_shared<const PasteboardContents>(PasteboardContents{count, {}}));
}

Result<int64_t> FilePasteboardStore::update(const std::string& name, const Editor& edit) {
    if (Status made = impl_->ensureDirectory(); !made.ok()) return made.error();
    const fs::path file = impl_->dataFile(name);
    const fs::path lockAt = impl_->lockPath(name);
    UniqueFd lock;
    if (int err = FileOps::lock(lockAt, LOCK_EX, true, lock); err != 0)
        return FileOps::writeError(lockAt, "lock", err);

    const int64_t counter = readCounter(lock.get());
    // An unreadable file (already logged) is overwritten: pasteboards hold nothing worth
    // keeping, and the lock file still knows the count.
    auto current = impl_->load(name, file);
    std::vector<PasteboardItem> items;
    int64_t count = counter;
    if (current.ok() && *current) {
        items = (*current)->items;
        count = std::max(count, (*current)->changeCount);
    }
    const PasteboardEdit what = edit(items);
    if (what == PasteboardEdit::None) return count;
    if (what == PasteboardEdit::NewContents) ++count;

    PasteboardContents contents{count, std::move(items)};
    auto bytes = PasteboardCodec::encode(contents);
    if (!bytes.ok()) return bytes.error();
    if (bytes->size() > kMaxFileSize) return FileOps::writeError(file, "write", EFBIG);
    // Pasteboards live in the runtime folder and do not outlive the session: atomic replacement
    // is needed for readers, a flush to disk is not (it cost most of a clean request).
    auto written = FileOps::replaceAtomically(file, *bytes, /*durable=*/false);
    if (!written.ok()) return written.error();
    bytes->clear();
    if (count != counter && !writeCounter(lock.get(), count))
        log("Couldn't keep the change count of the pasteboard \u201c" + name + "\u201d in " +
            lockAt.string() + ": " + std::strerror(errno));

    std::lock_guard guard(impl_->mutex);
    auto& entry = impl_->entries[name];
    entry.read = Snapshot(std::make_shared<const PasteboardContents>(std::move(contents)));
    entry.cached = std::move(*written);
    return count;
}

Status FilePasteboardStore::release(const std::string& name) {
    // Unique names are never handed out again, so nothing of theirs needs to stay.
    if (uniqueOwner(name)) return impl_->removeFiles(name);
    const fs::path file = impl_->dataFile(name);
    const fs::path lockAt = impl_->lockPath(name);
    UniqueFd lock;
    if (int err = FileOps::lock(lockAt, LOCK_EX, false, lock); err != 0)
        return err == ENOENT ? Status(Ok{}) : Status(FileOps::writeError(lockAt, "lock", err));
    // A writer that died between renaming its file in and saving the count left the count only
    // in the file.
    const int64_t counter = readCounter(lock.get());
    if (auto inFile = headerCount(file); inFile && *inFile > counter)
        writeCounter(lock.get(), *inFile);
    if (::unlink(file.c_str()) != 0 && errno != ENOENT)
        return FileOps::writeError(file, "unlink", errno);
    std::lock_guard guard(impl_->mutex);
    impl_->entries.erase(name);
    return Ok{};
}

Result<std::string> FilePasteboardStore::makeUniqueName() {
    static std::atomic<uint64_t> counter{0};
    // Not cached: a forked child is another process with the same memory.
    const pid_t pid = ::getpid();
    const uint64_t startTime = processStartTime(pid);
    reclaimAbandoned();
    // pid, start time and counter already make the name unique; the random part keeps it from
    // being guessed.
    uint32_t random = 0;
    if (::getrandom(&random, sizeof random, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof random))
        random = static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    return std::string(kUniquePrefix) + std::to_string(pid) + "-" + std::to_string(startTime) +
           "-" + std::to_string(++counter) + "-" + hex(random, 8);
}

size_t FilePasteboardStore::reclaimAbandoned() {
    std::set<std::string> abandoned;
    DIR* dir = ::opendir(impl_->directory.c_str());
    if (!dir) return 0;
    while (const dirent* e = ::readdir(dir)) {
        const std::string_view file = e->d_name;
        if (file.starts_with(".")) {
            // A writer's temporary file ".<stem>.pb.XXXXXX": stale when nobody holds the lock
            // of its pasteboard, since writers keep it locked until the rename.
            const size_t at = file.rfind(std::string(kDataSuffix) + ".");
            if (at == std::string_view::npos || at <= 1) continue;
            const fs::path lockAt =
                impl_->directory / (std::string(file.substr(1, at - 1)) + kLockSuffix);
            UniqueFd probe(FileOps::openRetrying(lockAt.c_str(), O_RDONLY | O_NOFOLLOW));
            if (!probe.valid() || ::flock(probe.get(), LOCK_EX | LOCK_NB) == 0)
                ::unlinkat(::dirfd(dir), e->d_name, 0);
            continue;
        }
        std::string_view base = file;
        if (base.ends_with(kDataSuffix)) {
            base.remove_suffix(std::strlen(kDataSuffix));
        } else if (base.ends_with(kLockSuffix)) {
            base.remove_suffix(std::strlen(kLockSuffix));
        } else {
            continue;
        }
        auto name = decodeName(base);
        if (!name || encodeName(*name) != base) continue;
        if (auto owner = uniqueOwner(*name); owner && ownerHasEnded(*owner))
            abandoned.insert(std::move(*name));
    }
    ::closedir(dir);
    size_t removed = 0;
    for (const auto& name : abandoned) {
        if (Status s = impl_->removeFiles(name); s.ok()) {
            ++removed;
        } else {
            log("Couldn't remove the abandoned pasteboard \u201c" + name +
                "\u201d: " + s.error().debugDescription());
        }
    }
    return removed;
}

size_t FilePasteboardStore::parseCount() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->parses;
}

}  // namespace platform
