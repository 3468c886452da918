#include "agent/surfaces/PickCleanerDialog.h"

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "agent/surfaces/PLPickCleaner.h"
#include "agent/ui/CleanerListWidget.h"
#include "platform/linux/QtWindowActivation.h"
#include "platform/workspace/Localization.h"

using platform::localized;

PickCleanerDialog::PickCleanerDialog(PLPickCleaner& pick)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowStaysOnTopHint),
      pick_(pick) {
    setObjectName("pickCleaner");
    setWindowTitle(
        QString::fromStdString(localized("Pick a Cleaner", "Pick cleaner window title")));
}

PickCleanerDialog::~PickCleanerDialog() = default;

bool PickCleanerDialog::loadWindow() {
    if (list_) return true;
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, 10, 10, 10);
    list_ = new CleanerListWidget(pick_.listController(), this);
    column->addWidget(list_, 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* cancel = buttons->addButton(
        QString::fromStdString(localized("Cancel", "Pick cleaner window button")),
        QDialogButtonBox::RejectRole);
    QPushButton* choose = buttons->addButton(
        QString::fromStdString(localized("Choose", "Pick cleaner window button")),
        QDialogButtonBox::AcceptRole);
    choose->setObjectName("choose");
    cancel->setObjectName("cancel");
    // Return reaches the dialog (the list ignores it) and chooses the selected row.
    choose->setDefault(true);
    connect(choose, &QPushButton::clicked, this, [this] { pick_.selectCleaner(); });
    connect(cancel, &QPushButton::clicked, this, [this] { pick_.cancel(); });
    column->addWidget(buttons);
    resize(340, 460);
    return true;
}

int PickCleanerDialog::runModal() {
    setWindowModality(Qt::ApplicationModal);
    show();
    // Each showing starts where the first one did: typing goes to the search field.
    list_->focusSearchField();
    platform::bringWindowToFront(*this);
    const int code = exec();
    hide();
    return code;
}

void PickCleanerDialog::stopModal(int code) {
    stopping_ = true;
    done(code);
    stopping_ = false;
}

void PickCleanerDialog::reject() {
    if (stopping_) return QDialog::reject();
    pick_.cancel();
}

void PickCleanerDialog::keyPressEvent(QKeyEvent* event) {
    // Command-W of the OS is Control-W here.
    const uint64_t flags =
        (event->modifiers() & Qt::ControlModifier) ? platform::ModifierFlags::control : 0;
    const std::string characters = event->key() == Qt::Key_W ? "w" : "";
    if (!characters.empty() &&
        closeRule_.performKeyEquivalent(flags, characters, [this] { close(); }))
        return;
    QDialog::keyPressEvent(event);
}
