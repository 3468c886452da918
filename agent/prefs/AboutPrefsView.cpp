#include "agent/prefs/AboutPrefsView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/workspace/Localization.h"

using platform::localized;

AboutPrefsView::AboutPrefsView(PLAgentPrefsAboutController& pane, const platform::Bundle* bundle,
                               QWidget* parent)
    : QWidget(parent) {
    setObjectName("about");
    auto* icon = new QLabel(this);
    if (bundle)
        if (auto path = bundle->pathForResource("plmenu-icon@2x", "png")) {
            QPixmap pixmap(QString::fromStdString(path->string()));
            if (!pixmap.isNull())
                icon->setPixmap(
                    pixmap.scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        }
    auto* name = new QLabel(QString::fromStdString(localized("Purlane Agent", "About pref")), this);
    QFont big = name->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.4);
    name->setFont(big);
    versionField_ = new QLabel(QString::fromStdString(pane.versionString()), this);
    versionField_->setObjectName("versionField");
    versionField_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    copyrightField_ = new QLabel(QString::fromStdString(pane.copyright()), this);
    copyrightField_->setObjectName("copyrightField");
    copyrightField_->setEnabled(false);

    auto* website =
        new QPushButton(QString::fromStdString(localized("Website", "About pref")), this);
    auto* twitter =
        new QPushButton(QString::fromStdString(localized("Twitter", "About pref")), this);
    auto* facebook =
        new QPushButton(QString::fromStdString(localized("Facebook", "About pref")), this);
    connect(website, &QPushButton::clicked, this, [&pane] { pane.gotoWebsite(); });
    connect(twitter, &QPushButton::clicked, this, [&pane] { pane.gotoTwitter(); });
    connect(facebook, &QPushButton::clicked, this, [&pane] { pane.gotoFacebook(); });

    auto* text = new QVBoxLayout;
    text->setSpacing(6);
    text->addWidget(name);
    text->addWidget(versionField_);
    text->addWidget(copyrightField_);
    text->addStretch();
    auto* top = new QHBoxLayout;
    top->setSpacing(18);
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(text, 1);
    auto* links = new QHBoxLayout;
    links->addStretch();
    links->addWidget(website);
    links->addWidget(twitter);
    links->addWidget(facebook);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(24, 20, 24, 20);
    column->setSpacing(16);
    column->addLayout(top);
    column->addLayout(links);
}
