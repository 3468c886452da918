#include "agent/prefs/UpdatesPrefsView.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "agent/help/WebViewController.h"
#include "platform/core/Url.h"
#include "platform/input/ModifierFlags.h"
#include "platform/workspace/Localization.h"

using platform::localized;

UpdatesPrefsView::UpdatesPrefsView(PLAgentPrefsUpdatesController& pane,
                                   platform::Workspace& workspace, QWidget* parent)
    : QWidget(parent), pane_(pane) {
    setObjectName("updates");
    auto* check = new QPushButton(
        QString::fromStdString(localized("Check for Updates", "Updates pref")), this);
    auto* hint =
        new QLabel(QString::fromStdString(localized(
                       "Hold Alt while clicking to include beta releases.", "Updates pref")),
                   this);
    hint->setEnabled(false);
    auto* title =
        new QLabel(QString::fromStdString(localized("Release Notes", "Updates pref")), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);

    notes_ = new WebViewController(workspace, this);
    notes_->setObjectName("notesContainer");
    notes_->setMinimumSize(480, 260);
    if (auto page = pane_.releaseNotesPage())
        notes_->setUrl(platform::Url::fileURLWithPath(page->string()));

    auto* row = new QHBoxLayout;
    row->addWidget(check);
    row->addWidget(hint);
    row->addStretch();
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(24, 20, 24, 20);
    column->setSpacing(10);
    column->addLayout(row);
    column->addWidget(title);
    column->addWidget(notes_, 1);

    connect(check, &QPushButton::clicked, this, [this] {
        // Alt is the desktop's Option.
        const bool alt = QGuiApplication::queryKeyboardModifiers() & Qt::AltModifier;
        pane_.checkForUpdates(alt ? platform::ModifierFlags::option : 0);
    });
}
