#include "updater/ProgressWindow.h"

#include "platform/Desktop.h"
#include "platform/Dialogs.h"
#include "platform/LeadingNumber.h"
#include "platform/ProgramFolder.h"
#include "platform/Twips.h"
#include "platform/Version.h"
#include "updater/UpdateKeys.h"
#include "updater/FileDownloader.h"
#include "updater/GetFileName.h"
#include "updater/VerifiedCopy.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <cmath>

namespace {
const QString kDownload = QStringLiteral("دانلود");
const QString kCancel = QStringLiteral("انصراف");

ProgressWindow::Ender &ender()
{
    static ProgressWindow::Ender instance;
    return instance;
}
}  // namespace

void ProgressWindow::setProgramEnder(Ender e) { ender() = std::move(e); }

namespace {
std::optional<QList<ReleaseManifest::PublisherKey>> &keysForTest()
{
    static std::optional<QList<ReleaseManifest::PublisherKey>> keys;
    return keys;
}
}  // namespace

QList<ReleaseManifest::PublisherKey> ProgressWindow::publisherKeys()
{
    return keysForTest() ? *keysForTest() : compiledUpdateKeys();
}

void ProgressWindow::setPublisherKeysForTest(std::optional<QList<ReleaseManifest::PublisherKey>> keys)
{
    keysForTest() = std::move(keys);
}

void ProgressWindow::endProgram()
{
    if (ender())
        ender()();
    else
        QCoreApplication::exit(0);
}

QString ProgressWindow::setupAddress() { return ProgramFolder::setupAddress(); }

ProgressWindow::ProgressWindow(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Progress"));
    setWindowTitle(caption());

    // Load: place and size, address kept out of sight.
    move(twipsPoint(2475, 1620));
    setFixedSize(twipsSize(8400, 2900));
    const int w = width();
    const QFont tahoma(QStringLiteral("Tahoma"), 10);

    m_downloader = new FileDownloader(this);
    m_downloader->move(14, 10);

    m_heading = new QLabel(QStringLiteral("هوش هيجاني Tavor"), this);
    m_heading->setObjectName(QStringLiteral("Label3"));
    m_heading->setFont(QFont(QStringLiteral("B Titr"), 15));
    m_heading->setAlignment(Qt::AlignLeading | Qt::AlignVCenter);
    m_heading->setGeometry(110, 12, w - 130, 40);

    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("ProgressBar"));
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_progressBar->setTextVisible(false);
    m_progressBar->setGeometry(84, 80, w - 104, 24);

    m_percent = new QLabel(QStringLiteral("0"), this);
    m_percent->setObjectName(QStringLiteral("Label4"));
    m_percent->setFont(tahoma);
    m_percent->setAlignment(Qt::AlignCenter);
    m_percent->setGeometry(20, 80, 56, 24);
    m_percent->setAccessibleName(QStringLiteral("درصد دانلود"));

    m_downloadButton = new QPushButton(kDownload, this);
    m_downloadButton->setObjectName(QStringLiteral("cmdUpdate"));
    m_downloadButton->setFont(tahoma);
    m_downloadButton->setGeometry(w - 20 - 104, 120, 104, 32);

    m_exitButton = new QPushButton(QStringLiteral("خروج"), this);
    m_exitButton->setObjectName(QStringLiteral("Command1"));
    m_exitButton->setFont(tahoma);
    m_exitButton->setGeometry(w - 20 - 104 - 12 - 104, 120, 104, 32);

    const QFont contactFont(QStringLiteral("Tahoma"), 9);
    m_email = new QLabel(QStringLiteral("پست الکترونيک: info@zelq.ir"), this);
    m_email->setObjectName(QStringLiteral("Label2"));
    m_email->setFont(contactFont);
    m_email->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_email->setGeometry(20, 116, 260, 20);
    m_webAddress = new QLabel(QStringLiteral("وب سايت: www.zelq.ir"), this);
    m_webAddress->setObjectName(QStringLiteral("Label5"));
    m_webAddress->setFont(contactFont);
    m_webAddress->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_webAddress->setGeometry(20, 138, 260, 20);

    m_addressLabel = new QLabel(QStringLiteral("Address File :"), this);
    m_addressLabel->setObjectName(QStringLiteral("Label1"));
    m_addressLabel->setGeometry(w - 120, 164, 100, 20);
    m_address = new QLineEdit(setupAddress(), this);
    m_address->setObjectName(QStringLiteral("Text"));
    m_address->setAccessibleName(QStringLiteral("نشاني فايل"));
    m_address->setGeometry(20, 164, w - 150, 20);
    m_addressLabel->hide();
    m_address->hide();

    m_percentTimer = new QTimer(this);
    m_percentTimer->setObjectName(QStringLiteral("Timer1"));
    m_percentTimer->setInterval(1000);
    connect(m_percentTimer, &QTimer::timeout, this, &ProgressWindow::showPercent);
    m_percentTimer->start();

    connect(m_downloadButton, &QPushButton::clicked, this, &ProgressWindow::downloadOrCancel);
    connect(m_exitButton, &QPushButton::clicked, this, &ProgressWindow::exitNow);
    connect(m_downloader, &FileDownloader::DowloadComplete, this, &ProgressWindow::onComplete);
    connect(m_downloader, &FileDownloader::DownloadErrors, this, &ProgressWindow::onError);
    connect(m_downloader, &FileDownloader::DownloadProgress, this, &ProgressWindow::onProgress);
}

