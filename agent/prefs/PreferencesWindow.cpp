#include "agent/prefs/PreferencesWindow.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QStackedWidget>
#include <QToolBar>

#include "platform/input/ModifierFlags.h"
#include "platform/linux/QtScreenCoordinates.h"

using namespace platform;

namespace {

// The desktop icon theme's names for the system symbols the panes ask for.
const std::map<std::string, std::vector<const char*>>& themeNames() {
    static const std::map<std::string, std::vector<const char*>> names = {
        {"gearshape", {"preferences-system", "configure"}},
        {"keyboard", {"input-keyboard", "preferences-desktop-keyboard"}},
        {"gearshape.2", {"preferences-other", "preferences-system-advanced"}},
        {"hammer.fill", {"applications-development", "tools"}},
        {"info.circle", {"help-about", "dialog-information"}},
        {"doc.plaintext", {"text-x-generic", "document-new"}},
    };
    return names;
}

// Neither a themed icon nor a bundle image: the label's first letter, so no item goes blank.
QIcon letterIcon(const std::string& label) {
    QPixmap pixmap(44, 44);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(90, 110, 140));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(2, 2, 40, 40), 9, 9);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(24);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(pixmap.rect(), Qt::AlignCenter,
                     QString::fromStdString(label).left(1).toUpper());
    return QIcon(pixmap);
}

uint64_t flagsFrom(Qt::KeyboardModifiers modifiers) {
    uint64_t flags = 0;
    if (modifiers & Qt::ShiftModifier) flags |= ModifierFlags::shift;
    if (modifiers & Qt::ControlModifier) flags |= ModifierFlags::control;
    if (modifiers & Qt::AltModifier) flags |= ModifierFlags::option;
    if (modifiers & Qt::MetaModifier) flags |= ModifierFlags::command;
    return flags;
}

QRect primary() {
    return primaryScreenGeometry().value_or(QRect(0, 0, 1920, 1080));
}

}  // namespace

PreferencesWindow::PreferencesWindow(PLPreferencesController& controller, const Bundle* bundle)
    : controller_(controller),
      bundle_(bundle),
      toolbar_(new QToolBar(this)),
      stack_(new QStackedWidget(this)),
      empty_(new QWidget(stack_)),
      closeKey_(ModifierFlags::control) {
    setObjectName(PLPreferencesController::kWindowLayoutName);
    toolbar_->setMovable(false);
    toolbar_->setFloatable(false);
    toolbar_->setIconSize(QSize(22, 22));
    toolbar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolbar_->toggleViewAction()->setEnabled(false);
    addToolBar(Qt::TopToolBarArea, toolbar_);
    stack_->addWidget(empty_);
    setCentralWidget(stack_);
    setContextMenuPolicy(Qt::NoContextMenu);
    // A settings window is sized by its pane: no maximise button.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMinimizeButtonHint);
}

PreferencesWindow::~PreferencesWindow() = default;

PLPreferencesController::WindowMaker PreferencesWindow::maker(const Bundle* bundle) {
    return [bundle](PLPreferencesController& controller) {
        return std::make_unique<PreferencesWindow>(controller, bundle);
    };
}

QIcon PreferencesWindow::iconFor(const PLPrefsToolbarItem& item) const {
    if (item.imageName11) {
        auto names = themeNames().find(*item.imageName11);
        if (names != themeNames().end())
            for (const char* name : names->second)
                if (QIcon::hasThemeIcon(name)) return QIcon::fromTheme(name);
    }
    if (bundle_) {
        if (auto path = bundle_->pathForResource(item.imageName, "png")) {
            QIcon icon(QString::fromStdString(path->string()));
            if (!icon.isNull()) return icon;
        }
    }
    return letterIcon(item.label);
}

void PreferencesWindow::setToolbar(const std::string& toolbarIdentifier,
                                   const std::vector<PLPrefsToolbarItem>& items) {
    toolbar_->clear();
    toolbar_->setObjectName(QString::fromStdString(toolbarIdentifier));
    delete actions_;
    actions_ = new QActionGroup(this);
    actions_->setExclusive(true);
    for (const PLPrefsToolbarItem& item : items) {
        QAction* action = toolbar_->addAction(iconFor(item), QString::fromStdString(item.label));
        action->setCheckable(true);
        action->setData(QString::fromStdString(item.identifier));
        action->setObjectName(QString::fromStdString(item.identifier));
        actions_->addAction(action);
        // A focus frame on the first item would read as a second selection.
        if (QWidget* button = toolbar_->widgetForAction(action))
            button->setFocusPolicy(Qt::NoFocus);
        const std::string id = item.identifier;
        connect(action, &QAction::triggered, this,
                [this, id] { controller_.toolbarItemDidClick(id); });
    }
}

