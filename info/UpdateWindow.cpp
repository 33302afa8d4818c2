#include "info/UpdateWindow.h"

#include "data/Binder.h"
#include "data/TableView.h"
#include "platform/Desktop.h"
#include "platform/Dialogs.h"
#include "platform/LeadingNumber.h"
#include "platform/ProgramFolder.h"
#include "platform/Twips.h"
#include "shell/MainWindow.h"
#include "updater/GetFileName.h"

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QProcess>
#include <QDir>
#include <QTimer>

#include <array>

namespace {
// Differs from the common table in rows 7, 12 and 13.
const std::array<const char *, 13> kSkins = {
    "chizh.skn", "Green.skn",   "galaxy.skn",  "_temp.skn",      "B-Studio.skn", "Mac.skn",      "TopSecret.skn",
    "metallic.skn", "Paper.skn", "winaqua.skn", "office2007.skn", "OrionNext.skn", "Retro.skn"};

// A version file is a few bytes; anything much larger is not one.
constexpr qint64 kMaxVersionFile = 64 * 1024;

int &fetchTimeout()
{
    static int ms = 15000;
    return ms;
}

UpdateWindow::Ender &ender()
{
    static UpdateWindow::Ender instance;
    return instance;
}
}  // namespace

void UpdateWindow::setFetchTimeout(int milliseconds) { fetchTimeout() = milliseconds; }
void UpdateWindow::setProgramEnder(Ender e) { ender() = std::move(e); }

QString UpdateWindow::skinFileForTheme(double themeNumber)
{
    for (int i = 1; i <= int(kSkins.size()); ++i)
        if (themeNumber == i)
            return QString::fromLatin1(kSkins[i - 1]);
    return QString();
}

double UpdateWindow::versionNumber(const QString &text) { return leadingNumber(text); }

bool UpdateWindow::isNewer(const QString &remoteText)
{
    return versionNumber(remoteText) > versionNumber(MainWindow::versionText());
}

QString UpdateWindow::versionFileAddress() { return ProgramFolder::siteUrl() + QStringLiteral("/Soft/Zelq/LastVersion.txt"); }

QString UpdateWindow::updaterProgram()
{
#ifdef Q_OS_WIN
    return ProgramFolder::file(QStringLiteral("Zelqupdate.exe"));
#else
    return ProgramFolder::file(QStringLiteral("Zelqupdate"));
#endif
}

bool UpdateWindow::updaterTakesSite() { return !GetFileName(ProgramFolder::setupAddress()).isEmpty(); }

QString UpdateWindow::siteRefusedMessage()
{
    // The address and the setting it comes from are for whoever sets the program up.
    return QStringLiteral("نشاني سايت ناشر که براي اين برنامه تعيين شده است از نوعي نيست که برنامه بروز رساني از "
                          "آن دانلود کند، پس بروز رساني با اين نشاني ممکن نيست. از کسي که برنامه را راه اندازي "
                          "کرده است بخواهيد نشاني سايت را درست کند.") +
           technicalDetail(QStringLiteral("MEHRSAN_SITE_URL=%1\nZelqupdate downloads from http:// addresses only.")
                               .arg(ProgramFolder::siteUrl()));
}

QString UpdateWindow::latestVersionMessage()
{
    return QStringLiteral("شما آخرين ورژن نرم افزار را داريد و يا اينکه ارتباط شما با اينترنت برقرار نمي باشد ");
}

QString UpdateWindow::updaterMissingMessage()
{
    return QStringLiteral("نسخه جديد نرم افزار آماده است اما برنامه بروز رساني در پوشه برنامه پيدا نشد يا "
                          "اجرا نشد. لطفا نرم افزار را دوباره نصب کنيد.") +
           technicalDetail(QDir::toNativeSeparators(updaterProgram()));
}

QString UpdateWindow::keylessMessage()
{
    return QStringLiteral("نسخه جديد نرم افزار آماده است، اما اين نسخه برنامه نمي تواند خودش را بروز کند: کليد ناشر "
                          "براي بررسي امضاي نسخه هاي تازه در آن نيست.\nبرنامه باز مي ماند. نسخه تازه را از سايت ناشر "
                          "بگيريد و دستي نصب کنيد.");
}

UpdateWindow::Updater UpdateWindow::updaterState()
{
    QProcess updater;
    updater.start(updaterProgram(), {QStringLiteral("--can-update")});
    if (!updater.waitForStarted(10000))
        return Updater::Missing;
    if (!updater.waitForFinished(10000)) {
        updater.kill();
        updater.waitForFinished(1000);
        return Updater::Missing;
    }
    if (updater.exitStatus() != QProcess::NormalExit)
        return Updater::Missing;
    return updater.exitCode() == 0 ? Updater::Ready : Updater::Keyless;
}

