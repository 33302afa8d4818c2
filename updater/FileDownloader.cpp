#include "updater/FileDownloader.h"

#include "platform/SafeFile.h"
#include "platform/Twips.h"
#include "updater/DownloadRules.h"
#include "updater/GetFileName.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPainter>
#include <QPointer>
#include <QStorageInfo>

#include <memory>

using namespace DownloadRules;

namespace {
// The body is copied in chunks of this many bytes, each written at once.
constexpr qint64 kChunk = 1024;
// How much of the body may wait in memory while the file is written.
constexpr qint64 kReadBuffer = 256 * 1024;

// The response as one text beginning with its status line, the way the
// header rules expect it. Empty when no response arrived.
QString headerText(QNetworkReply *reply)
{
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return QString();
    QString text = QStringLiteral("HTTP/1.1 ") + QString::number(status.toInt()) + ' '
                   + reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString() + QStringLiteral("\r\n");
    for (const auto &pair : reply->rawHeaderPairs())
        text += QString::fromLatin1(pair.first) + QStringLiteral(": ") + QString::fromLatin1(pair.second)
                + QStringLiteral("\r\n");
    return text + QStringLiteral("\r\n");
}

// Free bytes of the file system the destination will live on: that of its
// nearest existing folder. -1 when the system cannot say.
qint64 freeBytesFor(const QString &destination)
{
    QDir dir = QFileInfo(destination).absoluteDir();
    while (!dir.exists() && !dir.isRoot())
        if (!dir.cdUp())
            break;
    const QStorageInfo storage(dir.absolutePath());
    if (!storage.isValid() || !storage.isReady())
        return -1;
    return storage.bytesAvailable();
}

// Stops the transfer and closes the connection when the download ends, unless
// the reply went away with the control.
struct ReplyHolder {
    QPointer<QNetworkReply> reply;
    QNetworkReply *get() const { return reply; }
    QNetworkReply *operator->() const { return reply; }
    void reset(QNetworkReply *next = nullptr)
    {
        if (reply) {
            reply->disconnect();
            reply->abort();
            reply->deleteLater();
        }
        reply = next;
    }
    ~ReplyHolder() { reset(); }
};
}  // namespace

FileDownloader::FileDownloader(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FileDownloader"));
    setFixedSize(twipsSize(1020, 945));
    m_inet = new QNetworkAccessManager(this);
    m_inet->setObjectName(QStringLiteral("Inet"));
}

FileDownloader::~FileDownloader() = default;

void FileDownloader::Cancel() { bCancel = true; }