void ProgressWindow::downloadOrCancel()
{
    if (m_downloadButton->text() != kDownload) {
        // A download runs: this is the cancel button.
        m_downloader->Cancel();
        backToIdle();
        return;
    }
    const QString address = m_address->text();
    const QString name = GetFileName(address);
    if (name.isEmpty()) {
        showMessage(this, QStringLiteral("نشاني فايل براي دانلود معتبر نيست:\n") + leftToRight(address), QStringLiteral("Error"),
                    QMessageBox::Critical);
        return;
    }
    // Without a publisher key nothing downloaded could ever be trusted.
    if (publisherKeys().isEmpty()) {
        showMessage(this, ReleaseManifest::problemText({}), QStringLiteral("Error"), QMessageBox::Critical);
        return;
    }
    m_downloadButton->setText(kCancel);
    m_progressBar->setValue(0);
    m_signed = {};
    if (!checkRelease(address))
        return;
    m_downloader->DownloadFile(address, ProgramFolder::file(name));
}

bool ProgressWindow::checkRelease(const QString &address)
{
    QString why;
    const QByteArray manifest = m_downloader->fetchSmall(address + QStringLiteral(".manifest"), 4096, &why);
    if (m_downloader->cancelRequested())
        return false;
    QByteArray signature;
    if (why.isEmpty())
        signature = m_downloader->fetchSmall(address + QStringLiteral(".manifest.sig"), 1024, &why);
    if (m_downloader->cancelRequested())
        return false;
    QString problem;
    if (!why.isEmpty()) {
        problem = ReleaseManifest::fetchFailedText(
            manifest.isEmpty() ? QStringLiteral("فهرست امضاشده نسخه تازه") : QStringLiteral("امضاي نسخه تازه"), why);
    } else {
        const ReleaseManifest::Verdict verdict = ReleaseManifest::check(manifest, signature, publisherKeys(),
                                                                         programVersion(), setupProgram());
        if (verdict.problem == ReleaseManifest::Problem::None) {
            m_downloader->expect(verdict.manifest.size, verdict.manifest.sha256);
            m_signed = verdict.manifest;
            return true;
        }
        problem = ReleaseManifest::problemText(verdict);
    }
    showMessage(this, problem, QStringLiteral("Error"), QMessageBox::Critical);
    backToIdle();
    return false;
}

void ProgressWindow::backToIdle()
{
    m_downloadButton->setText(kDownload);
    m_progressBar->setValue(0);
}

void ProgressWindow::onComplete()
{
    // An empty answer completes the download without a file: whatever setup
    // lies in the folder from before is not the one just asked for.
    if (m_downloader->bytesReceived() == 0) {
        showMessage(this, QStringLiteral("فايلي از سرور دريافت نشد و برنامه نصب اجرا نمي شود."),
                    QStringLiteral("Error"), QMessageBox::Critical);
        backToIdle();
        return;
    }
    showMessage(this, QStringLiteral("دانلود فايل با موفقيت به پايان رسيد "), QStringLiteral("Success"),
                QMessageBox::Information);
    backToIdle();
    // What runs is a private copy checked against the signed size and hash
    // now, after the box: the file in the program folder may have been
    // changed while it waited.
    QString why;
    const QString setup = VerifiedCopy::make(ProgramFolder::file(setupProgram()), m_signed.size, m_signed.sha256, &why);
    if (setup.isEmpty()) {
        showMessage(this, why, QStringLiteral("Error"), QMessageBox::Critical);
        return;
    }
    if (!Desktop::startProgram(setup)) {
        showMessage(this,
                    QStringLiteral("برنامه نصب اجرا نشد. آن را از پوشه برنامه اجرا کنيد:\n")
                        + leftToRight(QDir::toNativeSeparators(setup)),
                    QStringLiteral("Error"), QMessageBox::Critical);
        return;
    }
    endProgram();
}

void ProgressWindow::onError(const QString &strError)
{
    showMessage(this, strError, QStringLiteral("Error"), QMessageBox::Critical);
    backToIdle();
    m_downloader->Cancel();
}

void ProgressWindow::onProgress(const QString &intPercent)
{
    // More bytes than announced must not push the bar past its end.
    const double value = leadingNumber(intPercent);
    m_progressBar->setValue(int(std::clamp(std::round(value), 0.0, 100.0)));
}

void ProgressWindow::showPercent() { m_percent->setText(QString::number(m_progressBar->value())); }

void ProgressWindow::exitNow()
{
    // The download stops first, so its unfinished file is thrown away.
    m_downloader->Cancel();
    endProgram();
}

void ProgressWindow::closeEvent(QCloseEvent *event)
{
    m_downloader->Cancel();
    event->accept();
}
