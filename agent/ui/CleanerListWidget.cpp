#include "agent/ui/CleanerListWidget.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLinearGradient>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "platform/linux/QtMenuRenderer.h"
#include "platform/workspace/Localization.h"

using platform::localized;

namespace {

// Where the hover outline and the selection sit inside a row, and their corner radius.
constexpr qreal kHighlightInsetX = 10;
constexpr qreal kHoverInsetY = 2;
constexpr qreal kSelectionInsetY = 1;
constexpr qreal kHighlightRadius = 6;
// Room between the row's edge and the button's content, and between colour box and title.
constexpr qreal kContentInsetX = 16;
constexpr qreal kBoxGap = 6;

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

QColor qtColor(const platform::RgbColor& color) {
    return QColor(color.red, color.green, color.blue);
}

// The four-stop fade the OS's grid gradient has: clear, solid, solid, clear.
QLinearGradient fadedLine(const QPointF& from, const QPointF& to, QColor color) {
    QLinearGradient gradient(from, to);
    QColor clear = color;
    clear.setAlphaF(0);
    gradient.setColorAt(0.0, clear);
    gradient.setColorAt(0.35, color);
    gradient.setColorAt(0.65, color);
    gradient.setColorAt(1.0, clear);
    return gradient;
}

QFont entryFont(const PLCleanerListViewController& controller) {
    QFont font = QApplication::font();
    font.setPixelSize(static_cast<int>(std::lround(controller.entryFontSize())));
    return font;
}

// A row's height on screen: its own height and the table's spacing between rows.
int rowPixels(const PLCleanerListViewController& controller, int row) {
    return static_cast<int>(
        std::lround(controller.heightOfRow(row) + PLCleanerListViewController::kIntercellHeight));
}

// The table: below the last row, faded lines one row height apart keep the rows' rhythm down
// to the bottom of the view.
class Table : public QListView {
  public:
    Table(PLCleanerListViewController& controller, QWidget* parent)
        : QListView(parent), controller_(controller) {}

  protected:
    void paintEvent(QPaintEvent* event) override {
        QListView::paintEvent(event);
        const int step = static_cast<int>(std::lround(
            PLCleanerListViewController::rowHeightFor(controller_.activeDisplaySize())));
        const int rows = model() ? model()->rowCount() : 0;
        int y = rows > 0 ? visualRect(model()->index(rows - 1, 0)).bottom() + 1 + step : step;
        QPainter painter(viewport());
        QColor grid = palette().color(QPalette::Mid);
        grid.setAlphaF(0.35);
        const qreal width = viewport()->width();
        for (; y < viewport()->height(); y += step) {
            const QPointF from(0, y + 0.5), to(width, y + 0.5);
            painter.setPen(QPen(QBrush(fadedLine(from, to, grid)), 1));
            painter.drawLine(from, to);
        }
    }

  private:
    PLCleanerListViewController& controller_;
};

}  // namespace

// The rows of the controller, as Qt asks for them.
class CleanerListWidget::Model : public QAbstractListModel {
  public:
    explicit Model(PLCleanerListViewController& controller, QObject* parent)
        : QAbstractListModel(parent), controller_(controller) {}

    void reset() {
        beginResetModel();
        endResetModel();
    }

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : controller_.numberOfRows();
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid()) return {};
        switch (role) {
            case Qt::DisplayRole:
            case Qt::AccessibleTextRole: {
                const CleanerListRow row = controller_.rowDisplay(index.row());
                if (row.kind == CleanerListRowKind::separator)
                    return qs(localized("separator",
                                        "accessibility label of a separator row in the "
                                        "cleaner list"));
                return qs(row.title);
            }
            case Qt::ToolTipRole: {
                const std::string tip = controller_.toolTipForRow(index.row());
                return tip.empty() ? QVariant() : QVariant(qs(tip));
            }
            case Qt::SizeHintRole:
                return QSize(0, rowPixels(controller_, index.row()));
            default:
                return {};
        }
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        if (!index.isValid()) return Qt::NoItemFlags;
        return controller_.shouldSelectRow(index.row()) ? Qt::ItemIsEnabled | Qt::ItemIsSelectable
                                                        : Qt::ItemIsEnabled;
    }

  private:
    PLCleanerListViewController& controller_;
};

