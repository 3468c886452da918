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
QString text(const char* key) {
    return QString::fromStdString(platform::localized(key, "Advanced pref"));
}
}  // namespace

AdvancedPrefsView::AdvancedPrefsView(PLAgentPrefsAdvancedController& pane, QWidget* parent)
    : QWidget(parent), pane_(pane) {
    setObjectName("advanced");
    pl8_ = new QCheckBox(text("Use the cleaner groups of Purlane 8"), this);
    leaveOthers_ = new QCheckBox(text("Leave other Purlane agents running"), this);
    selectAll_ = new QCheckBox(text("Select all text before applying a cleaner"), this);
    preserve_ = new QCheckBox(text("Restore the clipboard after applying a cleaner"), this);
    delay_ = new QSpinBox(this);
    delay_->setRange(0, static_cast<int>(PLAgentPrefsAdvancedController::kMaxKeystrokeDelay));
    auto* delayNote = new QLabel(text("× 0.1 s added after each key press"), this);
    delayNote->setEnabled(false);
    develop_ = new QCheckBox(text("Show the Develop pane"), this);
    auto* watcher = new QPushButton(text("Open Launch Watcher"), this);

    auto* delayRow = new QHBoxLayout;
    delayRow->addWidget(delay_);
    delayRow->addWidget(delayNote);
    delayRow->addStretch();

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->addRow(text("Library:"), pl8_);
    form->addRow(text("At start-up:"), leaveOthers_);
    form->addRow(text("Applying:"), selectAll_);
    form->addRow(QString(), preserve_);
    form->addRow(text("Keystroke delay:"), delayRow);
    form->addRow(text("Diagnostics:"), develop_);
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
