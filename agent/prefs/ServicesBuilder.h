#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "agent/engine/PLClientProtocol.h"
#include "agent/library/Group.h"
#include "platform/coding/PropertyList.h"
#include "platform/core/Url.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/services/ServicesMenu.h"
#include "platform/workspace/Workspace.h"

// Writes and removes the agent's dynamic Services bundles in the user's Services folder: the
// standard bundle with the single "Apply Purlane Cleaner" entry, and the custom bundle with one
// entry per usable cleaner of the group chosen under `services.custom.group`. Every entry sends
// the selection to the agent's own provider as "cleanText" with the cleaner token as user data.
class ServicesBuilder {
  public:
    static constexpr const char* kStandardBundleName = "purlaneStandard.pldynamicservice";
    static constexpr const char* kCustomBundleName = "purlaneCustom.pldynamicservice";
    static constexpr const char* kInfoFileName = "info.plist";
    static constexpr const char* kCustomGroupKey = "services.custom.group";
    static constexpr const char* kMessage = "cleanText";
    static constexpr const char* kPortName = "purlaneAgent";
    static constexpr const char* kPickUserData = "#cleanText";
    // What the pane puts in front of every title.
    static constexpr const char* kPanePrefix = "PL - ";

    struct Collaborators {
        PLClientProtocol& client;
        // The standard defaults, where the custom group is stored.
        platform::UserDefaults& defaults;
        platform::Workspace& workspace;
        // Asked to read the entries again after each change; may be null.
        platform::ServicesMenu* servicesMenu = nullptr;
        // What the system calls "~/Library".
        std::filesystem::path userLibrary;
    };

    ServicesBuilder(Collaborators collaborators, std::string namePrefix,
                    std::string fileName = kCustomBundleName);

    std::string namePrefix;
    // The custom bundle's file name.
    std::string fileName;
    // Carried for the pane; building does not use them.
    std::vector<std::string> specialItems;
    bool useSpecialItems = false;

    // Writes the standard or custom bundle when `installed`, otherwise moves it to the Trash;
    // then asks the system to read the Services again.
    void install(bool custom, bool installed);

    // "~/Library/Services" as a standardised directory URL, and the two bundles in it.
    platform::Url servicesFolderURL() const;
    platform::Url bundleURL(bool custom) const;
    // Whether the bundle is there (what "installed" means).
    bool isInstalled(bool custom) const;

    platform::PropertyList::Array standardEntries() const;
    platform::PropertyList::Array customEntries() const;
    // The stored group, looked up by uuid ("##…") or by name; nothing when none is stored or the
    // uuid is unknown (an unknown name gives the empty "Missing" group).
    std::optional<Group> customGroup() const;
    // Tokens of the usable cleaners of the stored group, in group order.
    std::vector<std::string> customTokens() const;

    // Not a heading, spacer or empty token, and not named "-".
    static bool isUsable(const GroupItem& item);
    static std::vector<std::string> usableTokens(const Group& group);
    // The three types entries send and return, in order.
    static const platform::PropertyList::Array& serviceTypes();

  private:
    platform::PropertyList entry(const std::string& title, const std::string& userData) const;
    void writeBundle(const platform::Url& url, platform::PropertyList::Array entries) const;

    Collaborators c_;
};
