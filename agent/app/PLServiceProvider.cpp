#include "agent/app/PLServiceProvider.h"

#include "agent/engine/PLClient.h"
#include "platform/core/Log.h"

void PLServiceProvider::cleanText(platform::Pasteboard& pasteboard, const std::string& userData,
                                  std::string& error) {
    platform::print("cleanText");
    if (userData == kPickUserData)
        pickCleanerAction(pasteboard, userData, error);
    else
        applyTextCleaner(pasteboard, userData, error);
}

void PLServiceProvider::applyTextCleaner(platform::Pasteboard& pasteboard,
                                         const std::string& userData, std::string& /*error*/) {
    platform::print("applyTextCleaner");
    client_->cleanPasteboard(pasteboard, userData);
}

void PLServiceProvider::pickCleanerAction(platform::Pasteboard& pasteboard,
                                          const std::string& /*userData*/, std::string& /*error*/) {
    platform::print("pickCleanerAction");
    const std::string token = client_->showPickListWithStart(std::nullopt);
    // An empty answer is no choice either: never ask the engine for a nameless cleaner.
    if (token == PLClient::kCancelToken || token.empty()) return;
    client_->cleanPasteboard(pasteboard, token);
}

bool PLServiceProvider::performService(const std::string& message, platform::Pasteboard& pasteboard,
                                       const std::string& userData, std::string& error) {
    if (message == "cleanText") {
        cleanText(pasteboard, userData, error);
    } else if (message == "applyTextCleaner") {
        applyTextCleaner(pasteboard, userData, error);
    } else if (message == "pickCleanerAction") {
        pickCleanerAction(pasteboard, userData, error);
    } else {
        return false;
    }
    return true;
}