// Draws each row as the controller describes it.
class CleanerListWidget::Delegate : public QStyledItemDelegate {
  public:
    Delegate(PLCleanerListViewController& controller, QObject* parent)
        : QStyledItemDelegate(parent), controller_(controller) {}

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const override {
        return QSize(0, rowPixels(controller_, index.row()));
    }

    // The cleaner's button inside a row: what a click chooses.
    QRectF buttonRect(const QRect& rowRect, int row) const {
        const double height = controller_.rowDisplay(row).buttonHeight;
        const QRectF r(rowRect);
        return QRectF(r.left() + kHighlightInsetX, r.center().y() - height / 2,
                      r.width() - 2 * kHighlightInsetX, height);
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const CleanerListRow row = controller_.rowDisplay(index.row());
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        const QRectF rect(option.rect);
        const QPalette& palette = option.palette;
        switch (row.kind) {
            case CleanerListRowKind::separator:
                paintSeparator(painter, rect, palette);
                break;
            case CleanerListRowKind::label:
                paintLabel(painter, rect, palette, row);
                break;
            case CleanerListRowKind::cleaner:
                paintCleaner(painter, option, index.row(), row);
                break;
        }
        painter->restore();
    }

  private:
    static void paintSeparator(QPainter* painter, const QRectF& rect, const QPalette& palette) {
        const qreal inset = rect.width() * 0.05;
        const qreal y = std::floor(rect.center().y()) + 0.5;
        const QPointF from(rect.left() + inset, y), to(rect.right() - inset, y);
        QColor accent = palette.color(QPalette::Highlight);
        accent.setAlphaF(0.6);
        painter->setRenderHint(QPainter::Antialiasing, false);
        painter->setPen(QPen(QBrush(fadedLine(from, to, accent)), 1));
        painter->drawLine(from, to);
    }

    void paintLabel(QPainter* painter, const QRectF& rect, const QPalette& palette,
                    const CleanerListRow& row) const {
        QFont font = entryFont(controller_);
        font.setPixelSize(std::max(9, font.pixelSize() - 3));
        font.setWeight(QFont::DemiBold);
        painter->setFont(font);
        painter->setPen(palette.color(QPalette::PlaceholderText));
        const QRectF text = rect.adjusted(kContentInsetX - 4, 0, -kContentInsetX, 0);
        painter->drawText(
            text, Qt::AlignLeft | Qt::AlignBottom | Qt::TextSingleLine,
            QFontMetricsF(font).elidedText(qs(row.title), Qt::ElideRight, text.width()));
    }

    void paintCleaner(QPainter* painter, const QStyleOptionViewItem& option, int index,
                      const CleanerListRow& row) const {
        const QRectF rect(option.rect);
        const QPalette& palette = option.palette;
        const QColor accent = palette.color(QPalette::Highlight);
        if (option.state & QStyle::State_Selected) {
            QColor fill = accent;
            fill.setAlphaF(0.3);
            painter->setPen(Qt::NoPen);
            painter->setBrush(fill);
            painter->drawRoundedRect(rect.adjusted(kHighlightInsetX, kSelectionInsetY,
                                                   -kHighlightInsetX, -kSelectionInsetY),
                                     kHighlightRadius, kHighlightRadius);
        }
        if (controller_.hoverHighlight && row.canSelect &&
            (option.state & QStyle::State_MouseOver)) {
            painter->setPen(QPen(accent, 1));
            painter->setBrush(Qt::NoBrush);
            painter->drawRoundedRect(rect.adjusted(kHighlightInsetX + 0.5, kHoverInsetY + 0.5,
                                                   -kHighlightInsetX - 0.5, -kHoverInsetY - 0.5),
                                     kHighlightRadius, kHighlightRadius);
        }

        const QRectF button = buttonRect(option.rect, index);
        const QColor text = palette.color(QPalette::Text);
        qreal x = rect.left() + kContentInsetX;
        if (!row.colorBoxHidden) {
            // The colour box's view: a small tag, wider than the cap height it is high, plus
            // its 1-point inset.
            const qreal capHeight = controller_.entryFontCapHeight();
            const QRectF view(x, button.top(), std::max<qreal>(10, std::round(capHeight * 1.7)) + 2,
                              button.height());
            const QRectF inset = view.adjusted(1, 1, -1, -1);
            const qreal height = row.colorBoxHeight > 0 ? row.colorBoxHeight : inset.height();
            const QRectF box(inset.left(), view.center().y() - height / 2, inset.width(), height);
            painter->setPen(Qt::NoPen);
            painter->setBrush(row.colorBoxColor ? qtColor(*row.colorBoxColor) : text);
            switch (row.colorBoxShape) {
                case ShapeType::roundedrect:
                    painter->drawRoundedRect(box, row.colorBoxRadius, row.colorBoxRadius);
                    break;
                case ShapeType::oval:
                    painter->drawEllipse(box);
                    break;
                case ShapeType::rectangle:
                    painter->drawRect(box);
                    break;
            }
            x = view.right() + kBoxGap;
        }
        const QFont font = entryFont(controller_);
        painter->setFont(font);
        painter->setPen(row.titleColor ? qtColor(*row.titleColor) : text);
        const QRectF title(x, button.top(), rect.right() - kContentInsetX - x, button.height());
        painter->drawText(title, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          QFontMetricsF(font).elidedText(qs(row.title), Qt::ElideRight,
                                                         std::max<qreal>(0, title.width())));
    }

