#include "agent/help/DocWindowController.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QStyle>
#include <QTextBrowser>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <sstream>

#include "agent/help/NavigationPolicy.h"
#include "platform/workspace/Localization.h"

using namespace platform;

namespace {
QToolButton* toolButton(QStyle::StandardPixmap icon, const QString& tip, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setIcon(parent->style()->standardIcon(icon));
    b->setToolTip(tip);
    b->setAutoRaise(true);
    return b;
}
}  // namespace

DocWindowController::DocWindowController(Services services, NavDestinationConfig config,
                                         std::string autosaveName)
    : s_(services),
      config_(std::move(config)),
      autosaveName_(std::move(autosaveName)),
      siteBase_(config_.siteBase(s_.bundle)) {
    setWindowTitle(QString::fromStdString(config_.siteTitle));

    back_ = toolButton(QStyle::SP_ArrowBack,
                       QString::fromStdString(localized("Back", "help window toolbar")), this);
    forward_ =
        toolButton(QStyle::SP_ArrowForward,
                   QString::fromStdString(localized("Forward", "help window toolbar")), this);
    home_ = toolButton(QStyle::SP_DirHomeIcon,
                       QString::fromStdString(localized("Home", "help window toolbar")), this);
    connect(back_, &QToolButton::clicked, this, [this] { navigateAction(0); });
    connect(forward_, &QToolButton::clicked, this, [this] { navigateAction(1); });
    // A house is not among the style's icons everywhere: the word says it plainly.
    home_->setIcon(QIcon());
    home_->setText(QString::fromStdString(localized("Home", "help window toolbar")));
    connect(home_, &QToolButton::clicked, this, [this] { navigateHome(); });

    webView_ = new QTextBrowser(this);
    webView_->setOpenLinks(false);
    webView_->setFrameShape(QFrame::NoFrame);
    webView_->document()->setDocumentMargin(16);
    connect(webView_, &QTextBrowser::anchorClicked, this,
            [this](const QUrl& u) { linkClicked(u); });
    connect(webView_, &QTextBrowser::historyChanged, this, [this] { updateButtons(); });

    auto* toolbar = new QHBoxLayout;
    toolbar->setContentsMargins(6, 4, 6, 4);
    toolbar->setSpacing(2);
    toolbar->addWidget(back_);
    toolbar->addWidget(forward_);
    toolbar->addSpacing(8);
    toolbar->addWidget(home_);
    toolbar->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(toolbar);
    layout->addWidget(webView_, 1);
    resize(720, 560);
}

DocWindowController::~DocWindowController() {
    if (loaded_ && isVisible()) saveFrame();
}

std::string DocWindowController::frameKey() const {
    return "NSWindow Frame " + autosaveName_;
}

void DocWindowController::showWindow() {
    if (!loaded_) {
        loaded_ = true;
        restoreFrame();
        loadHome();
    }
    show();
    raise();
    activateWindow();
}

void DocWindowController::loadHome() {
    // Local pages load at once; nothing to time out.
    if (auto home = config_.homeURL(s_.bundle))
        webView_->setSource(QUrl(QString::fromStdString(home->absoluteString())));
    updateButtons();
}

void DocWindowController::navigateHome() {
    if (webView_->isBackwardAvailable()) {
        while (webView_->isBackwardAvailable()) webView_->backward();
    } else {
        s_.sounds.beep();
    }
    loadHome();
}

void DocWindowController::navigateAction(int segment) {
    if (segment == 0) webView_->backward();
    if (segment == 1) webView_->forward();
}

void DocWindowController::linkClicked(const QUrl& link) {
    // Pages link to each other relatively.
    const QUrl qurl = webView_->source().resolved(link);
    NavigationAction action{true, Url::parse(qurl.toString(QUrl::FullyEncoded).toStdString())};
    if (NavigationPolicy::docWindow(config_, siteBase_, action, s_.workspace) !=
        NavigationActionPolicy::allow)
        return;
    if (action.url && !action.url->isFileURL()) {
        // The viewer shows local pages only: the browser takes web pages the rules allow.
        s_.workspace.openURL(*action.url);
        return;
    }
    webView_->setSource(qurl);
}

void DocWindowController::updateButtons() {
    back_->setEnabled(webView_->isBackwardAvailable());
    forward_->setEnabled(webView_->isForwardAvailable());
}

void DocWindowController::hideEvent(QHideEvent* event) {
    saveFrame();
    QWidget::hideEvent(event);
}

void DocWindowController::saveFrame() {
    const QRect g = geometry();
    std::ostringstream text;
    text << g.x() << ' ' << g.y() << ' ' << g.width() << ' ' << g.height();
    s_.defaults.setString(frameKey(), text.str());
}

void DocWindowController::restoreFrame() {
    const auto stored = s_.defaults.stringForKey(frameKey());
    if (!stored) return;
    std::istringstream text(*stored);
    int x, y, w, h;
    if (!(text >> x >> y >> w >> h) || w < 200 || h < 150 || w > 10000 || h > 10000) return;
    // A frame left on a screen that is gone is not used.
    const QRect frame(x, y, w, h);
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().intersects(frame)) {
            setGeometry(frame);
            return;
        }
    }
    resize(w, h);
}
