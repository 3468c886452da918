#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>

#include "agent/prefs/PLPrefsViewController.h"
#include "agent/updates/AppUpdater.h"
#include "platform/workspace/Bundle.h"

// The Updates pane: check now (with Option, including betas) and the release notes.
class PLAgentPrefsUpdatesController : public PLPrefsViewController {
  public:
    static constexpr const char* kReleaseNotesPage = "releasenotes.html";

    struct Services {
        // May be null (no updates in this installation): checks then do nothing.
        AppUpdater* updater = nullptr;
        const platform::Bundle* bundle = nullptr;
        // The application delegate's showReleaseNotes.
        std::function<void()> showReleaseNotes;
    };

    explicit PLAgentPrefsUpdatesController(Services services) : s_(std::move(services)) {}

    std::string keyName() const override { return "updates"; }
    std::string itemLabel() const override;

    // With Option (0x80000) in `modifierFlags` the check includes beta releases.
    void checkForUpdates(uint64_t modifierFlags);
    void showReleaseNotes();
    // The page the notes view shows; nothing when the bundle has none.
    std::optional<std::filesystem::path> releaseNotesPage() const;

  private:
    Services s_;
};