    PLCleanerListViewController& controller_;
};

CleanerListWidget::CleanerListWidget(PLCleanerListViewController& controller, QWidget* parent)
    : QWidget(parent), controller_(controller) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 4);
    layout->setSpacing(6);
    auto* top = new QHBoxLayout;
    top->setSpacing(6);

    searchField_ = new QLineEdit(this);
    searchField_->setPlaceholderText(
        qs(localized("Search", "placeholder of the search field in the status menu")));
    searchField_->setClearButtonEnabled(true);
    searchField_->installEventFilter(this);
    top->addWidget(searchField_, 1);

    listPopup_ = new QToolButton(this);
    listPopup_->setPopupMode(QToolButton::InstantPopup);
    listPopup_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    // Room for the pull-down arrow beside the title instead of over it.
    listPopup_->setStyleSheet(
        "QToolButton { padding: 2px 18px 2px 8px; }"
        "QToolButton::menu-indicator { subcontrol-origin: padding;"
        " subcontrol-position: right center; right: 5px; }");
    popupMenu_ = new QMenu(listPopup_);
    listPopup_->setMenu(popupMenu_);
    top->addWidget(listPopup_);
    layout->addLayout(top);

    table_ = new Table(controller_, this);
    table_->setAccessibleName(qs(localized("Cleaner List", "Cleaner List Table View")));
    table_->setFrameShape(QFrame::NoFrame);
    table_->setMouseTracking(true);
    table_->viewport()->setAttribute(Qt::WA_Hover);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    table_->setUniformItemSizes(false);
    table_->setAutoFillBackground(false);
    table_->viewport()->setAutoFillBackground(false);
    table_->installEventFilter(this);
    table_->viewport()->installEventFilter(this);
    model_ = new Model(controller_, this);
    delegate_ = new Delegate(controller_, this);
    table_->setModel(model_);
    table_->setItemDelegate(delegate_);
    layout->addWidget(table_, 1);

    connect(searchField_, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!settingText_) controller_.searchTextDidChange(text.toStdString());
    });
    connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!applyingSelection_)
                    controller_.tableSelectionDidChange(current.isValid() ? current.row() : -1);
            });

    controller_.setView(this);
    if (!controller_.hasCapHeightSource()) controller_.setCapHeightSource(qtCapHeightSource());
    if (!controller_.isViewLoaded()) controller_.viewDidLoad();
    reloadTable();
    setSearchText(controller_.lastFilter());
    popupMenuChanged();
    setPopupHidden(controller_.listPopupHidden());
}

CleanerListWidget::~CleanerListWidget() {
    if (controller_.view() == this) controller_.setView(nullptr);
}

void CleanerListWidget::reloadTable() {
    table_->setFont(entryFont(controller_));
    applyingSelection_ = true;
    model_->reset();
    applyingSelection_ = false;
}

void CleanerListWidget::setSearchText(const std::string& text) {
    const QString value = qs(text);
    if (searchField_->text() == value) return;
    settingText_ = true;
    searchField_->setText(value);
    settingText_ = false;
}

bool CleanerListWidget::focusSearchField() {
    searchField_->setFocus(Qt::OtherFocusReason);
    return true;
}

void CleanerListWidget::focusTable() {
    table_->setFocus(Qt::OtherFocusReason);
}

