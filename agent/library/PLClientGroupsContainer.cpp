#include "agent/library/PLClientGroupsContainer.h"

#include <utility>

PLClientGroupsContainer::PLClientGroupsContainer(std::shared_ptr<PLClientData> clientData,
                                                 FavoritesSource favorites)
    : clientData_(std::move(clientData)), favoritesSource_(std::move(favorites)) {}

FavoritesAndRecents& PLClientGroupsContainer::favoritesAndRecents() {
    if (!favoritesAndRecents_) favoritesAndRecents_ = &favoritesSource_();
    return *favoritesAndRecents_;
}
