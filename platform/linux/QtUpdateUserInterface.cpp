#include "platform/linux/QtUpdateUserInterface.h"

#include <QMessageBox>

namespace platform {

QtUpdateUserInterface::~QtUpdateUserInterface() {
    delete offer_.data();
    delete message_.data();
}

void QtUpdateUserInterface::showUpdateOffer(const UpdateOffer& offer,
                                            std::function<void(UpdateChoice)> choose) {
    // The new offer replaces an unanswered one.
    delete offer_.data();
    offer_ = new UpdateOfferWindow(offer, std::move(choose), openExternal_);
    offer_->show();
    offer_->raise();
    offer_->activateWindow();
}

void QtUpdateUserInterface::showMessage(const std::string& title, const std::string& text) {
    delete message_.data();
    message_ = new QMessageBox(QMessageBox::Information, QString::fromStdString(title),
                               QString::fromStdString(text), QMessageBox::Ok);
    message_->setAttribute(Qt::WA_DeleteOnClose);
    // Not modal: the agent keeps answering its menus and hot keys meanwhile.
    message_->setModal(false);
    message_->show();
    message_->raise();
    message_->activateWindow();
}

}  // namespace platform
