// The catalog download: one GET at a time within the limits, redirections followed by hand.
#include "catalog_download.h"

#include "catalog_download_limits.h"
#include "catalog_error_box.h"
#include "catalog_parser.h"
#include "catalog_trail.h"
#include "dialog_tr.h"

#include <QDeadlineTimer>
#include <QDomDocument>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <memory>
#include <utility>

namespace {

std::chrono::milliseconds stallTimeout = std::chrono::minutes(5);
std::chrono::milliseconds wholeDeadline = std::chrono::minutes(10);

void reportNetworkFailure(QWidget *parent, const QString &description)
{
    showCatalogError(
        parent, dialogTr("An error occured checking the update catalog:\n\n%1").arg(description));
}

enum class TransferEnd { Finished, Stalled, TooLong, TooLarge };

// One GET, run to its end in a local event loop. The body is collected as it arrives so
// that it is held once and its size is known before it outgrows the limit.
class Transfer
{
public:
    Transfer(QNetworkAccessManager &network, const QUrl &url)
    {
        QNetworkRequest request(url);
        // Redirections are followed by the check itself, with its own limit.
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             QNetworkRequest::ManualRedirectPolicy);
        reply_.reset(network.get(request));
    }

    TransferEnd run(const QDeadlineTimer &deadline)
    {
        QEventLoop loop;
        QTimer stall;
        stall.setSingleShot(true);
        stall.setInterval(stallTimeout);
        QTimer whole;
        whole.setSingleShot(true);
        whole.setInterval(std::chrono::milliseconds(deadline.remainingTime()));

        QObject::connect(reply_.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QObject::connect(&stall, &QTimer::timeout, &loop, [this] { stop(TransferEnd::Stalled); });
        QObject::connect(&whole, &QTimer::timeout, &loop, [this] { stop(TransferEnd::TooLong); });
        QObject::connect(reply_.get(), &QNetworkReply::metaDataChanged, &loop,
                         [this] { checkAnnouncedSize(); });
        QObject::connect(reply_.get(), &QNetworkReply::readyRead, &loop, [this, &stall] {
            stall.start();
            collect();
        });
        QObject::connect(reply_.get(), &QNetworkReply::downloadProgress, &stall,
                         qOverload<>(&QTimer::start));

        stall.start();
        whole.start();
        if (!reply_->isFinished())
            loop.exec();
        if (end_ == TransferEnd::Finished)
            collect();
        return end_;
    }

    QNetworkReply &reply() { return *reply_; }
    QByteArray takeBody() { return std::exchange(body_, QByteArray()); }
    qint64 received() const { return body_.size(); }

private:
    void stop(TransferEnd end)
    {
        if (end_ != TransferEnd::Finished || reply_->isFinished())
            return;
        end_ = end;
        reply_->abort();
    }

    void checkAnnouncedSize()
    {
        const QVariant length = reply_->header(QNetworkRequest::ContentLengthHeader);
        if (!length.isValid())
            return;
        const qint64 announced = length.toLongLong();
        if (announced > kMaxCatalogBytes)
            stop(TransferEnd::TooLarge);
        else if (announced > body_.capacity())
            body_.reserve(announced);
    }

    void collect()
    {
        if (end_ != TransferEnd::Finished)
            return;
        const qint64 available = reply_->bytesAvailable();
        if (available <= 0)
            return;
        if (body_.size() + available > kMaxCatalogBytes) {
            stop(TransferEnd::TooLarge);
            return;
        }
        body_.append(reply_->read(available));
    }

    std::unique_ptr<QNetworkReply> reply_;
    QByteArray body_;
    TransferEnd end_ = TransferEnd::Finished;
};

bool isWebUrl(const QUrl &url)
{
    const QString scheme = url.scheme();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

// From https down to plain http, anyone on the path could write the catalog.
bool isLessSafe(const QUrl &from, const QUrl &to)
{
    return from.scheme() == QLatin1String("https") && to.scheme() == QLatin1String("http");
}

// Fetches the catalog body at start, following redirections. Every reply and the network
// object are gone when it returns, so that nothing is held while a box waits for the user;
// on failure, failure holds the description for the network box.
bool fetchCatalog(const QUrl &start, QByteArray &body, QString &failure)
{
    QNetworkAccessManager network;
    const QDeadlineTimer deadline(wholeDeadline);
    QUrl url = start;
    for (int redirections = 0;; ++redirections) {
        // Without the password a URL may carry.
        qCDebug(catalogTrail, "GET %s", qUtf8Printable(url.toDisplayString()));
        Transfer transfer(network, url);
        switch (transfer.run(deadline)) {
        case TransferEnd::Finished:
            break;
        case TransferEnd::Stalled:
            failure = dialogTr("The server sent no data for %1 seconds; the download was stopped.")
                          .arg(std::chrono::ceil<std::chrono::seconds>(stallTimeout).count());
            return false;
        case TransferEnd::TooLong:
            failure = dialogTr("The download did not end within %1 seconds; it was stopped.")
                          .arg(std::chrono::ceil<std::chrono::seconds>(wholeDeadline).count());
            return false;
        case TransferEnd::TooLarge:
            failure = dialogTr("The update catalog is larger than %1 MB.")
                          .arg(kMaxCatalogBytes / (1024 * 1024));
            return false;
        }

        QNetworkReply &reply = transfer.reply();
        const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (status.isValid())
            qCDebug(catalogTrail, "status %d, %lld bytes", status.toInt(), transfer.received());
        // A redirection status without a Location gives an empty target: that reply is the
        // final one.
        const QUrl target = reply.attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
        if (!target.isEmpty()) {
            if (redirections >= kMaxCatalogRedirections) {
                failure = dialogTr("The server redirected the request more than %1 times.")
                              .arg(kMaxCatalogRedirections);
                return false;
            }
            // A relative Location is relative to the URL that gave it.
            url = reply.url().resolved(target);
            qCDebug(catalogTrail, "redirected to %s", qUtf8Printable(url.toDisplayString()));
            if (!isWebUrl(url)) {
                failure = dialogTr("The server redirected the request to %1, which is not an "
                                   "HTTP address.")
                              .arg(url.toDisplayString());
                return false;
            }
            if (isLessSafe(reply.url(), url)) {
                failure = dialogTr("The server redirected the request from a secure address to "
                                   "%1, which is not secure.")
                              .arg(url.toDisplayString());
                return false;
            }
            continue;
        }

        if (reply.error() != QNetworkReply::NoError) {
            failure = reply.errorString();
            return false;
        }
        body = transfer.takeBody();
        return true;
    }
}

} // namespace

std::chrono::milliseconds catalogStallTimeout()
{
    return stallTimeout;
}

void setCatalogStallTimeout(std::chrono::milliseconds timeout)
{
    stallTimeout = timeout;
}

std::chrono::milliseconds catalogDeadline()
{
    return wholeDeadline;
}

void setCatalogDeadline(std::chrono::milliseconds deadline)
{
    wholeDeadline = deadline;
}

QDomDocument *downloadCatalog(const QString &applicationList, QWidget *parent)
{
    QByteArray body;
    QString failure;
    if (!fetchCatalog(QUrl(applicationList), body, failure)) {
        qCDebug(catalogTrail, "download failed: %s", qUtf8Printable(failure));
        reportNetworkFailure(parent, failure);
        return nullptr;
    }

    auto catalog = std::make_unique<QDomDocument>();
    const QString parseError = parseCatalog(body, *catalog);
    body = QByteArray();
    if (parseError.isEmpty())
        return catalog.release();
    catalog.reset();
    qCDebug(catalogTrail, "parse failed: %s", qUtf8Printable(parseError));
    showCatalogError(
        parent, dialogTr("An error occured parsing the update catalog:\n\n%1").arg(parseError));
    return nullptr;
}
