#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/PortalRemoteDesktop.h"
#include "platform/linux/SystemClipboard.h"

namespace platform {

// The desktop's clipboard through the portal's Clipboard interface on a remote-desktop session.
//
// Owner: claim() offers the contents under the MIME types their types map to, plus
// kOwnerMarker (whose data is our process id) so our other processes tell our offers from
// anybody else's, and serves them when the portal asks; it is true only once the portal
// announced the session as the new owner. Reader: the portal's owner announcements tell the
// owner; fetch() reads every type the owner offers that maps to a stored type. Watcher: each
// announcement wakes a thread of this object's own that runs the handler.
class PortalClipboard : public SystemClipboard {
  public:
    static constexpr const char* kOwnerMarker = "application/x-purlane-owner";

    // Bounds of one fetch, as for the compositor's clipboard: an owner offering endless types
    // or data costs a bounded time and memory.
    static constexpr size_t kMaxTypes = 64;
    static constexpr size_t kMaxBytes = size_t{256} << 20;
    static constexpr std::chrono::milliseconds kFetchBudget{10000};

    struct Options {
        // The longest wait for the portal to confirm a claim, and for an owner to send data.
        std::chrono::milliseconds confirmBound{2000};
        std::chrono::milliseconds readBound{2000};
    };

    PortalClipboard(PortalRemoteDesktop& session, Options options);
    explicit PortalClipboard(PortalRemoteDesktop& session) : PortalClipboard(session, Options{}) {}
    ~PortalClipboard() override;
    PortalClipboard(const PortalClipboard&) = delete;
    PortalClipboard& operator=(const PortalClipboard&) = delete;

    bool claim(std::vector<PasteboardItem> items) override;
    Owner owner() override;
    Generation generation() override;
    std::optional<PasteboardItem> fetch(Generation* from) override;
    bool watch(ChangeHandler handler) override;
    bool waitForChanges(std::chrono::milliseconds bound) override;
    void stopWatching() override;

    // The MIME types contents are offered under, the marker last.
    static std::vector<std::string> mimeTypesFor(const std::vector<PasteboardItem>& items);

  private:
    void ownerChanged(const PortalRemoteDesktop::Selection& selection);
    std::optional<std::string> dataFor(const std::string& mimeType);
    static Owner ownerOf(const PortalRemoteDesktop::Selection& selection);
    // One type's data, at most `limit` bytes, by `deadline`; `timedOut` says the owner stalled.
    std::optional<std::string> read(const std::string& mimeType,
                                    std::chrono::steady_clock::time_point deadline, size_t limit,
                                    bool& timedOut);
    void runWatcher();

    PortalRemoteDesktop& session_;
    const Options options_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::shared_ptr<const std::vector<PasteboardItem>> contents_;
    PortalRemoteDesktop::Selection selection_;
    std::mutex claiming_;  // one claim at a time
    ChangeHandler handler_;
    bool watching_ = false, stopWatching_ = false;
    uint64_t handled_ = 0;
    uint64_t confirmedChange_ = 0;  // the last announcement naming this session the owner
    std::thread watcher_;
};

}  // namespace platform
