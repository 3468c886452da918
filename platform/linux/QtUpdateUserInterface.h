#pragma once

#include <QMessageBox>
#include <QPointer>
#include <functional>
#include <string>

#include "platform/linux/UpdateOfferWindow.h"
#include "platform/updates/UpdateUserInterface.h"

namespace platform {

// The updater's windows as Qt widgets, made when first needed.
class QtUpdateUserInterface : public UpdateUserInterface {
  public:
    explicit QtUpdateUserInterface(std::function<void(const std::string& url)> openExternal)
        : openExternal_(std::move(openExternal)) {}
    ~QtUpdateUserInterface() override;

    void showUpdateOffer(const UpdateOffer& offer,
                         std::function<void(UpdateChoice)> choose) override;
    void showMessage(const std::string& title, const std::string& text) override;

    UpdateOfferWindow* offerWindow() const { return offer_; }
    QMessageBox* messageBox() const { return message_; }

  private:
    std::function<void(const std::string&)> openExternal_;
    QPointer<UpdateOfferWindow> offer_;
    QPointer<QMessageBox> message_;
};

}  // namespace platform
