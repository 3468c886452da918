#include "agent/help/WebViewController.h"

#include "agent/help/NavigationPolicy.h"

using namespace platform;

WebViewController::WebViewController(Workspace& workspace, QWidget* parent)
    : QTextBrowser(parent), workspace_(workspace) {
    setOpenLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& u) { linkClicked(u); });
}

void WebViewController::setUrl(const std::optional<Url>& url) {
    url_ = url;
    if (url)
        setSource(QUrl(QString::fromStdString(url->absoluteString())));
    else
        clear();
}

void WebViewController::linkClicked(const QUrl& link) {
    const QUrl qurl = source().resolved(link);
    NavigationAction action{true, Url::parse(qurl.toString(QUrl::FullyEncoded).toStdString())};
    if (NavigationPolicy::webView(action, workspace_) == NavigationActionPolicy::allow &&
        action.url)
        setSource(qurl);
}
