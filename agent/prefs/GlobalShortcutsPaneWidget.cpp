#include "agent/prefs/GlobalShortcutsPaneWidget.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "agent/prefs/ShortcutActionEditorWidget.h"
#include "platform/linux/QtMenuRenderer.h"

namespace {

QString toQt(const std::string& text) {
    return QString::fromStdString(text);
}

QToolButton* squareButton(const QString& text, const QString& name, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setObjectName(name);
    button->setFixedSize(26, 22);
    return button;
}

}  // namespace

GlobalShortcutsPaneWidget::GlobalShortcutsPaneWidget(PLPrefsGlobalShortcutsController& pane,
                                                     ShortcutActionCellView::Recorders recorders,
                                                     QWidget* parent)
    : QWidget(parent), pane_(pane), paneLifetime_(pane.lifetime()), recorders_(recorders) {
    setObjectName("hotkeys");
    table_ = new QListWidget(this);
    table_->setObjectName("shortcutsTableView");
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setAlternatingRowColors(true);
    table_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(table_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const int row = table_->indexAt(at).row();
        if (row < 0) return;
        if (auto menu = rowMenu(row); menu && !menu->isEmpty())
            menu->exec(table_->viewport()->mapToGlobal(at));
    });

    addButton_ = squareButton("+", "addButton", this);
    removeButton_ = squareButton("\u2212", "removeButton", this);
    connect(addButton_, &QToolButton::clicked, this, [this] { pane_.addShortcutAction(); });
    connect(removeButton_, &QToolButton::clicked, this, [this] { pane_.removeShortcutAction(); });

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(0);
    buttons->addWidget(addButton_);
    buttons->addWidget(removeButton_);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(6);
    if (pane_.showsDesktopBindings()) {
        explanation_ = new QLabel(toQt(pane_.desktopBindingsExplanation()), this);
        explanation_->setObjectName("desktopBindingsExplanation");
        explanation_->setWordWrap(true);
        layout->addWidget(explanation_);
    }
    layout->addWidget(table_, 1);
    layout->addLayout(buttons);

    pane_.setView(this);
    reloadTable();
}

GlobalShortcutsPaneWidget::~GlobalShortcutsPaneWidget() {
    // Hiding the editors while they are destroyed would report to the pane.
    for (auto* editor : {cleanerEditor_, groupEditor_})
        if (editor) editor->closed = nullptr;
    if (!paneLifetime_.expired() && pane_.view() == this) pane_.setView(nullptr);
}

void GlobalShortcutsPaneWidget::install(PLPrefsGlobalShortcutsController& pane,
                                        ShortcutActionCellView::Recorders recorders) {
    pane.setViewMaker([&pane, recorders](QWidget* parent) {
        return new GlobalShortcutsPaneWidget(pane, recorders, parent);
    });
}

std::shared_ptr<PLPrefsGlobalShortcutsController> GlobalShortcutsPaneWidget::makePane(
    PLPrefsGlobalShortcutsController::Collaborators collaborators,
    ShortcutActionCellView::Recorders recorders) {
    auto pane = std::make_shared<PLPrefsGlobalShortcutsController>(collaborators);
    install(*pane, recorders);
    return pane;
}

ShortcutActionCellView* GlobalShortcutsPaneWidget::cellAt(int row) const {
    QListWidgetItem* item = table_->item(row);
    return item ? dynamic_cast<ShortcutActionCellView*>(table_->itemWidget(item)) : nullptr;
}

QWidget* GlobalShortcutsPaneWidget::bindingRowAt(int row) const {
    QListWidgetItem* item = table_->item(row);
    QWidget* widget = item ? table_->itemWidget(item) : nullptr;
    return widget && widget->objectName() == "bindingRow" ? widget : nullptr;
}

