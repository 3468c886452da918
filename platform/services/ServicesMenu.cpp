#include "platform/services/ServicesMenu.h"

namespace platform {

std::optional<ServiceEntry> ServicesMenu::entryWithTitle(const std::string& title) {
    for (ServiceEntry& entry : entries())
        if (entry.menuTitle == title) return std::move(entry);
    return std::nullopt;
}

}  // namespace platform
