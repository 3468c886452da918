#include "agent/prefs/AdvancedPrefsView.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include "platform/workspace/Localization.h"

namespace {
QString text(const std::string& localizedText) {
    return QString::fromStdString(localizedText);
}
}  // namespace

AdvancedPrefsView::AdvancedPrefsView(PLAgentPrefsAdvancedController& pane, QWidget* parent)
    : QWidget(parent), pane_(pane) {
    setObjectName("advanced");
    pl8_ = new QCheckBox(
        text(platform::localized("Use the cleaner groups of Purlane 8", "Advanced pref")), this);
    leaveOthers_ = new QCheckBox(
        text(platform::localized("Leave other Purlane agents running", "Advanced pref")), this);
    selectAll_ = new QCheckBox(
        text(platform::localized("Select all text before applying a cleaner", "Advanced pref")),
        this);
    preserve_ =
        new QCheckBox(text(platform::localized("Restore the clipboard after applying a cleaner",
                                               "Advanced pref")),
                      this);
    delay_ = new QSpinBox(this);
    delay_->setRange(0, static_cast<int>(PLAgentPrefsAdvancedController::kMaxKeystrokeDelay));
    auto* delayNote = new QLabel(
        text(platform::localized("× 0.1 s added after each key press", "Advanced pref")), this);
    delayNote->setEnabled(false);
    develop_ =
        new QCheckBox(text(platform::localized("Show the Develop pane", "Advanced pref")), this);
    auto* watcher =
        new QPushButton(text(platform::localized("Open Launch Watcher", "Advanced pref")), this);

    auto* delayRow = new QHBoxLayout;
    delayRow->addWidget(delay_);
    delayRow->addWidget(delayNote);
    delayRow->addStretch();

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->addRow(text(platform::localized("Library:", "Advanced pref")), pl8_);
    form->addRow(text(platform::localized("At start-up:", "Advanced pref")), leaveOthers_);
    form->addRow(text(platform::localized("Applying:", "Advanced pref")), selectAll_);
    form->addRow(QString(), preserve_);
    form->addRow(text(platform::localized("Keystroke delay:", "Advanced pref")), delayRow);
    form->addRow(text(platform::localized("Diagnostics:", "Advanced pref")), develop_);
    form->addRow(QString(), watcher);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(24, 20, 24, 20);
    column->addLayout(form);
    column->addStretch();

    connect(pl8_, &QCheckBox::toggled, this, [this](bool on) { pane_.setPL8Connect(on); });
    connect(leaveOthers_, &QCheckBox::toggled, this,
            [this](bool on) { pane_.setLeaveOtherAgents(on); });
    connect(selectAll_, &QCheckBox::toggled, this, [this](bool on) { pane_.setAutoSelectAll(on); });
    connect(preserve_, &QCheckBox::toggled, this,
            [this](bool on) { pane_.setPreserveClipboard(on); });
    connect(delay_, &QSpinBox::valueChanged, this,
            [this](int value) { pane_.setKeystrokeDelay(value); });
    connect(develop_, &QCheckBox::toggled, this, [this](bool on) { pane_.setShowDevelop(on); });
    connect(watcher, &QPushButton::clicked, this, [this] { pane_.launchPurlaneWatcher(); });
    refresh();
}

void AdvancedPrefsView::refresh() {
    const auto set = [](QCheckBox* box, bool on) {
        QSignalBlocker block(box);
        box->setChecked(on);
    };
    set(pl8_, pane_.pl8Connect());
    set(leaveOthers_, pane_.leaveOtherAgents());
    set(selectAll_, pane_.autoSelectAll());
    set(preserve_, pane_.preserveClipboard());
    set(develop_, pane_.showDevelop());
    QSignalBlocker block(delay_);
    delay_->setValue(static_cast<int>(pane_.keystrokeDelay()));
}

void AdvancedPrefsView::showEvent(QShowEvent* event) {
    refresh();
    QWidget::showEvent(event);
}
