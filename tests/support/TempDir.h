#pragma once

#include <filesystem>
#include <string>

namespace testsupport {

// A fresh directory under the system temporary folder, removed with everything in it when the
// object goes away.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

    // Writes `bytes` to `relative` (parent folders created) and returns the full path.
    std::filesystem::path write(const std::string& relative, const std::string& bytes) const;

  private:
    std::filesystem::path path_;
};

std::string readFile(const std::filesystem::path& path);

}  // namespace testsupport