UpdateWindow::UpdateWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FrmUpdate"));
    setModal(true);
    setFixedSize(twipsSize(6000, 3600));
    const int w = width();

    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("Label1"));
    m_title->setFont(QFont(QStringLiteral("Arial"), 14, QFont::Bold));
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setGeometry(16, 14, w - 32, 34);

    m_message = new QLabel(QStringLiteral("جهت به روز رساني نرم افزار ابتدا اتصال به اينترنت را چک کنيد سپس روي "
                                           "دکمه آپديت کليک کنيد"),
                            this);
    m_message->setObjectName(QStringLiteral("SkinLabel1"));
    m_message->setFont(QFont(QStringLiteral("B Nazanin"), 12));
    m_message->setAlignment(Qt::AlignCenter);
    m_message->setWordWrap(true);
    m_message->setGeometry(20, 58, w - 40, 84);

    const QFont buttonFont(QStringLiteral("B Nazanin"), 12, QFont::Bold);
    m_checkButton = new QPushButton(QStringLiteral("بررسي آپديت جديد"), this);
    m_checkButton->setObjectName(QStringLiteral("Command1"));
    m_checkButton->setFont(buttonFont);
    m_checkButton->setGeometry(w / 2 + 8, 166, w / 2 - 40, 40);
    m_checkButton->setAutoDefault(false);

    m_closeButton = new QPushButton(QStringLiteral("خروج"), this);
    m_closeButton->setObjectName(QStringLiteral("Command2"));
    m_closeButton->setFont(buttonFont);
    m_closeButton->setGeometry(32, 166, w / 2 - 40, 40);
    m_closeButton->setAutoDefault(false);

    m_themeField = new QLineEdit(this);
    m_themeField->setObjectName(QStringLiteral("Text2"));
    m_themeField->setAccessibleName(QStringLiteral("شماره تم"));
    m_themeField->hide();

    m_network = new QNetworkAccessManager(this);
    m_network->setObjectName(QStringLiteral("Inet1"));

    m_binder = new Binder(this);
    m_settingsView = new TableView(QStringLiteral("Theme"), this);
    m_settingsView->setObjectName(QStringLiteral("Adodc1"));
    m_binder->bind(m_themeField, m_settingsView, QStringLiteral("TH"));

    connect(m_checkButton, &QPushButton::clicked, this, &UpdateWindow::checkForUpdate);
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::reject);

    // Load: title and version, place, skin.
    setWindowTitle(titleText());
    m_title->setText(titleText());
    move(twipsPoint(4085, 2745));
    const QString file = skinFileForTheme(leadingNumber(m_themeField->text()));
    if (!file.isEmpty())
        m_skin.LoadSkin(file);
    m_skin.ApplySkin(this);
}

QString UpdateWindow::titleText() const { return MainWindow::programTitle() + ' ' + MainWindow::versionText(); }

QString UpdateWindow::fetchText(const QString &address)
{
    QNetworkRequest request{QUrl(address)};
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    QNetworkReply *reply = m_network->get(request);

    QEventLoop loop;
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > kMaxVersionFile)
            reply->abort();
    });
    // A server that never answers must not hold the window for ever.
    QTimer::singleShot(fetchTimeout(), reply, [reply] { reply->abort(); });
    // The window waits as one blocked call: clicks are not taken meanwhile.
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);

    QString text;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() == QNetworkReply::NoError && status >= 200 && status < 300)
        text = QString::fromUtf8(reply->read(kMaxVersionFile));
    reply->deleteLater();
    return text;
}

void UpdateWindow::checkForUpdate()
{
    // The updater would refuse the address only after Mehrsan had ended.
    if (!updaterTakesSite()) {
        showMessage(this, siteRefusedMessage(), QStringLiteral("خطا"), QMessageBox::Warning);
        return;
    }
    m_checkButton->setEnabled(false);
    setWindowTitle(QStringLiteral("Please wait..."));
    QApplication::setOverrideCursor(Qt::WaitCursor);

    if (isNewer(fetchText(versionFileAddress()))) {
        // A copy built without the publisher's keys would end here only for
        // its updater to refuse every update: it says so and keeps running.
        const Updater state = updaterState();
        if (state == Updater::Keyless) {
            QApplication::restoreOverrideCursor();
            showMessage(this, keylessMessage(), MainWindow::programTitle(), QMessageBox::Information);
            backToIdle();
            return;
        }
        if (state == Updater::Ready && Desktop::startProgram(updaterProgram())) {
            close();
            QApplication::restoreOverrideCursor();
            if (ender())
                ender()();
            else
                QCoreApplication::exit(0);  // no window event runs after this, not even the exit prompt
            return;
        }
        // Without its updater Mehrsan keeps running and says why nothing happened.
        QApplication::restoreOverrideCursor();
        showMessage(this, updaterMissingMessage(), QStringLiteral("خطا"), QMessageBox::Critical);
        backToIdle();
        return;
    }

    showMessage(this, latestVersionMessage(), MainWindow::programTitle(), QMessageBox::Information);
    setWindowTitle(titleText());
    QApplication::restoreOverrideCursor();
    m_checkButton->setEnabled(true);
}

void UpdateWindow::backToIdle()
{
    setWindowTitle(titleText());
    m_checkButton->setEnabled(true);
}
