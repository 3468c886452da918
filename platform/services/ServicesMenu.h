#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/core/Result.h"
#include "platform/services/ServiceEntry.h"

namespace platform {

class Pasteboard;
class ServicesProvider;

// The system Services menu as one process sees it: the entries applications offer (declared in
// their Info.plists, and in the dynamic bundles "*.pldynamicservice" of the user's Services
// folder), performing one of them on a pasteboard, and the provider through which this
// application answers the requests made of it.
class ServicesMenu {
  public:
    virtual ~ServicesMenu() = default;

    // The application's services provider (NSApp's servicesProvider); not owned. Without one,
    // requests to this application fail.
    virtual void setServicesProvider(ServicesProvider* provider) = 0;
    virtual ServicesProvider* servicesProvider() const = 0;

    // NSUpdateDynamicServices: reads the applications' and the dynamic entries again.
    virtual void updateDynamicServices() = 0;
    // The entries as last read (read on first use): applications' entries first, then those of
    // the dynamic bundles in file-name order.
    virtual std::vector<ServiceEntry> entries() = 0;
    // The first entry titled `title`.
    std::optional<ServiceEntry> entryWithTitle(const std::string& title);

    // NSPerformService: hands `pasteboard` to the entry's provider, starting the providing
    // application when it does not run, and waits until the provider is done (or the entry's
    // time-out passes). The pasteboard then holds what the provider gave back. The error says
    // what went wrong: no provider, none of the types the entry takes, no answer, the
    // provider's own error.
    virtual Status performService(const ServiceEntry& entry, Pasteboard& pasteboard) = 0;
};

}  // namespace platform
