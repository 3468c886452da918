#include "platform/linux/UpdateOfferWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "platform/workspace/Localization.h"

namespace platform {

namespace {
QString q(const std::string& s) {
    return QString::fromStdString(s);
}

std::string filled(std::string format, std::initializer_list<std::string> values) {
    for (const auto& v : values) {
        const auto at = format.find("%@");
        if (at == std::string::npos) break;
        format.replace(at, 2, v);
    }
    return format;
}
}  // namespace

UpdateOfferWindow::UpdateOfferWindow(const UpdateOffer& offer,
                                     std::function<void(UpdateChoice)> choose,
                                     std::function<void(const std::string&)> openExternal)
    : choose_(std::move(choose)) {
    setWindowTitle(q(localized("Software Update", "update offer window title")));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* heading =
        new QLabel(q(filled(localized("A new version of %@ is available!", "update offer heading"),
                            {offer.applicationName})));
    QFont bold = heading->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.15);
    heading->setFont(bold);
    auto* detail = new QLabel(
        q(filled(localized("%@ %@ is now available—you have %@. Would you like to download it "
                           "now?",
                           "update offer text"),
                 {offer.applicationName, offer.item.displayVersion(), offer.currentVersion})));
    detail->setWordWrap(true);
    auto* notesLabel = new QLabel(q(localized("Release Notes:", "update offer notes label")));
    bold = notesLabel->font();
    bold.setBold(true);
    notesLabel->setFont(bold);

    notes_ = new QTextBrowser;
    notes_->setOpenLinks(false);
    notes_->setHtml(q(offer.releaseNotesHTML));
    QObject::connect(notes_, &QTextBrowser::anchorClicked, this, [openExternal](const QUrl& url) {
        if (openExternal) openExternal(url.toString().toStdString());
    });

    skip_ = new QPushButton(q(localized("Skip this version", "update offer button")));
    later_ = new QPushButton(q(localized("Remind me later", "update offer button")));
    install_ = new QPushButton(q(localized("Install", "update offer button")));
    install_->setDefault(true);
    connect(skip_, &QPushButton::clicked, this, [this] { answer(UpdateChoice::Skip); });
    connect(later_, &QPushButton::clicked, this, [this] { answer(UpdateChoice::RemindLater); });
    connect(install_, &QPushButton::clicked, this, [this] { answer(UpdateChoice::Install); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(skip_);
    buttons->addStretch(1);
    buttons->addWidget(later_);
    buttons->addWidget(install_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->addWidget(heading);
    layout->addWidget(detail);
    layout->addSpacing(6);
    layout->addWidget(notesLabel);
    layout->addWidget(notes_, 1);
    layout->addLayout(buttons);
    resize(560, 400);
}

void UpdateOfferWindow::answer(UpdateChoice choice) {
    auto choose = std::move(choose_);
    choose_ = nullptr;
    close();
    if (choose) choose(choice);
}

}  // namespace platform