QWidget* GlobalShortcutsPaneWidget::makeBindingRow(int row) {
    const auto cell = pane_.cellForRow(row);
    auto* view = new QWidget;
    view->setObjectName("bindingRow");
    auto* label = new QPushButton(toQt(cell.label), view);
    label->setObjectName("labelButton");
    label->setFlat(true);
    connect(label, &QPushButton::clicked, this, [this, row] { pane_.changeHotKeyAction(row); });
    auto* command = new QLineEdit(toQt(cell.command), view);
    command->setObjectName("commandLine");
    command->setReadOnly(true);
    command->setEnabled(cell.hasCommand);
    command->setCursorPosition(0);
    // The command has a line of its own, so the whole of it shows.
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(4, 2, 4, 4);
    layout->setSpacing(2);
    auto* top = new QHBoxLayout;
    top->addWidget(label);
    top->addStretch(1);
    if (cell.hasCommand && pane_.canInstallBinding()) {
        auto* install = new QPushButton(toQt(pane_.installBindingTitle()), view);
        install->setObjectName("installBinding");
        connect(install, &QPushButton::clicked, this, [this, row] {
            if (!paneLifetime_.expired()) pane_.installBinding(row);
        });
        top->addWidget(install);
    }
    layout->addLayout(top);
    layout->addWidget(command);
    return view;
}

ShortcutActionEditorWidget* GlobalShortcutsPaneWidget::editorWidget(
    const ShortcutActionController& editor) const {
    return &editor == &pane_.showGroupsActionController ? groupEditor_ : cleanerEditor_;
}

std::unique_ptr<QMenu> GlobalShortcutsPaneWidget::rowMenu(int row) {
    auto menu = std::make_unique<QMenu>(this);
    using Edge = PLPrefsGlobalShortcutsController::RowActionEdge;
    for (auto& action : pane_.rowActions(row, Edge::trailing)) {
        QAction* item = menu->addAction(toQt(action.title));
        connect(item, &QAction::triggered, this, [perform = action.perform] { perform(); });
    }
    return menu;
}

void GlobalShortcutsPaneWidget::reloadTable() {
    const int selected = table_->currentRow();
    table_->clear();
    for (int row = 0; row < pane_.numberOfRows(); ++row) {
        if (pane_.showsDesktopBindings()) {
            QWidget* view = makeBindingRow(row);
            auto* item = new QListWidgetItem(table_);
            item->setSizeHint(view->sizeHint());
            table_->setItemWidget(item, view);
            continue;
        }
        const auto cell = pane_.cellForRow(row);
        auto* view = new ShortcutActionCellView(recorders_);
        view->labelButton->setText(toQt(cell.label));
        view->labelButton->setToolTip(toQt(cell.label));
        ShortcutView* recorder = view->actionShortcutView;
        recorder->item = cell.item;
        recorder->recorder().shortcutValueChange = nullptr;
        recorder->recorder().setShortcutValue(cell.shortcut);
        recorder->recorder().shortcutValueChange = [this, recorder](ShortcutRecorder& changed) {
            if (!paneLifetime_.expired())
                pane_.shortcutValueChanged(recorder->item, changed.shortcutValue());
        };
        connect(view->labelButton, &QPushButton::clicked, this, [this, view] {
            for (int r = 0; r < table_->count(); ++r)
                if (cellAt(r) == view) pane_.changeHotKeyAction(r);
        });
        auto* item = new QListWidgetItem(table_);
        item->setSizeHint(view->sizeHint());
        table_->setItemWidget(item, view);
    }
    if (selected >= 0 && selected < table_->count()) table_->setCurrentRow(selected);
}

std::optional<int> GlobalShortcutsPaneWidget::selectedRow() const {
    const auto rows = table_->selectionModel()->selectedRows();
    if (rows.isEmpty()) return std::nullopt;
    return rows.front().row();
}

void GlobalShortcutsPaneWidget::popUpAddMenu(platform::Menu& menu) {
    QMenu popup(this);
    platform::renderMenu(menu, popup);
    popup.exec(addButton_->mapToGlobal(QPoint(0, addButton_->height())));
}

void GlobalShortcutsPaneWidget::presentActionEditor(ShortcutActionController& editor, int row) {
    ShortcutActionEditorWidget*& widget =
        &editor == &pane_.showGroupsActionController ? groupEditor_ : cleanerEditor_;
    if (!widget) {
        widget = new ShortcutActionEditorWidget(editor, this);
        widget->closed = [this] {
            if (!paneLifetime_.expired()) pane_.actionEditorDidClose();
        };
    }
    ShortcutActionCellView* cell = cellAt(row);
    const QWidget* anchor = cell ? static_cast<QWidget*>(cell->labelButton) : table_;
    widget->popUp(anchor->mapToGlobal(QPoint(0, anchor->height())));
}

void GlobalShortcutsPaneWidget::dismissActionEditor() {
    for (auto* editor : {cleanerEditor_, groupEditor_})
        if (editor && editor->isVisible()) editor->hide();
}
