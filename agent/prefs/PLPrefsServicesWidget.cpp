#include "agent/prefs/PLPrefsServicesWidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStringList>
#include <QVBoxLayout>

#include "platform/core/Log.h"
#include "platform/linux/DetachedProcess.h"
#include "platform/workspace/Localization.h"

namespace {

QString toQt(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

PLPrefsServicesWidget::PLPrefsServicesWidget(PLPrefsServicesController& pane, QWidget* parent)
    : QWidget(parent), pane_(pane) {
    setObjectName("services");

    standard_ =
        new QCheckBox(toQt(platform::localized("Show “Apply Purlane Cleaner” in the Services menu",
                                               "Services pane checkbox for the standard service")),
                      this);
    standard_->setObjectName("standardItemsInstalled");
    custom_ = new QCheckBox(
        toQt(platform::localized("Add one service for each cleaner of the group:",
                                 "Services pane checkbox for the services of a group")),
        this);
    custom_->setObjectName("customItemsInstalled");
    groups_ = new QComboBox(this);
    groups_->setObjectName("servicesMenu");
    groups_->setMinimumContentsLength(16);
    groups_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);

    table_ = new QListWidget(this);
    table_->setObjectName("serviceItems");
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->setFocusPolicy(Qt::NoFocus);
    table_->setAlternatingRowColors(true);
    count_ = new QLabel(this);
    count_->setObjectName("serviceItemsCount");

    folder_ = new QPushButton(
        toQt(platform::localized("Show Services Folder", "Services pane button")), this);
    folder_->setObjectName("showServicesFolder");
    keyboard_ = new QPushButton(
        toQt(platform::localized("Keyboard Shortcuts…",
                                 "Services pane button opening the keyboard shortcut settings")),
        this);
    keyboard_->setObjectName("openKeyboardPreferences");
    if (!pane_.canOpenKeyboardPreferences()) {
        keyboard_->setEnabled(false);
        keyboard_->setToolTip(toQt(platform::localized(
            "This desktop has no keyboard shortcut settings that can be opened from here.",
            "Tooltip of the disabled keyboard shortcuts button in the Services pane")));
    }
    auto* note =
        new QLabel(toQt(platform::localized("Each service is named “PL - ” and the cleaner's name.",
                                            "Services pane note under the entries")),
                   this);
    note->setWordWrap(true);
    note->setObjectName("note");

    connect(standard_, &QCheckBox::clicked, this,
            [this](bool on) { pane_.setStandardItemsInstalled(on); });
    connect(custom_, &QCheckBox::clicked, this,
            [this](bool on) { pane_.setCustomItemsInstalled(on); });
    connect(groups_, &QComboBox::activated, this, [this](int index) { pane_.chooseGroup(index); });
    connect(folder_, &QPushButton::clicked, this, [this] { pane_.showServicesFolder(); });
    connect(keyboard_, &QPushButton::clicked, this, [this] { pane_.openKeyboardPreferences(); });

    auto* customRow = new QHBoxLayout;
    customRow->addWidget(custom_);
    customRow->addWidget(groups_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(folder_);
    buttons->addStretch(1);
    buttons->addWidget(keyboard_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(8);
    layout->addWidget(standard_);
    layout->addLayout(customRow);
    layout->addWidget(table_, 1);
    layout->addWidget(count_);
    layout->addWidget(note);
    layout->addLayout(buttons);

    pane_.setView(this);
    if (!pane_.isViewLoaded()) pane_.viewDidLoad();
    reloadInstallStatus();
    reloadGroupPopup();
    reloadTable();
}

PLPrefsServicesWidget::~PLPrefsServicesWidget() {
    if (pane_.view() == this) pane_.setView(nullptr);
}

void PLPrefsServicesWidget::install(PLPrefsServicesController& pane) {
    pane.setViewMaker([&pane](QWidget* parent) { return new PLPrefsServicesWidget(pane, parent); });
}

void PLPrefsServicesWidget::reloadGroupPopup() {
    const QSignalBlocker blocker(groups_);
    QStringList titles;
    for (const auto& title : pane_.groupTitles()) titles << toQt(title);
    QStringList shown;
    for (int i = 0; i < groups_->count(); ++i) shown << groups_->itemText(i);
    // The popup may be the control whose choice led here: its items are replaced only when
    // they changed.
    if (shown != titles) {
        groups_->clear();
        groups_->addItems(titles);
    }
    groups_->setCurrentIndex(pane_.selectedGroupIndex());
    groups_->setEnabled(pane_.groupPopupEnabled());
}

void PLPrefsServicesWidget::reloadInstallStatus() {
    const QSignalBlocker standardBlocker(standard_);
    const QSignalBlocker customBlocker(custom_);
    standard_->setChecked(pane_.standardItemsInstalled());
    custom_->setChecked(pane_.customItemsInstalled());
}

void PLPrefsServicesWidget::reloadTable() {
    table_->clear();
    for (int row = 0; row < pane_.numberOfRows(); ++row) {
        auto* item = new QListWidgetItem(toQt(pane_.titleOfRow(row)), table_);
        // "MainCell": text only, never selected.
        item->setFlags(pane_.shouldSelectRow(row) ? (Qt::ItemIsEnabled | Qt::ItemIsSelectable)
                                                  : Qt::ItemIsEnabled);
    }
    count_->setText(toQt(pane_.countText()));
}

KeyboardShortcutSettings PLPrefsServicesWidget::desktopKeyboardSettings() {
    return KeyboardShortcutSettings(
        KeyboardShortcutSettings::knownPrograms(),
        [](const std::string& name) {
            return platform::DetachedProcess::findExecutable(name).has_value();
        },
        [](const KeyboardShortcutSettings::Program& program) {
            auto started = platform::DetachedProcess::spawn(program.executable, program.arguments);
            if (!started.ok())
                platform::log("Couldn't open " + program.executable + ": " +
                              started.error().debugDescription());
            return started.ok();
        });
}
