#include "updater/FileDownloader.h"

#include "platform/SafeFile.h"
#include "platform/Twips.h"
#include "updater/DownloadRules.h"
#include "updater/GetFileName.h"
#include "updater/ReleaseManifest.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPainter>
#include <QPointer>
#include <QStorageInfo>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include <openssl/evp.h>
#include <utility>

using namespace DownloadRules;

namespace {
// The body is copied in chunks of this many bytes, each written at once.
constexpr qint64 kChunk = 1024;
// Bytes gathered before they are written to the disk.
constexpr qint64 kWriteBlock = 256 * 1024;
// Window events run this often at the most while bytes keep arriving.
constexpr int kEventsEveryMs = 16;
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

// SHA-256 of the bytes as they stream in, by OpenSSL (Qt 6.4's own
// QCryptographicHash does about 140 MB/s here, slower than a loopback
// download). The 1 KB chunks are gathered into 64 KB blocks and hashed on a
// thread of their own, so the hash overlaps the download instead of adding to
// it; at most 16 blocks wait.
class StreamHash
{
public:
    StreamHash() : m_context(EVP_MD_CTX_new(), EVP_MD_CTX_free)
    {
        m_ok = m_context && EVP_DigestInit_ex(m_context.get(), EVP_sha256(), nullptr) == 1;
        m_block.reserve(kBlock);
        m_worker = std::thread([this] { hashBlocks(); });
    }
    ~StreamHash() { stop(); }
    void add(const char *data, qint64 size)
    {
        m_block.append(data, size);
        if (m_block.size() >= kBlock)
            handOver();
    }
    // The digest; empty when OpenSSL failed, which matches no signed hash.
    QByteArray result()
    {
        handOver();
        stop();
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        if (!m_ok || EVP_DigestFinal_ex(m_context.get(), digest, &length) != 1)
            return QByteArray();
        return QByteArray(reinterpret_cast<const char *>(digest), int(length));
    }

private:
    static constexpr qsizetype kBlock = 64 * 1024;
    static constexpr qsizetype kWaiting = 16;
    void handOver()
    {
        if (m_block.isEmpty())
            return;
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_queue.size() < kWaiting; });
        m_queue.push_back(std::move(m_block));
        m_block = QByteArray();
        m_block.reserve(kBlock);
        m_changed.notify_all();
    }
    void hashBlocks()
    {
        for (;;) {
            QByteArray block;
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [this] { return !m_queue.empty() || m_done; });
                if (m_queue.empty())
                    return;
                block = std::move(m_queue.front());
                m_queue.pop_front();
                m_changed.notify_all();
            }
            m_ok = m_ok && EVP_DigestUpdate(m_context.get(), block.constData(), size_t(block.size())) == 1;
        }
    }
    void stop()
    {
        if (!m_worker.joinable())
            return;
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_changed.notify_all();
        m_worker.join();
    }
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> m_context;
    std::atomic<bool> m_ok{false};
    QByteArray m_block;
    std::deque<QByteArray> m_queue;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_done = false;
    std::thread m_worker;
};

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

void FileDownloader::expect(qint64 size, const QByteArray &sha256)
{
    m_expectedSize = size;
    m_expectedHash = sha256;
}

