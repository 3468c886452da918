#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "agent/actions/CleanerApplyOption.h"

// The apply option the held modifier keys ask for: Shift leaves the result on the clipboard,
// Option cleans the clipboard; Shift wins when both are held.
CleanerApplyOption applyOptionFromModifiers(uint64_t modifierFlags);

// The option's label in the menu header and the popover's options popup. For `standard` the
// whole "Clean text in 'NAME'" is the localisation key, NAME being the front application's name
// or the localised "Current App".
std::string applyOptionLabel(CleanerApplyOption option,
                             const std::optional<std::string>& frontAppName);