void PreferencesWindow::setSelectedToolbarItem(const std::string& identifier) {
    if (!actions_) return;
    for (QAction* action : actions_->actions())
        action->setChecked(action->data().toString().toStdString() == identifier);
}

std::string PreferencesWindow::title() const {
    return windowTitle().toStdString();
}

void PreferencesWindow::setTitle(const std::string& title) {
    setWindowTitle(QString::fromStdString(title));
}

int PreferencesWindow::toolbarHeight() const {
    return toolbar_->isHidden() ? 0 : toolbar_->sizeHint().height();
}

Rect PreferencesWindow::frame() const {
    return screenRectFromQt(frameGeometry(), primary());
}

Size PreferencesWindow::contentSize() const {
    return {static_cast<double>(geometry().width()),
            static_cast<double>(geometry().height() - toolbarHeight())};
}

void PreferencesWindow::setFrame(const Rect& frame, bool /*animate*/) {
    // The window manager's decoration is outside geometry(): take it off the frame.
    const QRect outer = frameGeometry();
    const QRect inner = geometry();
    const int extraWidth = outer.width() - inner.width();
    const int extraHeight = outer.height() - inner.height();
    const QPoint topLeft = qtPointFromScreen(Point{frame.origin.x, frame.maxY()}, primary());
    const QSize client(static_cast<int>(frame.size.width) - extraWidth,
                       static_cast<int>(frame.size.height) - extraHeight);
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    resize(client);
    move(topLeft);
}

void PreferencesWindow::showOnly(QWidget* current) {
    // Only the shown view may count towards the window's size, or it could never shrink.
    for (int i = 0; i < stack_->count(); ++i) {
        QWidget* page = stack_->widget(i);
        page->setSizePolicy(page == current ? QSizePolicy::Preferred : QSizePolicy::Ignored,
                            page == current ? QSizePolicy::Preferred : QSizePolicy::Ignored);
    }
    stack_->setCurrentWidget(current);
}

void PreferencesWindow::showEmptyContent() {
    showOnly(empty_);
}

QWidget* PreferencesWindow::view(PLPrefsViewController& pane) {
    auto it = views_.find(&pane);
    if (it != views_.end()) return it->second;
    QWidget* made = pane.makeView(stack_);
    if (!made) made = new QWidget(stack_);
    made->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    stack_->addWidget(made);
    views_[&pane] = made;
    return made;
}

QWidget* PreferencesWindow::viewFor(PLPrefsViewController& pane) const {
    auto it = views_.find(&pane);
    return it == views_.end() ? nullptr : it->second;
}

Size PreferencesWindow::paneViewSize(PLPrefsViewController& pane) {
    QWidget* v = view(pane);
    const QSize hint = v->sizeHint()
                           .expandedTo(v->minimumSizeHint())
                           .expandedTo(v->minimumSize())
                           .expandedTo(QSize(200, 80));
    // The toolbar needs its width whatever the pane.
    const int width = std::max(hint.width(), toolbar_->sizeHint().width());
    return {static_cast<double>(width), static_cast<double>(hint.height())};
}

void PreferencesWindow::showPane(PLPrefsViewController& pane) {
    showOnly(view(pane));
    const QSize size = this->size();
    if (!pane.hasResizeableWidth()) {
        setMinimumWidth(size.width());
        setMaximumWidth(size.width());
    }
    if (!pane.hasResizeableHeight()) {
        setMinimumHeight(size.height());
        setMaximumHeight(size.height());
    }
}

void PreferencesWindow::forgetPane(PLPrefsViewController& pane) {
    auto it = views_.find(&pane);
    if (it == views_.end()) return;
    QWidget* gone = it->second;
    views_.erase(it);
    stack_->removeWidget(gone);
    // Its signals may be on the stack right now (the click that changed the pane list).
    gone->deleteLater();
}

void PreferencesWindow::makeKeyAndOrderFront() {
    if (!placed_) {
        // First show: centred across the screen, near its top, so each pane grows downwards.
        placed_ = true;
        const QRect screen = primary();
        move(screen.left() + (screen.width() - frameGeometry().width()) / 2,
             screen.top() + screen.height() / 6);
    }
    show();
    raise();
    activateWindow();
}

void PreferencesWindow::orderOut() {
    hide();
}

void PreferencesWindow::closeEvent(QCloseEvent* event) {
    if (!controller_.windowShouldClose()) {
        event->ignore();
        return;
    }
    controller_.windowWillClose();
    event->accept();
}

void PreferencesWindow::keyPressEvent(QKeyEvent* event) {
    const std::string characters =
        event->key() == Qt::Key_W ? "w" : QString(event->text()).toLower().toStdString();
    if (closeKey_.performKeyEquivalent(flagsFrom(event->modifiers()), characters,
                                       [this] { close(); }))
        return;
    QMainWindow::keyPressEvent(event);
}
