#include "agent/prefs/DevelopPrefsView.h"

#include <QCheckBox>
#include <QLabel>
#include <QVBoxLayout>

#include "platform/workspace/Localization.h"

DevelopPrefsView::DevelopPrefsView(PLAgentPrefsDevelopController& pane, QWidget* parent)
    : QWidget(parent) {
    setObjectName("develop");
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(24, 20, 24, 20);
    column->setSpacing(10);
    for (const auto& item : PLAgentPrefsDevelopController::switches()) {
        auto* box = new QCheckBox(QString::fromStdString(item.title), this);
        box->setObjectName(QString::fromStdString(item.key));
        box->setChecked(pane.isOn(item.key));
        const std::string key = item.key;
        connect(box, &QCheckBox::toggled, this, [&pane, key](bool on) { pane.set(key, on); });
        column->addWidget(box);
    }
    auto* note = new QLabel(
        QString::fromStdString(platform::localized(
            "Toolbar images change the next time the preferences window opens.", "Develop pref")),
        this);
    note->setEnabled(false);
    column->addWidget(note);
    column->addStretch();
}
