#include "platform/linux/QtStatusItem.h"

#include <QCursor>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QScreen>

#include "platform/linux/QtMenuRenderer.h"
#include "platform/linux/QtScreenCoordinates.h"

namespace platform {

namespace {

// The OS's status images are templates: only their shape counts, drawn in the colour of the
// bar's text. Here that is the text colour of the application's palette.
QPixmap templatePixmap(const std::filesystem::path& file, qreal ratio) {
    QImage image(QString::fromStdString(file.string()));
    if (image.isNull()) return {};
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    {
        QPainter painter(&image);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(image.rect(), QGuiApplication::palette().color(QPalette::WindowText));
    }
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

// A button without an image still takes its place in the tray, as on the OS.
QIcon blankIcon() {
    QPixmap blank(18, 18);
    blank.fill(Qt::transparent);
    return QIcon(blank);
}

StatusItemButton::Press pressFor(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        // The second press of a quick double click comes as a double click.
        case QSystemTrayIcon::Trigger:
        case QSystemTrayIcon::DoubleClick:
            return StatusItemButton::Press::left;
        case QSystemTrayIcon::Context:
            return StatusItemButton::Press::right;
        default:
            return StatusItemButton::Press::other;
    }
}

}  // namespace

QtStatusItem::QtStatusItem(QtStatusBar::ResourceLookup resources)
    : resources_(std::move(resources)),
      context_(std::make_unique<QObject>()),
      tray_(std::make_unique<QSystemTrayIcon>()) {
    tray_->setIcon(blankIcon());
    // Queued: the tray's own event handler is over before an action may remove the icon.
    QObject::connect(
        tray_.get(), &QSystemTrayIcon::activated, context_.get(),
        [this](QSystemTrayIcon::ActivationReason reason) { pressed(reason); },
        Qt::QueuedConnection);
    tray_->show();
}

QtStatusItem::~QtStatusItem() {
    closeMenu();
    // An item of the menu may be what destroys the status item: the menu goes once that is over.
    if (menu_ && *performing_ > 0)
        menu_->deleteLater();
    else
        delete menu_.data();
    tray_.reset();
    context_.reset();
}

bool QtStatusItem::setImage(const std::string& imageName) {
    QIcon icon;
    if (const auto file = resources_ ? resources_(imageName + ".png") : std::nullopt)
        icon.addPixmap(templatePixmap(*file, 1));
    if (!icon.isNull()) {
        if (const auto file = resources_(imageName + "@2x.png")) {
            const QPixmap large = templatePixmap(*file, 2);
            if (!large.isNull()) icon.addPixmap(large);
        }
    }
    hasImage_ = !icon.isNull();
    tray_->setIcon(hasImage_ ? icon : blankIcon());
    return hasImage_;
}

void QtStatusItem::setAction(std::function<void()> action) {
    button_.setAction(std::move(action));
}

void QtStatusItem::setMenu(Menu* menu, std::function<void()> menuNeedsUpdate) {
    // An open menu shows the items of the old model: it must not outlive it.
    if (menu != button_.menu()) closeMenu();
    button_.setMenu(menu, std::move(menuNeedsUpdate));
}

std::optional<Rect> QtStatusItem::buttonFrame() const {
    const QRect frame = tray_->geometry();
    const auto primary = primaryScreenGeometry();
    if (frame.isEmpty() || !primary) return std::nullopt;
    return screenRectFromQt(frame, *primary);
}

QMenu* QtStatusItem::openMenu() const {
    return menu_ && menu_->isVisible() ? menu_.data() : nullptr;
}

void QtStatusItem::pressed(QSystemTrayIcon::ActivationReason reason) {
    // The action may destroy this item: only the returned menu is used afterwards.
    if (Menu* menu = button_.press(pressFor(reason))) showMenu(*menu);
}

void QtStatusItem::showMenu(Menu& menu) {
    if (!menu_) menu_ = new QMenu;
    menu_->hide();
    renderMenu(menu, *menu_, [performing = performing_](MenuItem& item) {
        // Counted through a shared count, as the item's action may destroy this status item.
        ++*performing;
        item.perform();
        --*performing;
    });
    const QSize size = menu_->sizeHint();
    const QRect icon = tray_->geometry();
    QPoint at = QCursor::pos();
    if (!icon.isEmpty()) {
        // Below the icon in a bar at the top, above it in a panel at the bottom.
        QScreen* screen = QGuiApplication::screenAt(icon.center());
        if (!screen) screen = QGuiApplication::primaryScreen();
        const QRect area = screen ? screen->availableGeometry() : QRect();
        const bool fitsBelow = area.isEmpty() || icon.bottom() + size.height() <= area.bottom();
        at = fitsBelow ? QPoint(icon.left(), icon.bottom() + 1)
                       : QPoint(icon.left(), icon.top() - size.height());
    }
    menu_->popup(at);
}

void QtStatusItem::closeMenu() {
    if (menu_ && menu_->isVisible()) menu_->hide();
}

}  // namespace platform
