#include "platform/linux/QtUpdateTransport.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace platform {

QtUpdateTransport::QtUpdateTransport() = default;

QtUpdateTransport::~QtUpdateTransport() = default;

void QtUpdateTransport::fetch(const Url& url, uint64_t maxBytes, Completion done) {
    if (!network_) network_ = std::make_unique<QNetworkAccessManager>();
    QNetworkRequest request(QUrl(QString::fromStdString(url.absoluteString())));
    request.setTransferTimeout(kStallTimeoutMs);
    // Never from https down to http on a redirect.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("purlaneAgent updater"));
    QNetworkReply* reply = network_->get(request);

    auto tooLarge = std::make_shared<bool>(false);
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply, maxBytes, tooLarge] {
        if (static_cast<uint64_t>(reply->bytesAvailable()) > maxBytes) {
            *tooLarge = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, reply,
                     [reply, tooLarge, done = std::move(done), text = url.absoluteString()] {
                         reply->deleteLater();
                         const int status =
                             reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
                         if (*tooLarge) {
                             done(Error::other("The server sent more than expected.", text));
                         } else if (status >= 400) {
                             done(Error::other(
                                 "The server answered HTTP " + std::to_string(status) + ".", text));
                         } else if (reply->error() != QNetworkReply::NoError) {
                             done(Error::other(reply->errorString().toStdString(), text));
                         } else {
                             const QByteArray body = reply->readAll();
                             done(std::string(body.constData(), static_cast<size_t>(body.size())));
                         }
                     });
}

}  // namespace platform
