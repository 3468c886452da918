#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/workspace/Bundle.h"
#include "platform/workspace/Workspace.h"

namespace platform {

// The application bundles installed for the user: the platform's applications folder, then
// every folder in PURLANE_APPLICATIONS_PATH (colon-separated; a developer setting that lets a
// build's own bundles be found without installing them), then the system's applications folder
// (where the package installs them). Each folder's "*.app" bundles count,
// and so do the helpers inside them (Contents/Library/LoginItems/*.app and
// Contents/SharedSupport/*.app). Read from disk at each call: installing takes effect at once.
class InstalledApplications {
  public:
    static std::vector<std::filesystem::path> searchFolders();
    // In search order; the first of two bundles with one identifier wins.
    static std::vector<Bundle> all();

    static std::optional<Bundle> withIdentifier(const std::string& bundleIdentifier);
    // The first bundle whose CFBundleURLTypes claim `scheme` (compared without regard to case).
    static std::optional<Bundle> claimingScheme(const std::string& scheme);
    // A bundle by identifier, by file name ("TestApp" or "TestApp.app"), by CFBundleName, or a
    // path to a bundle.
    static std::optional<Bundle> named(const std::string& nameOrIdentifier);

    static bool claimsScheme(const Bundle& bundle, const std::string& scheme);
    // What users call the bundle: CFBundleDisplayName, CFBundleName, or the file name without
    // ".app".
    static std::string displayName(const Bundle& bundle);
    // What the bundle's Info.plist asks for: LSBackgroundOnly → prohibited, LSUIElement →
    // accessory, otherwise regular.
    static ActivationPolicy activationPolicy(const Bundle& bundle);
};

}  // namespace platform
