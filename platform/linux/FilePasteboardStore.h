#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/pasteboard/PasteboardStore.h"

namespace platform {

// Pasteboards as files in the user's runtime folder (LinuxPaths::runtimeDirectory()/pasteboards,
// mode 0700), shared by every process of the user. Each pasteboard has "<name>.pb" holding its
// contents (PasteboardCodec) and "<name>.lock", which writers lock and which also keeps the last
// change count, so the count survives releaseGlobally and damaged files. Names are
// percent-encoded into file names. Writers replace the contents file atomically (temporary file,
// fsync, rename), so readers never see half a write; readers re-parse only files that changed.
//
// Unique pasteboards carry their creator's pid and start time in their name; the store removes
// those whose creator has ended when it opens and whenever it makes a new unique name.
class FilePasteboardStore : public PasteboardStore {
  public:
    static constexpr std::string_view kUniquePrefix = "Apple CFPasteboard unique-";
    // Contents files larger than this are refused on reading and not written.
    static constexpr uint64_t kMaxFileSize = uint64_t{1} << 30;

    // The store in `directory`, or in the runtime folder's "pasteboards" without it. Creates the
    // folder and reclaims what ended processes left behind.
    static Result<std::shared_ptr<FilePasteboardStore>> open(
        std::optional<std::filesystem::path> directory = std::nullopt);
    ~FilePasteboardStore() override;
    FilePasteboardStore(const FilePasteboardStore&) = delete;
    FilePasteboardStore& operator=(const FilePasteboardStore&) = delete;

    Result<Snapshot> read(const std::string& name) override;
    Result<int64_t> update(const std::string& name, const Editor& edit) override;
    Status release(const std::string& name) override;
    Result<std::string> makeUniqueName() override;

    const std::filesystem::path& directory() const;
    // The contents file of a pasteboard; always directly inside directory().
    std::filesystem::path fileForName(const std::string& name) const;
    // A file-name stem for any pasteboard name: percent-encoded, shortened with a hash when long.
    static std::string encodeName(std::string_view name);

    // Removes the unique pasteboards of processes that no longer run, and temporary files of
    // writers that died. Returns how many pasteboards went.
    size_t reclaimAbandoned();
    // Number of contents files parsed, so tests can see unchanged files are not read again.
    size_t parseCount() const;

  private:
    struct Impl;
    explicit FilePasteboardStore(std::filesystem::path directory);
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform
