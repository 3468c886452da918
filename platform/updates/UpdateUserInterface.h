#pragma once

#include <functional>
#include <string>

#include "platform/updates/Appcast.h"

namespace platform {

// What the user answers to an offered update.
enum class UpdateChoice { Install, RemindLater, Skip };

struct UpdateOffer {
    AppcastItem item;
    std::string applicationName;
    // The running version as shown to the user.
    std::string currentVersion;
    // Release notes as HTML (fetched from the item's link, or its description).
    std::string releaseNotesHTML;
};

// The updater's windows. Only one offer is shown at a time: a new one replaces the last.
class UpdateUserInterface {
  public:
    virtual ~UpdateUserInterface() = default;
    // `choose` is called at most once; not at all when the offer is replaced or closed
    // without an answer (taken as "later").
    virtual void showUpdateOffer(const UpdateOffer& offer,
                                 std::function<void(UpdateChoice)> choose) = 0;
    // An outcome the user should read: up to date, a failure, a finished download.
    virtual void showMessage(const std::string& title, const std::string& text) = 0;
};

}  // namespace platform
