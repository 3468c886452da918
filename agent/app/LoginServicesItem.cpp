#include "agent/app/LoginServicesItem.h"

#include "platform/core/Log.h"

LoginServicesItem::LoginServicesItem(platform::LoginItems& loginItems,
                                     platform::UserDefaults& defaults,
                                     const std::string& agentBundleIdentifier)
    : loginItems_(loginItems),
      defaults_(defaults),
      identifier_(agentBundleIdentifier + ".launcher"),
      stateKey_(identifier_ + ".installed") {}

void LoginServicesItem::enable() {
    if (loginItems_.setEnabled(identifier_, true)) {
        defaults_.setBool(stateKey_, true);
    } else {
        platform::print("Error: Unable to launch " + identifier_ +
                        " and mark it to launch at login");
    }
}

void LoginServicesItem::disable() {
    if (loginItems_.setEnabled(identifier_, false)) {
        defaults_.setBool(stateKey_, false);
    } else {
        platform::print("Error: Unable to remove " + identifier_ + " from launching at login");
    }
}
