#include "agent/actions/CleanerApplyOption.h"

#include "platform/workspace/Localization.h"

using platform::localized;

std::optional<CleanerApplyOption> cleanerApplyOptionFromRaw(int raw) {
    if (raw < 0 || raw > 2) return std::nullopt;
    return static_cast<CleanerApplyOption>(raw);
}

std::string cleanerApplyOptionTitle(CleanerApplyOption option,
                                    const std::optional<std::string>& frontAppName) {
    switch (option) {
        case CleanerApplyOption::standard:
            return localized("Clean text in '", "app to apply text in") +
                   frontAppName.value_or(localized("Current App", "default app option")) + "'";
        case CleanerApplyOption::leaveOnClipboard:
            return localized("Leave Results on Clipboard", "note: Leave Results on Clipboard");
        case CleanerApplyOption::cleanClipboard:
            return localized("Apply to Contents on Clipboard",
                             "note: Apply to Contents on Clipboard");
    }
    return {};
}
