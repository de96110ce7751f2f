#include "catalog_check.h"
#include "catalog_download_limits.h"
#include "catalog_error_box.h"
#include "catalog_input_guard.h"

#include <QCoreApplication>
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

QString trDialog(const char *text)
{
    return QCoreApplication::translate("UpdateDialog", text);
}

void reportNetworkFailure(QWidget *parent, const QString &description)
{
    showCatalogError(
        parent, trDialog("An error occured checking the update catalog:\n\n%1").arg(description));
}

enum class TransferEnd { Finished, Stalled, TooLarge };

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

    TransferEnd run()
    {
        QEventLoop loop;
        QTimer stall;
        stall.setSingleShot(true);
        stall.setInterval(stallTimeout);

        QObject::connect(reply_.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QObject::connect(&stall, &QTimer::timeout, &loop, [this] { stop(TransferEnd::Stalled); });
        QObject::connect(reply_.get(), &QNetworkReply::metaDataChanged, &loop,
                         [this] { checkAnnouncedSize(); });
        QObject::connect(reply_.get(), &QNetworkReply::readyRead, &loop, [this, &stall] {
            stall.start();
            collect();
        });
        QObject::connect(reply_.get(), &QNetworkReply::downloadProgress, &stall,
                         qOverload<>(&QTimer::start));

        stall.start();
        if (!reply_->isFinished())
            loop.exec();
        if (end_ == TransferEnd::Finished)
            collect();
        return end_;
    }

    QNetworkReply &reply() { return *reply_; }
    QByteArray takeBody() { return std::exchange(body_, QByteArray()); }

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

} // namespace

std::chrono::milliseconds catalogStallTimeout()
{
    return stallTimeout;
}

void setCatalogStallTimeout(std::chrono::milliseconds timeout)
{
    stallTimeout = timeout;
}

QDomDocument *downloadCatalog(const QString &applicationList, QWidget *parent)
{
    QNetworkAccessManager network;
    QUrl url(applicationList);

    for (int redirections = 0;; ++redirections) {
        Transfer transfer(network, url);
        switch (transfer.run()) {
        case TransferEnd::Finished:
            break;
        case TransferEnd::Stalled:
            reportNetworkFailure(
                parent, trDialog("The server sent no data for %1 seconds; the download was "
                                 "stopped.")
                            .arg(std::chrono::ceil<std::chrono::seconds>(stallTimeout).count()));
            return nullptr;
        case TransferEnd::TooLarge:
            reportNetworkFailure(parent, trDialog("The update catalog is larger than %1 MB.")
                                             .arg(kMaxCatalogBytes / (1024 * 1024)));
            return nullptr;
        }

        QNetworkReply &reply = transfer.reply();
        const QVariant target = reply.attribute(QNetworkRequest::RedirectionTargetAttribute);
        if (target.isValid()) {
            // A relative Location is relative to the URL that gave it.
            const QUrl next = reply.url().resolved(target.toUrl());
            if (redirections >= kMaxCatalogRedirections) {
                reportNetworkFailure(parent,
                                     trDialog("The server redirected the request more than %1 "
                                              "times.")
                                         .arg(kMaxCatalogRedirections));
                return nullptr;
            }
            if (!isWebUrl(next)) {
                reportNetworkFailure(
                    parent, trDialog("The server redirected the request to %1, which is not an "
                                     "HTTP address.")
                                .arg(next.toDisplayString()));
                return nullptr;
            }
            url = next;
            continue;
        }

        if (reply.error() != QNetworkReply::NoError) {
            reportNetworkFailure(parent, reply.errorString());
            return nullptr;
        }

        const QByteArray body = transfer.takeBody();
        auto catalog = std::make_unique<QDomDocument>();
        QString parseError = catalogInputProblem(body);
        if (parseError.isEmpty() && catalog->setContent(body, false, &parseError))
            return catalog.release();
        showCatalogError(
            parent, trDialog("An error occured parsing the update catalog:\n\n%1").arg(parseError));
        return nullptr;
    }
}
