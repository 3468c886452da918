#include "agent/ui/GroupListWidget.h"

#include <QLabel>
#include <QLinearGradient>
#include <QListWidget>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <cmath>

namespace {

constexpr int kSeparatorHeight = 10;
constexpr int kTextInset = 6;

// Separator entries are a faded line; group names are drawn as usual.
class SidebarDelegate : public QStyledItemDelegate {
  public:
    SidebarDelegate(GroupListViewController& controller, QObject* parent)
        : QStyledItemDelegate(parent), controller_(controller) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        if (controller_.isSeparatorRow(index.row())) return QSize(0, kSeparatorHeight);
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(size.height(), 22));
        return size;
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        if (!controller_.isSeparatorRow(index.row())) {
            // Names inset like the header; the selection still spans the whole row.
            if (option.state & QStyle::State_Selected)
                painter->fillRect(option.rect, option.palette.brush(QPalette::Highlight));
            QStyleOptionViewItem inset(option);
            inset.rect.adjust(kTextInset, 0, 0, 0);
            QStyledItemDelegate::paint(painter, inset, index);
            return;
        }
        const QRectF rect(option.rect);
        const qreal inset = rect.width() * 0.05;
        const qreal y = std::floor(rect.center().y()) + 0.5;
        QLinearGradient gradient(QPointF(rect.left() + inset, y), QPointF(rect.right() - inset, y));
        QColor color = option.palette.color(QPalette::Highlight);
        color.setAlphaF(0.6);
        QColor clear = color;
        clear.setAlphaF(0);
        gradient.setColorAt(0, clear);
        gradient.setColorAt(0.35, color);
        gradient.setColorAt(0.65, color);
        gradient.setColorAt(1, clear);
        painter->save();
        painter->setPen(QPen(QBrush(gradient), 1));
        painter->drawLine(QPointF(rect.left() + inset, y), QPointF(rect.right() - inset, y));
        painter->restore();
    }

  private:
    GroupListViewController& controller_;
};

}  // namespace

GroupListWidget::GroupListWidget(GroupListViewController& controller, QWidget* parent)
    : QWidget(parent), controller_(controller) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 4);
    layout->setSpacing(2);
    header_ = new QLabel(this);
    header_->setContentsMargins(8, 0, 8, 0);
    QFont font = header_->font();
    font.setWeight(QFont::DemiBold);
    header_->setFont(font);
    header_->hide();
    layout->addWidget(header_);
    table_ = new QListWidget(this);
    table_->setFrameShape(QFrame::NoFrame);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table_->setItemDelegate(new SidebarDelegate(controller_, table_));
    // A sidebar: the window's background.
    table_->setStyleSheet(
        "QListWidget { background: transparent; }"
        "QListWidget::item { padding-left: 8px; }");
    layout->addWidget(table_, 1);

    connect(table_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!applyingSelection_) controller_.chooseRow(row);
    });

    controller_.setView(this);
    if (!controller_.isViewLoaded()) {
        controller_.viewDidLoad();
    } else {
        setHeader(controller_.headerVisible(), controller_.columnTitle());
        reloadTable();
        selectRow(controller_.selectedRow());
    }
}

GroupListWidget::~GroupListWidget() {
    if (controller_.view() == this) controller_.setView(nullptr);
}

void GroupListWidget::reloadTable() {
    applyingSelection_ = true;
    table_->clear();
    for (int row = 0; row < controller_.numberOfRows(); ++row) {
        auto* item = new QListWidgetItem(controller_.isSeparatorRow(row)
                                             ? QString()
                                             : QString::fromStdString(controller_.titleOfRow(row)),
                                         table_);
        if (!controller_.shouldSelectRow(row)) item->setFlags(Qt::NoItemFlags);
    }
    applyingSelection_ = false;
}

void GroupListWidget::selectRow(int row) {
    applyingSelection_ = true;
    if (row >= 0 && row < table_->count())
        table_->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    else
        table_->clearSelection();
    applyingSelection_ = false;
}

void GroupListWidget::setHeader(bool visible, const std::string& title) {
    header_->setText(QString::fromStdString(title));
    header_->setVisible(visible);
}