void CleanerListWidget::selectRow(int row) {
    applyingSelection_ = true;
    const QModelIndex index = model_->index(row, 0);
    if (index.isValid()) {
        // Set directly: the controller may select a row (a label) that clicks cannot.
        table_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        table_->scrollTo(index);
    } else {
        table_->selectionModel()->clear();
    }
    applyingSelection_ = false;
}

void CleanerListWidget::deselectAll() {
    applyingSelection_ = true;
    table_->selectionModel()->clear();
    applyingSelection_ = false;
}

void CleanerListWidget::setPopupHidden(bool hidden) {
    listPopup_->setHidden(hidden);
}

void CleanerListWidget::popupMenuChanged() {
    const platform::Menu& menu = controller_.listPopupMenu();
    const platform::MenuItem* title = menu.itemAt(0);
    listPopup_->setText(title ? qs(title->title) : QString());
    listPopup_->setShortcut(platform::keySequenceForKeyEquivalent(
        controller_.listPopupKeyEquivalent(), controller_.listPopupKeyEquivalentModifierMask()));
    // Later: the change may come from an action of the menu being rendered, whose QAction must
    // outlive its own signal.
    QTimer::singleShot(0, this, [this] { renderPopupMenu(); });
}

void CleanerListWidget::renderPopupMenu() {
    // A copy without the title item: a pull-down shows item 0 only as its button's title.
    auto rendered = std::make_shared<platform::Menu>(controller_.listPopupMenu());
    if (rendered->numberOfItems() > 0) rendered->removeItemAt(0);
    platform::renderMenu(*rendered, *popupMenu_);
    // The rendered actions point into this copy: it lives as long as they do.
    renderedMenu_ = std::move(rendered);
}

void CleanerListWidget::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    controller_.viewWillAppear();
}

bool CleanerListWidget::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == searchField_) return searchKey(key);
        if (watched == table_) return tableKey(key);
    }
    if (watched == table_->viewport() && (event->type() == QEvent::MouseButtonRelease ||
                                          event->type() == QEvent::MouseButtonDblClick)) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) return false;
        const QModelIndex index = table_->indexAt(mouse->position().toPoint());
        const int row = index.isValid() ? index.row() : -1;
        const bool onButton =
            index.isValid() && controller_.rowDisplay(row).kind == CleanerListRowKind::cleaner &&
            delegate_->buttonRect(table_->visualRect(index), row).contains(mouse->position());
        if (event->type() == QEvent::MouseButtonRelease) {
            // The release that ends a double click is not another click on the button.
            const bool second = afterDoubleClick_;
            afterDoubleClick_ = false;
            if (onButton && !second) controller_.applyCleanerButton(row);
            return false;
        }
        // The button took the first click; a double click elsewhere is the table's.
        afterDoubleClick_ = true;
        if (!onButton) controller_.performDoubleAction(row);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool CleanerListWidget::searchKey(QKeyEvent* event) {
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    if (event->key() == Qt::Key_Down) return controller_.doCommandBySelector("moveDown:");
    if (event->key() == Qt::Key_Tab) return controller_.doCommandBySelector("insertTab:");
    return false;
}

bool CleanerListWidget::tableKey(QKeyEvent* event) {
    if (controller_.selectedRow() >= 0) {
        int keyCode = -1;
        switch (event->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                keyCode = 36;
                break;
            case Qt::Key_Escape:
                keyCode = 53;
                break;
            case Qt::Key_Up:
                keyCode = 126;
                break;
            default:
                break;
        }
        if (auto command = cleanerListCommandForKeyCode(keyCode))
            if (controller_.tableViewProcessCommand(*command)) return true;
    }
    // The table's own arrows: step over rows that cannot be selected.
    if (event->key() != Qt::Key_Up && event->key() != Qt::Key_Down) return false;
    const int step = event->key() == Qt::Key_Up ? -1 : 1;
    int row = controller_.selectedRow();
    if (row < 0) row = step > 0 ? -1 : controller_.numberOfRows();
    for (row += step; row >= 0 && row < controller_.numberOfRows(); row += step) {
        if (!controller_.shouldSelectRow(row)) continue;
        const QModelIndex index = model_->index(row, 0);
        table_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        table_->scrollTo(index);
        break;
    }
    return true;
}

PLCleanerListViewController::CapHeightSource qtCapHeightSource() {
    return [](double pointSize) {
        QFont font = QApplication::font();
        font.setPixelSize(static_cast<int>(std::lround(pointSize)));
        return QFontMetricsF(font).capHeight();
    };
}
