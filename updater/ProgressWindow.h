#pragma once
#include "updater/ReleaseManifest.h"

#include <QWidget>

#include <functional>
#include <optional>

class FileDownloader;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;

// The one window of Zelqupdate: downloads the newest setup program into the
// program folder with a progress bar, then starts it and ends.
class ProgressWindow : public QWidget
{
    Q_OBJECT
public:
    explicit ProgressWindow(QWidget *parent = nullptr);

    static QString caption() { return QStringLiteral("Downloading File ... "); }
    // The address of the newest setup program on the vendor's site.
    static QString setupAddress();
    // The program the download is started as, in the program folder.
    static QString setupProgram() { return QStringLiteral("setup-Zelq.exe"); }

    // How the updater ends "at once"; tests put their own function here.
    using Ender = std::function<void()>;
    static void setProgramEnder(Ender ender);  // empty function restores the real one

    // The publisher keys a release must be signed with: those compiled into
    // the program. Tests of a build without keys put an empty list here.
    static QList<ReleaseManifest::PublisherKey> publisherKeys();
    static void setPublisherKeysForTest(std::optional<QList<ReleaseManifest::PublisherKey>> keys);

    FileDownloader *downloader() const { return m_downloader; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void downloadOrCancel();
    // Fetches and checks the signed manifest; false after the operator was told why.
    bool checkRelease(const QString &address);
    void exitNow();
    void onComplete();
    void onError(const QString &strError);
    void onProgress(const QString &intPercent);
    void showPercent();
    void backToIdle();
    static void endProgram();

    QPushButton *m_downloadButton = nullptr;
    QPushButton *m_exitButton = nullptr;
    QProgressBar *m_progressBar = nullptr;
    QLabel *m_percent = nullptr;
    QLabel *m_heading = nullptr;
    QLabel *m_email = nullptr;  // e-mail
    QLabel *m_webAddress = nullptr;  // web address
    QLabel *m_addressLabel = nullptr;
    QLineEdit *m_address = nullptr;
    FileDownloader *m_downloader = nullptr;
    // What the publisher signed for the download under way.
    ReleaseManifest::Manifest m_signed;
    QTimer *m_percentTimer = nullptr;
};
