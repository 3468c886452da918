#pragma once

#include <string>

#include "agent/engine/PLClientProtocol.h"
#include "platform/services/ServicesProvider.h"

// The agent's Services provider: the system hands it the selected text of any application on a
// services pasteboard, and the engine cleans that pasteboard in place. Failures are not
// reported back: the pasteboard stays as it was, so the selection stays unchanged.
class PLServiceProvider : public platform::ServicesProvider {
  public:
    // User data that means "let the user pick the cleaner".
    static constexpr const char* kPickUserData = "#cleanText";

    explicit PLServiceProvider(PLClientProtocol& client) : client_(&client) {}

    PLClientProtocol& client() const { return *client_; }
    void setClient(PLClientProtocol& client) { client_ = &client; }

    // The service messages; none of them sets `error`.
    // The message of every generated entry: picks when `userData` is "#cleanText", otherwise
    // applies `userData` as the cleaner.
    void cleanText(platform::Pasteboard& pasteboard, const std::string& userData,
                   std::string& error);
    void applyTextCleaner(platform::Pasteboard& pasteboard, const std::string& userData,
                          std::string& error);
    // Lets the user pick a cleaner in the modal pick window; a cancelled pick changes nothing.
    void pickCleanerAction(platform::Pasteboard& pasteboard, const std::string& userData,
                           std::string& error);

    bool performService(const std::string& message, platform::Pasteboard& pasteboard,
                        const std::string& userData, std::string& error) override;

  private:
    PLClientProtocol* client_;
};
