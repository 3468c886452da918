#include "platform/services/AppleEventServicesMenu.h"

#include "platform/pasteboard/Pasteboard.h"
#include "platform/services/ServicesProvider.h"

namespace platform {

namespace {

std::string quoted(const std::string& text) {
    return "\u201c" + text + "\u201d";
}

Error serviceError(const ServiceEntry& entry, const std::string& why, int code) {
    return Error::other(
        "The service " + quoted(entry.menuTitle) + " couldn\u2019t be performed: " + why,
        entry.providerBundleIdentifier, code);
}

std::optional<std::string> stringParam(const AppleEvent& event, FourCharCode key) {
    const AppleEventDescriptor* d = event.paramDescriptorForKeyword(key);
    if (!d) return std::nullopt;
    return d->stringValue();
}

}  // namespace

AppleEventServicesMenu::AppleEventServicesMenu(AppleEventManager& events, Workspace& workspace,
                                               std::shared_ptr<PasteboardStore> pasteboards,
                                               Sources sources)
    : events_(events),
      workspace_(workspace),
      pasteboards_(std::move(pasteboards)),
      sources_(std::move(sources)) {}

AppleEventServicesMenu::~AppleEventServicesMenu() {
    if (handlerInstalled_) events_.removeEventHandler(kEventClass, kPerformID);
}

void AppleEventServicesMenu::setServicesProvider(ServicesProvider* provider) {
    provider_ = provider;
    // Only a process that provides claims the requests; one that only asks leaves them alone.
    if (provider_ && !handlerInstalled_) {
        events_.setEventHandler(kEventClass, kPerformID,
                                [this](const AppleEvent& event, AppleEvent& reply) {
                                    return handleRequest(event, reply);
                                });
        handlerInstalled_ = true;
    }
}

void AppleEventServicesMenu::updateDynamicServices() {
    const std::vector<ServiceApplication> apps =
        sources_.applications ? sources_.applications() : std::vector<ServiceApplication>{};
    entries_ = ServiceCatalog::read(
        apps, sources_.servicesFolder ? sources_.servicesFolder() : std::filesystem::path());
}

std::vector<ServiceEntry> AppleEventServicesMenu::entries() {
    if (!entries_) updateDynamicServices();
    return *entries_;
}

Status AppleEventServicesMenu::ensureRunning(const ServiceEntry& entry) {
    const std::string& id = entry.providerBundleIdentifier;
    if (!workspace_.runningApplicationsWithBundleIdentifier(id).empty()) return Ok{};
    auto url = workspace_.URLForApplicationWithBundleIdentifier(id);
    if (!url)
        return serviceError(entry, "the application " + id + " is not installed",
                            OSErr::kProcNotFound);
    // As the OS does, the provider starts in the background; it comes forward itself when it
    // needs the user.
    auto launched = workspace_.launchApplicationAtURL(*url, LaunchOption::kWithoutActivation, {});
    if (!launched.ok())
        return serviceError(entry, launched.error().localizedDescription, OSErr::kProcNotFound);
    return Ok{};
}

Status AppleEventServicesMenu::performService(const ServiceEntry& entry, Pasteboard& pasteboard) {
    if (entry.providerBundleIdentifier.empty())
        return serviceError(entry, "no application provides the port " + quoted(entry.portName),
                            OSErr::kProcNotFound);
    if (!entry.sendTypes.empty() && !pasteboard.availableTypeFromArray(entry.sendTypes))
        return serviceError(entry, "the pasteboard holds none of the types it takes",
                            OSErr::kParamErr);
    if (Status running = ensureRunning(entry); !running.ok()) return running;

    AppleEvent event(kEventClass, kPerformID, entry.providerBundleIdentifier);
    event.setParamDescriptor(AEKeyword::kDirectObject,
                             AppleEventDescriptor::string(pasteboard.name()));
    event.setParamDescriptor(kMessageKey, AppleEventDescriptor::string(entry.message));
    if (entry.userData)
        event.setParamDescriptor(kUserDataKey, AppleEventDescriptor::string(*entry.userData));
    const AESendResult result =
        events_.send(event, AESendMode::kWaitReply, entry.timeout.value_or(kAEDefaultTimeout));
    if (auto text = stringParam(result.reply, AEKeyword::kErrorString); text && !text->empty())
        return serviceError(entry, *text, result.error);
    switch (result.error) {
        case OSErr::kNoErr:
            return Ok{};
        case OSErr::kTimeout:
            return serviceError(entry, "the provider did not answer in time", result.error);
        case OSErr::kProcNotFound:
            return serviceError(entry, "the provider is not running", result.error);
        case OSErr::kEventNotHandled:
            return serviceError(entry, "the provider does not answer Services requests",
                                result.error);
        default:
            return serviceError(entry, "error " + std::to_string(result.error), result.error);
    }
}

int AppleEventServicesMenu::handleRequest(const AppleEvent& event, AppleEvent& reply) {
    if (!provider_) return OSErr::kEventNotHandled;
    const auto name = stringParam(event, AEKeyword::kDirectObject);
    const auto message = stringParam(event, kMessageKey);
    if (!name || name->empty() || !message || message->empty()) return OSErr::kParamErr;
    Pasteboard pasteboard = Pasteboard::pasteboardWithName(pasteboards_, *name);
    std::string error;
    if (!provider_->performService(*message, pasteboard,
                                   stringParam(event, kUserDataKey).value_or(""), error)) {
        reply.setParamDescriptor(
            AEKeyword::kErrorString,
            AppleEventDescriptor::string("the provider has no method " + *message));
        return OSErr::kEventNotHandled;
    }
    if (!error.empty())
        reply.setParamDescriptor(AEKeyword::kErrorString, AppleEventDescriptor::string(error));
    return OSErr::kNoErr;
}

}  // namespace platform
