#include "agent/surfaces/ApplyOptionFromModifiers.h"

#include "platform/input/ModifierFlags.h"
#include "platform/workspace/Localization.h"

using platform::localized;
using platform::ModifierFlags;

CleanerApplyOption applyOptionFromModifiers(uint64_t modifierFlags) {
    if (modifierFlags & ModifierFlags::shift) return CleanerApplyOption::leaveOnClipboard;
    if (modifierFlags & ModifierFlags::option) return CleanerApplyOption::cleanClipboard;
    return CleanerApplyOption::standard;
}

std::string applyOptionLabel(CleanerApplyOption option,
                             const std::optional<std::string>& frontAppName) {
    switch (option) {
        case CleanerApplyOption::standard:
            break;
        case CleanerApplyOption::leaveOnClipboard:
            return localized("Leave Results on Clipboard", "note: Leave Results on Clipboard");
        case CleanerApplyOption::cleanClipboard:
            return localized("Apply to Contents on Clipboard",
                             "note: Apply to Contents on Clipboard");
    }
    const std::string name = frontAppName.value_or(localized("Current App", "default app option"));
    return localized("Clean text in '" + name + "'", "app to apply text in");
}
