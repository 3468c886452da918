#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/core/FourCharCode.h"
#include "platform/events/AppleEventManager.h"
#include "platform/pasteboard/PasteboardStore.h"
#include "platform/services/ServiceCatalog.h"
#include "platform/services/ServicesMenu.h"
#include "platform/workspace/Workspace.h"

namespace platform {

// The Services menu over Apple events, shared by the platforms. A request is an event of class
// "serv", ID "perf" sent to the provider's bundle identifier and waited for: direct object the
// services pasteboard's name, "mesg" the message, "udat" the user data (absent without any).
// The provider's error comes back as the reply's error string ("errs"). The providing side answers
// these events while it has a services provider.
//
// The platform supplies where entries come from: the installed applications and the user's
// Services folder.
class AppleEventServicesMenu : public ServicesMenu {
  public:
    static constexpr FourCharCode kEventClass = FourCharCode::make("serv");
    static constexpr FourCharCode kPerformID = FourCharCode::make("perf");
    static constexpr FourCharCode kMessageKey = FourCharCode::make("mesg");
    static constexpr FourCharCode kUserDataKey = FourCharCode::make("udat");

    struct Sources {
        std::function<std::vector<ServiceApplication>()> applications;
        std::function<std::filesystem::path()> servicesFolder;
    };

    // `events` and `workspace` must outlive this object.
    AppleEventServicesMenu(AppleEventManager& events, Workspace& workspace,
                           std::shared_ptr<PasteboardStore> pasteboards, Sources sources);
    ~AppleEventServicesMenu() override;
    AppleEventServicesMenu(const AppleEventServicesMenu&) = delete;
    AppleEventServicesMenu& operator=(const AppleEventServicesMenu&) = delete;

    void setServicesProvider(ServicesProvider* provider) override;
    ServicesProvider* servicesProvider() const override { return provider_; }
    void updateDynamicServices() override;
    std::vector<ServiceEntry> entries() override;
    Status performService(const ServiceEntry& entry, Pasteboard& pasteboard) override;

    // The providing side: runs one request event; its result is the event's error number.
    int handleRequest(const AppleEvent& event, AppleEvent& reply);

  private:
    Status ensureRunning(const ServiceEntry& entry);

    AppleEventManager& events_;
    Workspace& workspace_;
    std::shared_ptr<PasteboardStore> pasteboards_;
    Sources sources_;
    ServicesProvider* provider_ = nullptr;
    bool handlerInstalled_ = false;
    std::optional<std::vector<ServiceEntry>> entries_;
};

}  // namespace platform
