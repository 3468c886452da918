#include "agent/prefs/ShortcutActionCellView.h"

#include <QHBoxLayout>
#include <QPushButton>

ShortcutActionCellView::ShortcutActionCellView(const Recorders& recorders, QWidget* parent)
    : QWidget(parent) {
    setObjectName(kIdentifier);
    labelButton = new QPushButton(this);
    labelButton->setObjectName("labelButton");
    // A borderless, left-aligned button, like an inline link to the editor.
    labelButton->setFlat(true);
    labelButton->setCursor(Qt::PointingHandCursor);
    labelButton->setStyleSheet("QPushButton { text-align: left; padding: 2px 6px; }");
    labelButton->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    actionShortcutView = new ShortcutView(*recorders.registry, *recorders.checks, *recorders.layout,
                                          *recorders.sounds, this);
    actionShortcutView->setObjectName("actionShortcutView");
    actionShortcutView->setFixedSize(actionShortcutView->sizeHint());

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 3, 8, 3);
    layout->setSpacing(12);
    layout->addWidget(labelButton, 1);
    layout->addWidget(actionShortcutView, 0, Qt::AlignVCenter);
}
