#include "agent/prefs/ShortcutActionEditorWidget.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "agent/prefs/ShortcutActionController.h"
#include "platform/workspace/Localization.h"

namespace {

QString toQt(const std::string& text) {
    return QString::fromStdString(text);
}

void renderPopup(const ShortcutActionController::Popup& popup, QComboBox& into) {
    const QSignalBlocker quiet(&into);
    into.clear();
    // Separators are items of the combo box too, so its indices are the model's.
    for (const auto& item : popup.menu.items()) {
        if (item.isSeparatorItem())
            into.insertSeparator(into.count());
        else
            into.addItem(toQt(item.title));
    }
    into.setEnabled(popup.enabled);
    into.setCurrentIndex(popup.selectedIndex ? static_cast<int>(*popup.selectedIndex) : -1);
}

}  // namespace

ShortcutActionEditorWidget::ShortcutActionEditorWidget(ShortcutActionController& controller,
                                                       QWidget* parent)
    : QFrame(parent, Qt::Popup), controller_(controller) {
    setObjectName(toQt(controller.nibName()));
    // A popover stands out from the pane it covers.
    setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    setAutoFillBackground(true);
    // A click outside only closes the popover.
    setAttribute(Qt::WA_NoMouseReplay);
    auto* form = new QFormLayout(this);
    form->setContentsMargins(14, 12, 14, 12);
    form->setHorizontalSpacing(10);
    form->setVerticalSpacing(8);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    if (controller.type == ActionType::cleantext) {
        cleanerItemsFilter_ = new QLineEdit(this);
        cleanerItemsFilter_->setObjectName("cleanerItemsFilter");
        cleanerItemsFilter_->setClearButtonEnabled(true);
        cleanerItemsFilter_->setPlaceholderText(
            toQt(platform::localized("Filter", "Placeholder of the cleaner filter field")));
        cleanerItemsPopup_ = new QComboBox(this);
        cleanerItemsPopup_->setObjectName("cleanerItemsPopup");
        cleanerItemsPopup_->setMinimumWidth(240);
        form->addRow(new QLabel(toQt(
                         platform::localized("Apply Cleaner", "Apply Cleaner action title") + ":")),
                     cleanerItemsPopup_);
        form->addRow(QString(), cleanerItemsFilter_);
        connect(cleanerItemsFilter_, &QLineEdit::textChanged, this, [this](const QString& text) {
            controller_.controlTextDidChange(text.toStdString());
            renderPopup(controller_.cleanerItemsPopup, *cleanerItemsPopup_);
        });
        connect(cleanerItemsPopup_, &QComboBox::activated, this,
                [this](int index) { controller_.selectCleaner(static_cast<size_t>(index)); });
    } else {
        groupItemsPopup_ = new QComboBox(this);
        groupItemsPopup_->setObjectName("groupItemsPopup");
        groupItemsPopup_->setMinimumWidth(240);
        form->addRow(
            new QLabel(toQt(platform::localized("Show Group", "Show Group action title") + ":")),
            groupItemsPopup_);
        connect(groupItemsPopup_, &QComboBox::activated, this,
                [this](int index) { controller_.selectGroup(static_cast<size_t>(index)); });
    }
}

void ShortcutActionEditorWidget::refresh() {
    if (cleanerItemsFilter_) {
        const QSignalBlocker quiet(cleanerItemsFilter_);
        // The field shows what the controller filters by (kept between openings).
        if (cleanerItemsFilter_->text().toLower().toStdString() != controller_.filterText)
            cleanerItemsFilter_->setText(toQt(controller_.filterText));
    }
    if (cleanerItemsPopup_) renderPopup(controller_.cleanerItemsPopup, *cleanerItemsPopup_);
    if (groupItemsPopup_) renderPopup(controller_.groupItemsPopup, *groupItemsPopup_);
}

void ShortcutActionEditorWidget::popUp(const QPoint& anchor) {
    refresh();
    adjustSize();
    move(anchor);
    show();
    if (cleanerItemsFilter_)
        cleanerItemsFilter_->setFocus();
    else if (groupItemsPopup_)
        groupItemsPopup_->setFocus();
}

void ShortcutActionEditorWidget::hideEvent(QHideEvent* event) {
    QFrame::hideEvent(event);
    if (closed) closed();
}
