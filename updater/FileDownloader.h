#pragma once
#include <QWidget>

class QNetworkAccessManager;

// Downloads one http address into one local file, in chunks of 1024 bytes,
// while the caller's window stays responsive. DownloadFile returns when the
// download has ended; meanwhile it raises its events and runs pending window
// events, so a Cancel from a button click takes effect in the middle.
//
// The file is written beside its destination under a temporary name and put
// in place only when every byte has arrived: a cancelled or failed download
// leaves the destination as it was.
class FileDownloader : public QWidget
{
    Q_OBJECT
public:
    explicit FileDownloader(QWidget *parent = nullptr);
    ~FileDownloader() override;

    // True when every byte arrived and the file is in place; false after a
    // cancel or an error (which has then been raised as DownloadErrors).
    bool DownloadFile(const QString &strURL, const QString &strDestination, const QString &UserName = QString(),
                      const QString &Password = QString());
    void Cancel();

    // The next download must be exactly this long with this SHA-256 (32
    // bytes), or it ends as an error and the destination stays as it was.
    // The hash is taken as the bytes stream in. Cleared by every download.
    void expect(qint64 size, const QByteArray &sha256);

    // A small document (a manifest, a signature) read whole into memory: the
    // body of a plain 200 of at most maxBytes, or empty with *error set.
    // Cancel works meanwhile.
    QByteArray fetchSmall(const QString &url, qint64 maxBytes, QString *error);

    bool isDownloading() const { return m_running; }
    bool cancelRequested() const { return bCancel; }
    // Bytes received by the download that runs or ran last.
    qint64 bytesReceived() const { return m_received; }
    // A transfer that stalls this long ends as a failure (0: never).
    void setStallTimeout(int milliseconds) { m_stallTimeoutMs = milliseconds; }

signals:
    void DownloadErrors(const QString &strError);
    void DownloadEvents(const QString &strEvent);
    void DowloadComplete();
    void DownloadProgress(const QString &intPercent);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QNetworkAccessManager *m_inet = nullptr;  // Inet
    bool bCancel = false;
    bool m_running = false;
    qint64 m_received = 0;
    int m_stallTimeoutMs = 60000;
    qint64 m_expectedSize = -1;
    QByteArray m_expectedHash;
};
