#include "updater/Progress.h"

#include "platform/Desktop.h"
#include "platform/Dialogs.h"
#include "platform/LeadingNumber.h"
#include "platform/ProgramFolder.h"
#include "platform/Twips.h"
#include "updater/FileDownloader.h"
#include "updater/GetFileName.h"

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

Progress::Ender &ender()
{
    static Progress::Ender instance;
    return instance;
}
}  // namespace

void Progress::setProgramEnder(Ender e) { ender() = std::move(e); }

void Progress::endProgram()
{
    if (ender())
        ender()();
    else
        QCoreApplication::exit(0);
}

QString Progress::setupAddress() { return ProgramFolder::siteUrl() + QStringLiteral("/Soft/Zelq/setup-Zelq.exe"); }

Progress::Progress(QWidget *parent) : QWidget(parent)
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

    Label3 = new QLabel(QStringLiteral("هوش هيجاني Tavor"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setFont(QFont(QStringLiteral("B Titr"), 15));
    Label3->setAlignment(Qt::AlignLeading | Qt::AlignVCenter);
    Label3->setGeometry(110, 12, w - 130, 40);

    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);
    ProgressBar->setGeometry(84, 80, w - 104, 24);

    Label4 = new QLabel(QStringLiteral("0"), this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setFont(tahoma);
    Label4->setAlignment(Qt::AlignCenter);
    Label4->setGeometry(20, 80, 56, 24);
    Label4->setAccessibleName(QStringLiteral("درصد دانلود"));

    cmdUpdate = new QPushButton(kDownload, this);
    cmdUpdate->setObjectName(QStringLiteral("cmdUpdate"));
    cmdUpdate->setFont(tahoma);
    cmdUpdate->setGeometry(w - 20 - 104, 120, 104, 32);

    Command1 = new QPushButton(QStringLiteral("خروج"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setFont(tahoma);
    Command1->setGeometry(w - 20 - 104 - 12 - 104, 120, 104, 32);

    const QFont contactFont(QStringLiteral("Tahoma"), 9);
    Label2 = new QLabel(QStringLiteral("پست الکترونيک: info@zelq.ir"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(contactFont);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Label2->setGeometry(20, 116, 260, 20);
    Label5 = new QLabel(QStringLiteral("وب سايت: www.zelq.ir"), this);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->setFont(contactFont);
    Label5->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Label5->setGeometry(20, 138, 260, 20);

    Label1 = new QLabel(QStringLiteral("Address File :"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(w - 120, 164, 100, 20);
    Text = new QLineEdit(setupAddress(), this);
    Text->setObjectName(QStringLiteral("Text"));
    Text->setAccessibleName(QStringLiteral("نشاني فايل"));
    Text->setGeometry(20, 164, w - 150, 20);
    Label1->hide();
    Text->hide();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &Progress::Timer1Tick);
    Timer1->start();

    connect(cmdUpdate, &QPushButton::clicked, this, &Progress::cmdUpdateClick);
    connect(Command1, &QPushButton::clicked, this, &Progress::Command1Click);
    connect(m_downloader, &FileDownloader::DowloadComplete, this, &Progress::onComplete);
    connect(m_downloader, &FileDownloader::DownloadErrors, this, &Progress::onError);
    connect(m_downloader, &FileDownloader::DownloadProgress, this, &Progress::onProgress);
}

void Progress::cmdUpdateClick()
{
    if (cmdUpdate->text() != kDownload) {
        // A download runs: this is the cancel button.
        m_downloader->Cancel();
        backToIdle();
        return;
    }
    const QString address = Text->text();
    const QString name = GetFileName(address);
    if (name.isEmpty()) {
        showMessage(this, QStringLiteral("نشاني فايل براي دانلود معتبر نيست:\n") + address, QStringLiteral("Error"),
                    QMessageBox::Critical);
        return;
    }
    cmdUpdate->setText(kCancel);
    ProgressBar->setValue(0);
    m_downloader->DownloadFile(address, ProgramFolder::file(name));
}

void Progress::backToIdle()
{
    cmdUpdate->setText(kDownload);
    ProgressBar->setValue(0);
}

void Progress::onComplete()
{
    showMessage(this, QStringLiteral("دانلود فايل با موفقيت به پايان رسيد "), QStringLiteral("Success"),
                QMessageBox::Information);
    backToIdle();
    const QString setup = ProgramFolder::file(setupProgram());
#ifndef Q_OS_WIN
    // A downloaded file carries no permission to run; the updater is here to run it.
    QFile::setPermissions(setup, QFile::permissions(setup) | QFile::ExeOwner | QFile::ReadOwner);
#endif
    if (!Desktop::startProgram(setup)) {
        showMessage(this,
                    QStringLiteral("برنامه نصب اجرا نشد. آن را از پوشه برنامه اجرا کنيد:\n")
                        + QDir::toNativeSeparators(setup),
                    QStringLiteral("Error"), QMessageBox::Critical);
        return;
    }
    endProgram();
}

void Progress::onError(const QString &strError)
{
    showMessage(this, strError, QStringLiteral("Error"), QMessageBox::Critical);
    backToIdle();
    m_downloader->Cancel();
}

void Progress::onProgress(const QString &intPercent)
{
    // More bytes than announced must not push the bar past its end.
    const double value = leadingNumber(intPercent);
    ProgressBar->setValue(int(std::clamp(std::round(value), 0.0, 100.0)));
}

void Progress::Timer1Tick() { Label4->setText(QString::number(ProgressBar->value())); }

void Progress::Command1Click()
{
    // The download stops first, so its unfinished file is thrown away.
    m_downloader->Cancel();
    endProgram();
}

void Progress::closeEvent(QCloseEvent *event)
{
    m_downloader->Cancel();
    event->accept();
}
