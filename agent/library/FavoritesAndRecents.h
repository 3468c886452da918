#pragma once

#include "agent/library/Group.h"
#include "platform/workspace/Localization.h"

// The built-in favourites and recents groups. The agent never adds to them, so both stay
// empty; they exist so that lists and menus can show the two groups by name.
class FavoritesAndRecents {
  public:
    // Names come from the "builtin_groups" table of `localization`.
    explicit FavoritesAndRecents(const platform::Localization& localization);
    FavoritesAndRecents(const FavoritesAndRecents&) = delete;
    FavoritesAndRecents& operator=(const FavoritesAndRecents&) = delete;

    // The process's instance, named from the main bundle; made on first use.
    static FavoritesAndRecents& shared();

    const Group& favoritesGroup() const { return favorites_; }
    const Group& recentsGroup() const { return recents_; }

  private:
    Group favorites_;
    Group recents_;
};
