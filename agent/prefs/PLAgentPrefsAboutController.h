#pragma once

#include <string>

#include "agent/prefs/PLPrefsViewController.h"
#include "agent/prefs/PLVendorPages.h"
#include "platform/workspace/Bundle.h"

// The About pane: the agent's version and copyright, and the vendor's pages.
class PLAgentPrefsAboutController : public PLPrefsViewController {
  public:
    PLAgentPrefsAboutController(const platform::Bundle& bundle, PLVendorPages& pages)
        : bundle_(bundle), pages_(pages) {}

    std::string keyName() const override { return "about"; }
    std::string itemLabel() const override;
    std::optional<std::string> imageName11() const override { return "info.circle"; }

    // "Version " + short version + " (" + build + ")".
    std::string versionString() const;
    std::string copyright() const;
    void gotoTwitter() { pages_.open(PLVendorPages::Page::twitter); }
    void gotoFacebook() { pages_.open(PLVendorPages::Page::facebook); }
    void gotoWebsite() { pages_.open(PLVendorPages::Page::website); }

  private:
    const platform::Bundle& bundle_;
    PLVendorPages& pages_;
};
