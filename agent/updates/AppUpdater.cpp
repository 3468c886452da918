#include "agent/updates/AppUpdater.h"

namespace {
AppUpdater* sharedUpdater = nullptr;
bool canUpdate = false;
}  // namespace

AppUpdater::AppUpdater(AppUpdaterProtocol* directUpdater, platform::NotificationCenter& center)
    : directUpdater_(directUpdater), center_(center) {}

AppUpdater* AppUpdater::shared() {
    return sharedUpdater;
}

void AppUpdater::setShared(AppUpdater* updater) {
    sharedUpdater = updater;
    canUpdate = updater && updater->directUpdater_;
}

bool AppUpdater::canSelfUpdate() {
    return canUpdate;
}

void AppUpdater::setCanSelfUpdate(bool value) {
    canUpdate = value;
}

void AppUpdater::setup(AppUpdaterChannel channel, bool forceBetas) {
    if (directUpdater_) directUpdater_->setup(channel, forceBetas);
}

void AppUpdater::checkForUpdates() {
    if (directUpdater_) directUpdater_->checkForUpdates();
    center_.post(checkedForUpdates);
}

void AppUpdater::checkForBetaUpdates() {
    if (directUpdater_) directUpdater_->checkForBetaUpdates();
    center_.post(checkedForUpdates);
}

bool AppUpdater::overdueForUpdateCheck() {
    return directUpdater_ && directUpdater_->overdueForUpdateCheck();
}

std::string AppUpdater::overdueForCheckMessage() {
    return directUpdater_ ? directUpdater_->overdueForCheckMessage() : std::string();
}

bool AppUpdater::updateAvailable() const {
    return directUpdater_ && directUpdater_->updateAvailable();
}
