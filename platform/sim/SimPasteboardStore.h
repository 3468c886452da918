#pragma once

#include <map>
#include <mutex>

#include "platform/pasteboard/PasteboardStore.h"

namespace platform {

// Pasteboards in memory, shared by every simulated process that is handed the same store.
class SimPasteboardStore : public PasteboardStore {
  public:
    Result<Snapshot> read(const std::string& name) override;
    Result<int64_t> update(const std::string& name, const Editor& edit) override;
    Status release(const std::string& name) override;
    Result<std::string> makeUniqueName() override;

    // Names of the pasteboards holding contents, for tests that check what was left behind.
    std::vector<std::string> names() const;
    // Number of edits stored so far, for tests that check nothing was written.
    size_t writeCount() const;

  private:
    mutable std::mutex mutex_;
    std::map<std::string, Snapshot> pasteboards_;
    // Change counts outlive released contents, so a count never goes back.
    std::map<std::string, int64_t> counts_;
    size_t uniqueNames_ = 0;
    size_t writes_ = 0;
};

}  // namespace platform
