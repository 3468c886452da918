#pragma once

#include <functional>
#include <memory>

#include "agent/library/FavoritesAndRecents.h"
#include "agent/library/PLClientData.h"

// What the client hands to views as its `groups`: the live snapshot (shared, not copied) and
// the favourites and recents groups.
class PLClientGroupsContainer {
  public:
    using FavoritesSource = std::function<FavoritesAndRecents&()>;

    // `favorites` is asked once, on the first access to favoritesAndRecents().
    explicit PLClientGroupsContainer(std::shared_ptr<PLClientData> clientData,
                                     FavoritesSource favorites = &FavoritesAndRecents::shared);
    PLClientGroupsContainer(const PLClientGroupsContainer&) = delete;
    PLClientGroupsContainer& operator=(const PLClientGroupsContainer&) = delete;

    PLClientData& clientData() const { return *clientData_; }
    const std::shared_ptr<PLClientData>& sharedClientData() const { return clientData_; }
    FavoritesAndRecents& favoritesAndRecents();

  private:
    std::shared_ptr<PLClientData> clientData_;
    FavoritesSource favoritesSource_;
    FavoritesAndRecents* favoritesAndRecents_ = nullptr;
};