bool FileDownloader::DownloadFile(const QString &strURL, const QString &strDestination, const QString &UserName,
                                  const QString &Password)
{
    // One download at a time: a second call while one runs is refused.
    if (m_running)
        return false;
    m_running = true;
    QPointer<FileDownloader> self(this);
    bCancel = false;
    m_received = 0;
    bool errorRaised = false;
    auto raiseError = [&](const QString &text) {
        errorRaised = true;
        emit DownloadErrors(text);
    };

    emit DownloadEvents(gettingInformation());
    QCoreApplication::processEvents();

    QUrl url(strURL);
    if (!UserName.isEmpty())
        url.setUserName(UserName);
    if (!Password.isEmpty())
        url.setPassword(Password);

    Verdict verdict;
    ReplyHolder reply;
    std::unique_ptr<SafeFile> file;
    bool bodyEndedCleanly = false;
    bool headersIn = false;

    // The request, and the wait for the response headers.
    if (!url.isValid() || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))) {
        raiseError(errorOccurred(QStringLiteral("the address \"%1\" is not an http address").arg(strURL)));
    } else {
        QNetworkRequest request(url);
        // Every download asks for the whole file, from its first byte.
        request.setRawHeader("Range", "bytes=" + QByteArray::number(m_received) + '-');
        // The body must arrive as the bytes Content-Length counts.
        request.setRawHeader("Accept-Encoding", "identity");
        request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
        if (m_stallTimeoutMs > 0)
            request.setTransferTimeout(m_stallTimeoutMs);
        reply.reset(m_inet->get(request));
        reply->setReadBufferSize(kReadBuffer);

        connect(reply.get(), &QNetworkReply::metaDataChanged, this, [&] {
            headersIn = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
        });

        while (!bCancel && !headersIn && !reply->isFinished())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (!self)
            return false;

        if (!bCancel) {
            const QString headers = headerText(reply.get());
            // No response at all is one of the answers the status rules know;
            // a transport failure before any response is reported as such.
            if (headers.isEmpty() && reply->error() != QNetworkReply::NoError
                && reply->error() != QNetworkReply::RemoteHostClosedError) {
                raiseError(errorOccurred(reply->errorString()));
            } else {
                verdict = examineResponse(headers, QString::fromLatin1(reply->rawHeader("Content-Length")),
                                          reply->url().toString(QUrl::RemovePassword),
                                          QString::fromLatin1(reply->rawHeader("Content-Range")));
                if (verdict.action == Verdict::Fail) {
                    raiseError(verdict.error);
                    bCancel = true;
                }
            }
        }
    }

    if (!bCancel && !errorRaised) {
        const qint64 freeBytes = freeBytesFor(strDestination);
        if (verdict.lengthKnown && freeBytes >= 0 && !enoughSpace(freeBytes, verdict.expected))
            raiseError(notEnoughSpace());
    }

    if (!bCancel && !errorRaised) {
        QCoreApplication::processEvents();
        if (!self)
            return false;
    }

    // An announced empty body is complete at once: no file is written, and
    // an older file at the destination stays as it is.
    const bool emptyBody = verdict.action == Verdict::ReadBody && verdict.lengthKnown && verdict.expected == 0;

    // The file phase.
    if (!bCancel && !errorRaised && !emptyBody) {
        const QString folder = PathPart(strDestination, false, false);
        QDir dir(folder);
        if (!folder.isEmpty() && folder != strDestination && !dir.exists()
            && !QDir().mkdir(dir.absolutePath())) {
            raiseError(writeFailure(QFileDevice::OpenError,
                                    QStringLiteral("the folder %1 cannot be created").arg(QDir::toNativeSeparators(folder))));
            bCancel = true;
        } else {
            file = std::make_unique<SafeFile>(strDestination);
            if (!file->open()) {
                raiseError(writeFailure(file->error(), file->errorString()));
                bCancel = true;
            }
        }
    }

    if (file && !bCancel && !errorRaised) {
        char chunk[kChunk];
        while (!bCancel) {
            if (verdict.lengthKnown && m_received >= verdict.expected)
                break;
            if (reply->bytesAvailable() == 0) {
                if (reply->isFinished()) {
                    bodyEndedCleanly = reply->error() == QNetworkReply::NoError;
                    break;
                }
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
                if (!self)
                    return false;
                continue;
            }
            const qint64 n = reply->read(chunk, kChunk);
            if (n < 0)
                break;
            if (!file->write(chunk, n)) {
                raiseError(writeFailure(file->error(), file->errorString()));
                bCancel = true;
                break;
            }
            if (bCancel)
                break;
            m_received += n;
            if (verdict.lengthKnown)
                emit DownloadProgress(QString::number(percent(m_received, verdict.expected)));
            QCoreApplication::processEvents();
            if (!self)
                return false;
        }
    }

    // Finish.
    bool result = false;
    const bool cancelled = bCancel;
    const Outcome outcome = verdict.action == Verdict::ReadBody || errorRaised || cancelled
                                ? finish(m_received, verdict.expected, verdict.lengthKnown, bodyEndedCleanly,
                                         cancelled, errorRaised)
                                : Outcome::Silent;
    reply.reset();
    if (outcome == Outcome::Complete) {
        // The file goes in place only once it is on disk, whole.
        if (emptyBody || (file && file->commit())) {
            result = true;
        } else if (file) {
            raiseError(writeFailure(file->error(), file->errorString()));
        }
    } else if (outcome == Outcome::Reset) {
        raiseError(connectionReset());
    }
    // An unfinished file never reaches the destination.
    if (file && !result)
        file->cancel();
    file.reset();
    m_running = false;
    if (result && !bCancel)
        emit DowloadComplete();
    return result;
}

void FileDownloader::paintEvent(QPaintEvent *)
{
    // The control's picture: a page with a downward arrow.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF page = QRectF(rect()).adjusted(width() * 0.22, 3, -width() * 0.22, -3);
    p.setPen(QPen(QColor(0x1f, 0x4e, 0x79), 2));
    p.setBrush(QColor(0xf4, 0xf8, 0xfc));
    p.drawRoundedRect(page, 4, 4);
    const QPointF c = page.center();
    const qreal h = page.height() * 0.28;
    p.setPen(QPen(QColor(0x2e, 0x7d, 0x32), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(c.x(), c.y() - h), QPointF(c.x(), c.y() + h));
    p.drawPolyline(QPolygonF({QPointF(c.x() - h * 0.6, c.y() + h * 0.35), QPointF(c.x(), c.y() + h),
                              QPointF(c.x() + h * 0.6, c.y() + h * 0.35)}));
}
