#include "agent/engine/PLClient.h"

namespace {
PLClient* gShared = nullptr;
}

PLClient::PLClient(Collaborators collaborators)
    : c_(std::move(collaborators)),
      clientData_(std::make_shared<PLClientData>()),
      container_(clientData_) {}

PLClient* PLClient::shared() {
    return gShared;
}
void PLClient::setShared(PLClient* client) {
    gShared = client;
}

bool PLClient::updateSharedData() {
    if (!c_.loader || !c_.loader->reloadLibrary(*clientData_)) return false;
    // Observers rebuild from the snapshot; the notification carries nothing itself.
    if (c_.notificationCenter) c_.notificationCenter->post(kClientInfoUpdated);
    return true;
}

std::string PLClient::nameFor(const std::string& token) {
    return clientData_->nameFor(token);
}
std::string PLClient::tokenFor(const std::string& name) {
    return clientData_->tokenFor(name);
}

void PLClient::cleanClipboardWith(const std::string& cleaner) {
    if (!delegate_) return;
    auto general = platform::Pasteboard::generalPasteboard(c_.pasteboards);
    delegate_->cleanRequest(general, cleaner);
}

void PLClient::cleanPasteboardWithName(const std::string& name, const std::string& cleaner) {
    if (!delegate_) return;
    auto pasteboard = platform::Pasteboard::pasteboardWithName(c_.pasteboards, name);
    delegate_->cleanRequest(pasteboard, cleaner);
}

void PLClient::cleanPasteboard(platform::Pasteboard& pasteboard, const std::string& cleaner) {
    if (!delegate_) return;
    delegate_->cleanRequest(pasteboard, cleaner);
}

std::vector<std::string> PLClient::textEncodingList() {
    return c_.encodings ? c_.encodings->names() : std::vector<std::string>{};
}

bool PLClient::validateEncodingName(const std::string& name) {
    return c_.encodings && c_.encodings->resolve(name).has_value();
}

std::string PLClient::showPickListWithStart(const std::optional<std::string>& startGroup) {
    if (!delegate_ || !pickList_) return kCancelToken;
    return pickList_(startGroup);
}

void PLClient::cleanWithUrl(const platform::Url& url,
                            const platform::PropertyList::Dictionary& options) {
    if (delegate_ && fileCleaning_) fileCleaning_(url, options);
}

std::vector<std::string> PLClient::libraryTokenList() {
    return clientData_->libraryTokenList();
}

std::vector<std::string> PLClient::grouplist(int type) {
    return clientData_->groupNames(type);
}
