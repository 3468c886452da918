#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/core/MainQueue.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/updates/Appcast.h"
#include "platform/updates/UpdateTransport.h"
#include "platform/updates/UpdateUserInterface.h"
#include "platform/updates/Updater.h"
#include "platform/workspace/Workspace.h"

namespace platform {

// The update framework's own work, independent of how bytes travel and windows look: reading
// the feed the delegate names, choosing the newest version newer than the running one, offering
// it, and on "Install" downloading the enclosure, checking its length and signature and handing
// it to the desktop to open. Automatic checks run on the main queue every interval after the
// last one. Everything runs on the main thread.
class StandardUpdater : public Updater {
  public:
    struct Services {
        UserDefaults& defaults;
        MainQueue& mainQueue;
        UpdateTransport& transport;
        UpdateUserInterface& ui;
        Workspace& workspace;
        // The running bundle: its name, CFBundleVersion and CFBundleShortVersionString.
        std::string applicationName;
        std::string currentVersion;
        std::string currentShortVersion;
        // Base64 Ed25519 key; without one only unsigned updates are accepted.
        std::optional<std::string> publicKey;
        // Where downloaded updates are kept.
        std::filesystem::path downloadDirectory;
        // Wall-clock time for the last-check date.
        std::function<Date()> now = [] { return Date::now(); };
    };

    static constexpr double kDefaultCheckInterval = 86400;
    static constexpr uint64_t kMaxFeedBytes = 4 << 20;
    static constexpr uint64_t kMaxNotesBytes = 1 << 20;
    static constexpr uint64_t kMaxDownloadBytes = 1ull << 30;

    explicit StandardUpdater(Services services);
    ~StandardUpdater() override;

    void setUpdateCheckInterval(double seconds) override;
    double updateCheckInterval() const override { return interval_; }
    void setDelegate(UpdaterDelegate* delegate) override { delegate_ = delegate; }
    void setAutomaticallyChecksForUpdates(bool on) override;
    bool automaticallyChecksForUpdates() const override;
    void checkForUpdates() override { startCheck(/*interactive=*/true); }
    void checkForUpdatesInBackground() override { startCheck(/*interactive=*/false); }
    std::optional<Date> lastUpdateCheckDate() const override;
    bool updateAvailable() const override { return available_; }

    // Whether a check (feed, release notes) is under way.
    bool isChecking() const { return checking_; }
    // Where the last update the user installed was saved.
    const std::optional<std::filesystem::path>& lastDownload() const { return lastDownload_; }

    // The feed address with the override of `SUFeedBaseURLOverride` applied; nothing when the
    // result is not an absolute http(s) URL.
    std::optional<Url> resolveFeedURL(const std::string& feed) const;

  private:
    void startCheck(bool interactive);
    void feedArrived(Result<std::string> body);
    void offer(const AppcastItem& item, std::string notes);
    void chosen(const AppcastItem& item, UpdateChoice choice);
    void downloaded(const AppcastItem& item, Result<std::string> body);
    void fail(const std::string& text, const std::string& detail, bool show);
    void finishCheck();
    void schedule();
    bool insecureAllowed() const;
    std::function<void(Result<std::string>)> guarded(
        std::function<void(Result<std::string>)> handler);

    Services s_;
    UpdaterDelegate* delegate_ = nullptr;
    double interval_ = kDefaultCheckInterval;
    bool checking_ = false;
    bool interactive_ = false;
    bool available_ = false;
    bool downloading_ = false;
    uint64_t scheduleGeneration_ = 0;
    std::optional<std::filesystem::path> lastDownload_;
    std::optional<Date> lastAttempt_;
    // Callbacks that arrive after the updater is gone find this expired.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace platform