QByteArray FileDownloader::fetchSmall(const QString &url, qint64 maxBytes, QString *error)
{
    bCancel = false;
    QPointer<FileDownloader> self(this);
    QNetworkRequest request{QUrl(url)};
    request.setRawHeader("Accept-Encoding", "identity");
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    if (m_stallTimeoutMs > 0)
        request.setTransferTimeout(m_stallTimeoutMs);
    ReplyHolder reply;
    reply.reset(m_inet->get(request));
    QByteArray body;
    bool tooLong = false;
    connect(reply.get(), &QNetworkReply::readyRead, this, [&] {
        body += reply->readAll();
        if (body.size() > maxBytes) {
            tooLong = true;
            reply->abort();
        }
    });
    while (!bCancel && !reply->isFinished())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (!self || bCancel)
        return QByteArray();
    body += reply->readAll();
    const QString headers = headerText(reply.get());
    const Verdict verdict = examineResponse(headers, QString::fromLatin1(reply->rawHeader("Content-Length")),
                                            reply->url().toString(QUrl::RemovePassword), QString(),
                                            QString::fromLatin1(reply->rawHeader("Content-Encoding")));
    if (tooLong || body.size() > maxBytes)
        *error = errorOccurred(QStringLiteral("the file is longer than %1 bytes").arg(maxBytes));
    else if (headers.isEmpty())
        *error = errorOccurred(reply->errorString());
    else if (statusField(headers) != QLatin1String("200"))
        *error = verdict.error.isEmpty() ? headers.left(int(headers.indexOf('\r'))) : verdict.error;
    else if (verdict.action != Verdict::ReadBody)
        *error = verdict.error;
    else if (body.size() != verdict.expected || reply->error() != QNetworkReply::NoError)
        *error = connectionReset();
    else
        return body;
    return QByteArray();
}

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
                                          QString::fromLatin1(reply->rawHeader("Content-Range")),
                                          QString::fromLatin1(reply->rawHeader("Content-Encoding")));
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

    // A download the signed manifest describes must announce its signed size.
    const qint64 expectedSize = std::exchange(m_expectedSize, -1);
    const QByteArray expectedHash = std::exchange(m_expectedHash, QByteArray());
    std::optional<StreamHash> hash;
    if (expectedSize >= 0)
        hash.emplace();
    if (expectedSize >= 0 && !bCancel && !errorRaised && verdict.action == Verdict::ReadBody
        && verdict.expected != expectedSize) {
        raiseError(ReleaseManifest::sizeMismatchText(verdict.expected, expectedSize));
        bCancel = true;
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
        // The chunks go to the disk in blocks, and window events run every
        // 16 ms at the most (always while waiting for the network): a write
        // and a pass of the event loop for every 1 KB cost more than the
        // download itself on a fast line.
        QByteArray pending;
        pending.reserve(kWriteBlock);
        const auto writePending = [&] {
            if (!pending.isEmpty() && !file->write(pending.constData(), pending.size())) {
                raiseError(writeFailure(file->error(), file->errorString()));
                bCancel = true;
                return false;
            }
            pending.resize(0);
            return true;
        };
        QElapsedTimer sinceEvents;
        sinceEvents.start();
        while (!bCancel) {
            if (verdict.lengthKnown && m_received >= verdict.expected)
                break;
            if (reply->bytesAvailable() == 0) {
                if (reply->isFinished()) {
                    bodyEndedCleanly = reply->error() == QNetworkReply::NoError;
                    break;
                }
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
                sinceEvents.restart();
                if (!self)
                    return false;
                continue;
            }
            const qint64 n = reply->read(chunk, kChunk);
            if (n < 0)
                break;
            if (hash)
                hash->add(chunk, n);
            pending.append(chunk, n);
            if (pending.size() >= kWriteBlock && !writePending())
                break;
            if (bCancel)
                break;
            m_received += n;
            if (verdict.lengthKnown)
                emit DownloadProgress(QString::number(percent(m_received, verdict.expected)));
            if (sinceEvents.elapsed() >= kEventsEveryMs) {
                QCoreApplication::processEvents();
                sinceEvents.restart();
                if (!self)
                    return false;
            }
        }
        if (!bCancel)
            writePending();
    }

    // Finish.
    bool result = false;
    const bool cancelled = bCancel;
    const Outcome outcome = verdict.action == Verdict::ReadBody || errorRaised || cancelled
                                ? finish(m_received, verdict.expected, verdict.lengthKnown, bodyEndedCleanly,
                                         cancelled, errorRaised)
                                : Outcome::Silent;
    reply.reset();
    if (outcome == Outcome::Complete && expectedSize >= 0 && (emptyBody || hash->result() != expectedHash)) {
        // Not the file the publisher signed: it never takes the setup's name.
        raiseError(ReleaseManifest::hashMismatchText());
    } else if (outcome == Outcome::Complete) {
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
