#pragma once

#include <string>

#include "platform/ui/FontLookup.h"

namespace platform {

// The fonts fontconfig knows: a name matches a font's family, full name or PostScript name
// exactly (case-sensitive), as the OS matches font names.
class FontconfigLookup : public FontLookup {
  public:
    bool hasFont(const std::string& name) const override;
};

}  // namespace platform
