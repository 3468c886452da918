#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

#include "agent/library/ItemColor.h"

// The colours the version-8 engine offered for user-list rows, written "#RRGGBB" in upper case,
// each mapped to the colour tag that stands for it now.
class PL8ColorTable {
  public:
    // The process's table, built on first use.
    static const PL8ColorTable& shared();

    // Exact, case-sensitive match; anything else is auto.
    ItemColor colorFor(const std::string& hexColor) const;
    size_t size() const { return colors_.size(); }

  private:
    PL8ColorTable();
    std::unordered_map<std::string_view, ItemColor> colors_;
};
