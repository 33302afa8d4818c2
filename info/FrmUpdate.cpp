#include "info/FrmUpdate.h"

#include "data/Binder.h"
#include "data/TableView.h"
#include "platform/Desktop.h"
#include "platform/Dialogs.h"
#include "platform/LeadingNumber.h"
#include "platform/ProgramFolder.h"
#include "platform/Twips.h"
#include "shell/Frm1.h"

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
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

FrmUpdate::Ender &ender()
{
    static FrmUpdate::Ender instance;
    return instance;
}
}  // namespace

void FrmUpdate::setFetchTimeout(int milliseconds) { fetchTimeout() = milliseconds; }
void FrmUpdate::setProgramEnder(Ender e) { ender() = std::move(e); }

QString FrmUpdate::skinFileForTheme(double themeNumber)
{
    for (int i = 1; i <= int(kSkins.size()); ++i)
        if (themeNumber == i)
            return QString::fromLatin1(kSkins[i - 1]);
    return QString();
}

double FrmUpdate::versionNumber(const QString &text)
{
    // A CR cannot continue a number; the other blanks are skipped.
    const qsizetype cr = text.indexOf('\r');
    return leadingNumber(cr < 0 ? text : text.left(cr));
}

bool FrmUpdate::isNewer(const QString &remoteText)
{
    return versionNumber(remoteText) > versionNumber(Frm1::versionText());
}

QString FrmUpdate::versionFileAddress() { return ProgramFolder::siteUrl() + QStringLiteral("/Soft/Zelq/LastVersion.txt"); }

QString FrmUpdate::updaterProgram()
{
#ifdef Q_OS_WIN
    return ProgramFolder::file(QStringLiteral("Zelqupdate.exe"));
#else
    return ProgramFolder::file(QStringLiteral("Zelqupdate"));
#endif
}

QString FrmUpdate::latestVersionMessage()
{
    return QStringLiteral("شما آخرين ورژن نرم افزار را داريد و يا اينکه ارتباط شما با اينترنت برقرار نمي باشد ");
}

QString FrmUpdate::updaterMissingMessage()
{
    return QStringLiteral("نسخه جديد نرم افزار آماده است اما برنامه بروز رساني (Zelqupdate) در پوشه برنامه پيدا نشد يا "
                          "اجرا نشد. لطفا نرم افزار را دوباره نصب کنيد.");
}

FrmUpdate::FrmUpdate(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FrmUpdate"));
    setModal(true);
    setFixedSize(twipsSize(6000, 3600));
    const int w = width();

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(QFont(QStringLiteral("Arial"), 14, QFont::Bold));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setGeometry(16, 14, w - 32, 34);

    SkinLabel1 = new QLabel(QStringLiteral("جهت به روز رساني نرم افزار ابتدا اتصال به اينترنت را چک کنيد سپس روي "
                                           "دکمه آپديت کليک کنيد"),
                            this);
    SkinLabel1->setObjectName(QStringLiteral("SkinLabel1"));
    SkinLabel1->setFont(QFont(QStringLiteral("B Nazanin"), 12));
    SkinLabel1->setAlignment(Qt::AlignCenter);
    SkinLabel1->setWordWrap(true);
    SkinLabel1->setGeometry(20, 58, w - 40, 84);

    const QFont buttonFont(QStringLiteral("B Nazanin"), 12, QFont::Bold);
    Command1 = new QPushButton(QStringLiteral("بررسي آپديت جديد"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setFont(buttonFont);
    Command1->setGeometry(w / 2 + 8, 166, w / 2 - 40, 40);
    Command1->setAutoDefault(false);

    Command2 = new QPushButton(QStringLiteral("خروج"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setFont(buttonFont);
    Command2->setGeometry(32, 166, w / 2 - 40, 40);
    Command2->setAutoDefault(false);

    Text2 = new QLineEdit(this);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setAccessibleName(QStringLiteral("شماره تم"));
    Text2->hide();

    Inet1 = new QNetworkAccessManager(this);
    Inet1->setObjectName(QStringLiteral("Inet1"));

    m_binder = new Binder(this);
    Adodc1 = new TableView(QStringLiteral("Theme"), this);
    Adodc1->setObjectName(QStringLiteral("Adodc1"));
    m_binder->bind(Text2, Adodc1, QStringLiteral("TH"));

    connect(Command1, &QPushButton::clicked, this, &FrmUpdate::Command1Click);
    connect(Command2, &QPushButton::clicked, this, &QDialog::reject);

    // Load: title and version, place, skin.
    setWindowTitle(titleText());
    Label1->setText(titleText());
    move(twipsPoint(4085, 2745));
    const QString file = skinFileForTheme(leadingNumber(Text2->text()));
    if (!file.isEmpty())
        Skin1.LoadSkin(file);
    Skin1.ApplySkin(this);
}

QString FrmUpdate::titleText() const { return Frm1::programTitle() + ' ' + Frm1::versionText(); }

QString FrmUpdate::fetchText(const QString &address)
{
    QNetworkRequest request{QUrl(address)};
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    QNetworkReply *reply = Inet1->get(request);

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

void FrmUpdate::Command1Click()
{
    Command1->setEnabled(false);
    setWindowTitle(QStringLiteral("Please wait..."));
    QApplication::setOverrideCursor(Qt::WaitCursor);

    if (isNewer(fetchText(versionFileAddress()))) {
        if (Desktop::startProgram(updaterProgram())) {
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

    showMessage(this, latestVersionMessage(), Frm1::programTitle(), QMessageBox::Information);
    setWindowTitle(titleText());
    QApplication::restoreOverrideCursor();
    Command1->setEnabled(true);
}

void FrmUpdate::backToIdle()
{
    setWindowTitle(titleText());
    Command1->setEnabled(true);
}
