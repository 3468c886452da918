#pragma once

#include <filesystem>
#include <optional>

#include "agent/prefs/PLPrefsViewController.h"
#include "platform/workspace/Bundle.h"

// A pane that only shows the release notes. Not in the agent's pane list.
class PLPrefsReleaseNotesController : public PLPrefsViewController {
  public:
    explicit PLPrefsReleaseNotesController(const platform::Bundle* bundle) : bundle_(bundle) {}

    std::string keyName() const override { return "notes"; }
    std::string itemLabel() const override;
    std::optional<std::string> imageName11() const override { return "doc.plaintext"; }
    std::optional<std::filesystem::path> releaseNotesPage() const;

  private:
    const platform::Bundle* bundle_;
};
