#include "agent/surfaces/GlobalPopoverView.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QSplitter>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "agent/surfaces/ApplyOptionFromModifiers.h"
#include "agent/surfaces/GlobalPopover.h"
#include "agent/surfaces/GlobalPopoverContent.h"
#include "agent/ui/CleanerListWidget.h"
#include "agent/ui/GroupListWidget.h"
#include "platform/linux/QtMenuRenderer.h"
#include "platform/workspace/Localization.h"

using platform::localized;

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// The system red of the update notice.
const QColor kNoticeRed(0xff, 0x3b, 0x30);

}  // namespace

GlobalPopoverView::GlobalPopoverView(PopoverLayout layout, GlobalPopoverContent& content,
                                     QWidget* parent)
    : QWidget(parent), content_(content) {
    setObjectName("globalPopover");
    const int width = layout == PopoverLayout::split ? kSplitWidth : kListWidth;
    // The controller's list takes its delegate here, before the list widget loads it.
    content_.viewDidLoad({static_cast<double>(width), static_cast<double>(kHeight)});

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 6);
    column->setSpacing(6);

    optionsPopup_ = new QComboBox(this);
    optionsPopup_->setObjectName("optionsPopup");
    optionsPopup_->addItem(QString());
    optionsPopup_->addItem(qs(applyOptionLabel(CleanerApplyOption::leaveOnClipboard, {})));
    optionsPopup_->addItem(qs(applyOptionLabel(CleanerApplyOption::cleanClipboard, {})));
    optionsPopup_->setFocusPolicy(Qt::NoFocus);
    connect(optionsPopup_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!refreshing_ && index >= 0) content_.setOptionValue(index);
    });
    column->addWidget(optionsPopup_);

    list_ = new CleanerListWidget(content_.contentController());
    if (layout == PopoverLayout::split) {
        auto& split = static_cast<GlobalPopover&>(content_);
        auto* splitter = new QSplitter(Qt::Horizontal, this);
        splitter->setChildrenCollapsible(false);
        splitter->setHandleWidth(1);
        sidebar_ = new GroupListWidget(split.groupListController());
        splitter->addWidget(sidebar_);
        splitter->addWidget(list_);
        splitter->setStretchFactor(0, 0);
        splitter->setStretchFactor(1, 1);
        splitter->setSizes({170, width - 170});
        column->addWidget(splitter, 1);
        // Now that both views exist, the sidebar loads and selects the list's group.
        content_.viewDidLoad({static_cast<double>(width), static_cast<double>(kHeight)});
    } else {
        list_->setParent(this);
        column->addWidget(list_, 1);
    }

    auto* bar = new QHBoxLayout();
    bar->setSpacing(6);
    version_ = new QLabel(this);
    version_->setObjectName("versionString");
    QFont small = version_->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    version_->setFont(small);
    version_->setForegroundRole(QPalette::PlaceholderText);
    bar->addWidget(version_);

    pl8link_ = new QLabel(QStringLiteral("● 8"), this);
    pl8link_->setObjectName("pl8linkIndicator");
    pl8link_->setFont(small);
    pl8link_->setToolTip(qs(localized("Connected to Purlane 8", "PL8 link indicator tooltip")));
    bar->addWidget(pl8link_);
    bar->addStretch(1);

    auto* notice = new QToolButton(this);
    notice->setObjectName("updatesNotice");
    notice->setText(qs(localized("Update available", "Popover update notice")));
    notice->setAutoRaise(true);
    notice->setFont(small);
    QPalette red = notice->palette();
    red.setColor(QPalette::ButtonText, kNoticeRed);
    notice->setPalette(red);
    connect(notice, &QToolButton::clicked, this, [this] {
        // The notice does what "Check for updates…" of the action menu does.
        auto& menu = content_.actionMenu();
        for (size_t i = 0; i < menu.numberOfItems(); ++i)
            if (menu.itemAt(i)->actionName == "checkForAppUpdates:") {
                menu.performActionForItemAt(i);
                return;
            }
    });
    updatesNotice_ = notice;
    bar->addWidget(notice);

    auto* asMenu = new QToolButton(this);
    asMenu->setObjectName("displayAsMenu");
    asMenu->setIcon(style()->standardIcon(QStyle::SP_TitleBarUnshadeButton));
    asMenu->setToolTip(qs(localized("Display As Menu", "Popover")));
    asMenu->setAutoRaise(true);
    asMenu->setFocusPolicy(Qt::NoFocus);
    connect(asMenu, &QToolButton::clicked, this, [this] { content_.actionDisplayAsMenu(); });
    bar->addWidget(asMenu);

    actionPopup_ = new QToolButton(this);
    actionPopup_->setObjectName("actionPopup");
    actionPopup_->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    actionPopup_->setPopupMode(QToolButton::InstantPopup);
    actionPopup_->setAutoRaise(true);
    actionPopup_->setFocusPolicy(Qt::NoFocus);
    actionMenu_ = new QMenu(actionPopup_);
    actionPopup_->setMenu(actionMenu_);
    renderActionMenu();
    bar->addWidget(actionPopup_);
    column->addLayout(bar);

    content_.controlsChanged = [this] { refresh(); };
    resize(width, kHeight);
    refresh();
}

GlobalPopoverView::~GlobalPopoverView() {
    content_.controlsChanged = nullptr;
}

void GlobalPopoverView::renderActionMenu() {
    // A pull-down shows item 0 only as its button; the rest is the menu.
    auto rendered = std::make_shared<platform::Menu>(content_.actionMenu());
    if (rendered->numberOfItems() > 0) rendered->removeItemAt(0);
    platform::renderMenu(*rendered, *actionMenu_);
    renderedActions_ = std::move(rendered);
}

void GlobalPopoverView::refresh() {
    refreshing_ = true;
    optionsPopup_->setItemText(0, qs(content_.standardOptionTitle()));
    optionsPopup_->setCurrentIndex(content_.optionValue());
    refreshing_ = false;
    version_->setText(qs(content_.versionString()));
    pl8link_->setVisible(!content_.pl8linkIndicatorHidden());
    updatesNotice_->setVisible(!content_.updatesNoticeHidden());
}
