#include "agent/prefs/ServicesBuilder.h"

#include <system_error>

#include "agent/library/PLClientData.h"
#include "agent/library/PLClientGroupsContainer.h"
#include "platform/coding/PropertyListSerialization.h"
#include "platform/core/FileWrapper.h"
#include "platform/core/Log.h"
#include "platform/workspace/Localization.h"

using platform::PropertyList;
using platform::Url;

ServicesBuilder::ServicesBuilder(Collaborators collaborators, std::string prefix, std::string file)
    : namePrefix(std::move(prefix)), fileName(std::move(file)), c_(std::move(collaborators)) {}

const PropertyList::Array& ServicesBuilder::serviceTypes() {
    static const PropertyList::Array types = {"NSRTFDPboardType", "NSRTFPboardType",
                                              "NSStringPboardType"};
    return types;
}

Url ServicesBuilder::servicesFolderURL() const {
    return Url::fileURLWithPath((c_.userLibrary / "Services").string(), /*isDirectory=*/true)
        .standardized();
}

Url ServicesBuilder::bundleURL(bool custom) const {
    return servicesFolderURL()
        .appendingPathComponent(custom ? fileName : kStandardBundleName, /*isDirectory=*/true)
        .standardized();
}

bool ServicesBuilder::isInstalled(bool custom) const {
    std::error_code ec;
    return std::filesystem::exists(bundleURL(custom).path(), ec);
}

bool ServicesBuilder::isUsable(const GroupItem& item) {
    return !item.token.empty() && !item.token.starts_with(GroupItem::kLabelPrefix) &&
           item.token != GroupItem::kSpacerToken && item.name != GroupItem::kSpacerName;
}

std::vector<std::string> ServicesBuilder::usableTokens(const Group& group) {
    std::vector<std::string> tokens;
    for (const GroupItem& item : group.items)
        if (isUsable(item)) tokens.push_back(item.token);
    return tokens;
}

std::optional<Group> ServicesBuilder::customGroup() const {
    const auto stored = c_.defaults.stringForKey(kCustomGroupKey);
    if (!stored) return std::nullopt;
    const PLClientData& data = c_.client.groups().clientData();
    if (stored->starts_with("##")) return data.groupWithUuid(*stored);
    return data.groupNamed(*stored);
}

std::vector<std::string> ServicesBuilder::customTokens() const {
    const auto group = customGroup();
    return group ? usableTokens(*group) : std::vector<std::string>{};
}

PropertyList ServicesBuilder::entry(const std::string& title, const std::string& userData) const {
    // Keys in the order the OS writes them.
    return PropertyList::Dictionary{
        {"NSMenuItem", PropertyList::Dictionary{{"default", namePrefix + title}}},
        {"NSMessage", kMessage},
        {"NSPortName", kPortName},
        {"NSRequiredContext", PropertyList::Dictionary{}},
        {"NSReturnTypes", serviceTypes()},
        {"NSSendTypes", serviceTypes()},
        {"NSUserData", userData},
    };
}

PropertyList::Array ServicesBuilder::standardEntries() const {
    return {
        entry(platform::localized("Apply Purlane Cleaner", "Service menu name"), kPickUserData)};
}

PropertyList::Array ServicesBuilder::customEntries() const {
    PropertyList::Array entries;
    for (const std::string& token : customTokens())
        entries.push_back(entry(c_.client.nameFor(token), token));
    return entries;
}

void ServicesBuilder::writeBundle(const Url& url, PropertyList::Array entries) const {
    auto xml = platform::PropertyListSerialization::write(
        PropertyList::Dictionary{{"NSServices", std::move(entries)}},
        platform::PropertyListFormat::Xml);
    if (!xml.ok()) return;
    platform::FileWrapper bundle = platform::FileWrapper::directory();
    platform::FileWrapper info = platform::FileWrapper::regularFile(std::move(xml).value());
    info.setPreferredFilename(kInfoFileName);
    bundle.addFileWrapper(std::move(info));
    // The folder need not exist yet on a fresh system.
    std::error_code ec;
    std::filesystem::create_directories(servicesFolderURL().path(), ec);
    auto written = bundle.writeToPath(url.path(), /*atomically=*/true);
    if (!written.ok()) platform::print(written.error().localizedDescription);
}

void ServicesBuilder::install(bool custom, bool installed) {
    const Url url = bundleURL(custom);
    if (installed) {
        writeBundle(url, custom ? customEntries() : standardEntries());
    } else if (isInstalled(custom)) {
        c_.workspace.recycleURLs({url}, nullptr);
    }
    if (c_.servicesMenu) c_.servicesMenu->updateDynamicServices();
}
