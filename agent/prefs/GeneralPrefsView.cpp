#include "agent/prefs/GeneralPrefsView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "platform/workspace/Localization.h"

using platform::localized;

namespace {

QString text(const std::string& localizedText) {
    return QString::fromStdString(localizedText);
}

QComboBox* popup(std::initializer_list<std::pair<std::string, int>> items, QWidget* parent) {
    auto* box = new QComboBox(parent);
    for (const auto& [title, value] : items) box->addItem(text(title), value);
    return box;
}

void choose(QComboBox* box, const QVariant& value) {
    QSignalBlocker block(box);
    const int index = box->findData(value);
    box->setCurrentIndex(index < 0 ? 0 : index);
}

}  // namespace

GeneralPrefsView::GeneralPrefsView(PLAgentPrefsGeneralController& pane, QWidget* parent)
    : QWidget(parent), pane_(pane) {
    setObjectName("general");
    login_ = new QCheckBox(text(localized("Start Purlane Agent at login", "General pref")), this);
    versionedIcon_ = new QCheckBox(
        text(localized("Show the version number in the menu bar icon", "General pref")), this);
    hideDock_ = new QCheckBox(
        text(localized("Hide the Dock icon (after a relaunch)", "General pref")), this);
    layout_ = popup({{localized("Single list", "General pref"), 1},
                     {localized("Groups beside the list", "General pref"), 2}},
                    this);
    colorStyle_ = popup({{localized("Text", "General pref"), 0},
                         {localized("Bubble", "General pref"), 1},
                         {localized("Text and bubble", "General pref"), 2}},
                        this);
    order_ = popup({{localized("Standard", "General pref"), 0},
                    {localized("Custom cleaners first", "General pref"), 1},
                    {localized("Custom cleaners only", "General pref"), 2}},
                   this);
    compact_ = new QCheckBox(text(localized("Compact rows", "General pref")), this);
    defaultGroup_ = new QComboBox(this);
    defaultGroup_->setObjectName("defaultGroup");
    auto* restore = new QPushButton(text(localized("Restore Defaults", "General pref")), this);
    auto* relaunch = new QPushButton(text(localized("Relaunch", "General pref")), this);

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->addRow(text(localized("Startup:", "General pref")), login_);
    form->addRow(text(localized("Menu bar:", "General pref")), versionedIcon_);
    form->addRow(QString(), hideDock_);
    form->addRow(text(localized("Popover layout:", "General pref")), layout_);
    form->addRow(text(localized("Cleaner colors:", "General pref")), colorStyle_);
    form->addRow(text(localized("Cleaner order:", "General pref")), order_);
    form->addRow(QString(), compact_);
    form->addRow(text(localized("Show first:", "General pref")), defaultGroup_);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(restore);
    buttons->addStretch();
    buttons->addWidget(relaunch);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(24, 20, 24, 20);
    column->setSpacing(12);
    column->addLayout(form);
    column->addStretch();
    column->addLayout(buttons);

    connect(login_, &QCheckBox::toggled, this, [this](bool on) {
        pane_.setLoginItemEnabled(on);
        pane_.toggleLoginItem();
        if (pane_.loginItemEnabled() != on) refresh();
    });
    connect(versionedIcon_, &QCheckBox::toggled, this,
            [this](bool on) { pane_.setDisplayVersionedIcon(on); });
    connect(hideDock_, &QCheckBox::toggled, this, [this](bool on) { pane_.setHideDockIcon(on); });
    connect(layout_, &QComboBox::activated, this,
            [this] { pane_.setDisplayLayout(layout_->currentData().toInt()); });
    connect(colorStyle_, &QComboBox::activated, this,
            [this] { pane_.setColorStyle(colorStyle_->currentData().toInt()); });
    connect(order_, &QComboBox::activated, this,
            [this] { pane_.setDisplayOrder(order_->currentData().toInt()); });
    connect(compact_, &QCheckBox::toggled, this, [this](bool on) { pane_.setDisplayCompact(on); });
    connect(defaultGroup_, &QComboBox::activated, this, [this] {
        pane_.setDefaultGroup(defaultGroup_->currentData().toString().toStdString());
    });
    connect(restore, &QPushButton::clicked, this, [this] {
        pane_.restoreDefaults();
        refresh();
    });
    connect(relaunch, &QPushButton::clicked, this, [this] { pane_.relaunchApp(); });
    refresh();
}

void GeneralPrefsView::refresh() {
    const auto set = [](QCheckBox* box, bool on) {
        QSignalBlocker block(box);
        box->setChecked(on);
    };
    set(login_, pane_.loginItemEnabled());
    set(versionedIcon_, pane_.displayVersionedIcon());
    set(hideDock_, pane_.hideDockIcon());
    set(compact_, pane_.displayCompact());
    // Anything but the split layout is the single list.
    choose(layout_, pane_.displayLayout() == 2 ? 2 : 1);
    choose(colorStyle_, static_cast<int>(pane_.colorStyle()));
    choose(order_, static_cast<int>(pane_.displayOrder()));
    {
        QSignalBlocker block(defaultGroup_);
        defaultGroup_->clear();
        for (const auto& [title, value] : pane_.defaultGroupChoices())
            defaultGroup_->addItem(QString::fromStdString(title), QString::fromStdString(value));
    }
    choose(defaultGroup_, QString::fromStdString(pane_.defaultGroup()));
}

void GeneralPrefsView::showEvent(QShowEvent* event) {
    refresh();
    QWidget::showEvent(event);
}
