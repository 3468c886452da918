#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/core/Result.h"

namespace platform {

// A file or a folder of files, written in one go (the OS's file wrapper): a regular file holds
// bytes, a directory holds children, each under its preferred file name.
class FileWrapper {
  public:
    // An empty directory wrapper.
    static FileWrapper directory();
    static FileWrapper regularFile(std::string contents);

    bool isDirectory() const { return directory_; }
    bool isRegularFile() const { return !directory_; }
    const std::string& preferredFilename() const { return preferredFilename_; }
    void setPreferredFilename(std::string name) { preferredFilename_ = std::move(name); }
    const std::string& regularFileContents() const { return contents_; }
    const std::vector<FileWrapper>& fileWrappers() const { return children_; }

    // Adds a child to a directory wrapper under its preferred file name, which must be one
    // plain file-name component; a child of the same name is replaced. False otherwise.
    bool addFileWrapper(FileWrapper child);

    // Writes the wrapper at `path`, whose folder must exist. Atomically, the whole item is
    // built beside `path` under a hidden temporary name and then swapped in for what was there,
    // so readers see the old item or the new one, never a half-written folder; otherwise it is
    // written in place over what was there.
    Status writeToPath(const std::filesystem::path& path, bool atomically) const;

  private:
    FileWrapper(bool directory, std::string contents)
        : directory_(directory), contents_(std::move(contents)) {}
    Status writeTree(const std::filesystem::path& path) const;

    bool directory_ = false;
    std::string preferredFilename_;
    std::string contents_;
    std::vector<FileWrapper> children_;
};

}  // namespace platform
