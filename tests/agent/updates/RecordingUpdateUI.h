#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/updates/UpdateUserInterface.h"

namespace updatestest {

// Keeps what the updater showed; `choose` answers the last offer as the user would.
struct RecordingUI : platform::UpdateUserInterface {
    void showUpdateOffer(const platform::UpdateOffer& o,
                         std::function<void(platform::UpdateChoice)> c) override {
        offers.push_back(o);
        choose = std::move(c);
    }
    void showMessage(const std::string& title, const std::string& text) override {
        messages.push_back(title + " | " + text);
    }
    std::vector<platform::UpdateOffer> offers;
    std::vector<std::string> messages;
    std::function<void(platform::UpdateChoice)> choose;
};

}  // namespace updatestest
