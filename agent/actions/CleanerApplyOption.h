#pragma once

#include <optional>
#include <string>

// How a chosen cleaner is applied.
enum class CleanerApplyOption : int {
    // Copy the selection from the front application, clean, paste back.
    standard = 0,
    // Copy the selection, clean, leave the result on the clipboard.
    leaveOnClipboard = 1,
    // Clean what the clipboard holds; the application is not touched.
    cleanClipboard = 2,
};

// Values of 3 or more are not options.
std::optional<CleanerApplyOption> cleanerApplyOptionFromRaw(int raw);

// The localised menu title; `frontAppName` names the application for `standard`.
std::string cleanerApplyOptionTitle(CleanerApplyOption option,
                                    const std::optional<std::string>& frontAppName);
