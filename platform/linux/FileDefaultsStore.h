#pragma once

#include <filesystem>
#include <memory>
#include <optional>

#include "platform/core/MainQueue.h"
#include "platform/defaults/DefaultsStore.h"

namespace platform {

// Defaults domains as binary property lists under the user library (see LinuxPaths), shared by
// every process of the user. Writes lock "<file>.lock", re-read, apply the one change and
// atomically replace the file; reads stat the file and re-parse only when it changed. Changes
// by other processes are noticed by polling on the main queue while somebody observes.
class FileDefaultsStore : public DefaultsStore {
  public:
    // How often observed domains are checked for other processes' writes, in seconds.
    static constexpr double kPollInterval = 0.25;

    // `library` replaces the user library folder; without it LinuxPaths::userLibraryDirectory()
    // is resolved once, here, so the environment must be set before the store is made. Without a
    // main queue, other processes' changes are only seen on reading, never reported.
    explicit FileDefaultsStore(MainQueue* mainQueue,
                               std::optional<std::filesystem::path> library = std::nullopt);
    ~FileDefaultsStore() override;
    FileDefaultsStore(const FileDefaultsStore&) = delete;
    FileDefaultsStore& operator=(const FileDefaultsStore&) = delete;

    Snapshot domain(const std::string& name) override;
    Status setValue(const std::string& domain, const std::string& key,
                    std::optional<PropertyList> value) override;
    Status setDomain(const std::string& domain, const PropertyList::Dictionary& values) override;
    Status removeDomain(const std::string& domain) override;
    ObserverToken observeChanges(ChangeCallback callback) override;
    void removeChangeObserver(ObserverToken token) override;

    const std::filesystem::path& libraryDirectory() const;
    // The file holding `domain`; an error for names that could lead outside the library.
    Result<std::filesystem::path> fileForDomain(const std::string& domain) const;

    // Number of times a domain file was parsed, so tests and benchmarks can see the cache work.
    size_t parseCount() const;

  private:
    struct Impl;
    std::shared_ptr<Impl> impl_;
};

}  // namespace platform
