#include "platform/Startup.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <thread>

#ifdef Q_OS_WIN
#include "platform/ProgramFolder.h"
#else
#include <sys/stat.h>
#endif

namespace {
// Labels show names, item texts, clinic names and server messages: text from
// users, files and servers, never markup. Every label of both programs, those
// of message boxes too, is set to plain text before it is first shown.
class PlainTextLabels : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Polish)
            if (auto *label = qobject_cast<QLabel *>(watched))
                label->setTextFormat(Qt::PlainText);
        return false;
    }
};

// The program's own words for a few of Qt's texts: a message box's details
// control reads "جزئيات", as the program's messages call it.
class ProgramWords : public QTranslator
{
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        if (qstrcmp(context, "QMessageBox") != 0)
            return QString();
        if (qstrcmp(sourceText, "Show Details...") == 0)
            return QStringLiteral("جزئيات");
        if (qstrcmp(sourceText, "Hide Details...") == 0)
            return QStringLiteral("پنهان کردن جزئيات");
        return QString();
    }
};

// Fontconfig reads the list of installed fonts once, the first time a text
// is laid out: a fifth of the start. It is read on a thread of its own while
// the start opens the database; the first text laid out waits for it under
// Qt's font lock. Joined before Qt takes its platform down.
std::thread &fontListReading()
{
    static std::thread reading;
    return reading;
}

void awaitFontList()
{
    if (fontListReading().joinable())
        fontListReading().join();
}

#ifndef Q_OS_WIN
void readFontListAside()
{
    if (fontListReading().joinable())
        return;
    QGuiApplication::font();  // the platform's font list exists before the thread asks it
    fontListReading() = std::thread([] { QFontDatabase::families(); });
    qAddPostRoutine(awaitFontList);
}
#endif

#ifdef Q_OS_WIN
// The Windows program folder carries the typefaces the windows are mapped to
// (from Debian's fonts-farsiweb, fonts-noto-core and fonts-dejavu-core); one
// is loaded only when the system lacks its family.
void loadShippedFonts()
{
    struct Shipped {
        const char *file;
        const char *family;
    };
    static const Shipped shipped[] = {
        {"nazli.ttf", "Nazli"},
        {"nazlib.ttf", "Nazli"},
        {"titr.ttf", "Titr"},
        {"NotoNaskhArabic-Regular.ttf", "Noto Naskh Arabic"},
        {"NotoNaskhArabic-Bold.ttf", "Noto Naskh Arabic"},
        {"DejaVuSans.ttf", "DejaVu Sans"},
        {"DejaVuSans-Bold.ttf", "DejaVu Sans"},
    };
    const QStringList installed = QFontDatabase::families();
    const QDir folder(ProgramFolder::file(QStringLiteral("fonts")));
    for (const Shipped &font : shipped)
        if (!installed.contains(QLatin1String(font.family), Qt::CaseInsensitive))
            QFontDatabase::addApplicationFont(folder.filePath(QLatin1String(font.file)));
}
#endif
}  // namespace

void setUpApplication(QApplication &app)
{
    app.installEventFilter(new PlainTextLabels(&app));
#ifdef Q_OS_WIN
    loadShippedFonts();
#else
    readFontListAside();
#endif
    QFont::insertSubstitution(QStringLiteral("B Nazanin"), QStringLiteral("Nazli"));
    QFont::insertSubstitution(QStringLiteral("B Titr"), QStringLiteral("Titr"));
    QFont::insertSubstitution(QStringLiteral("B Mitra"), QStringLiteral("Noto Naskh Arabic"));
    QFont::insertSubstitution(QStringLiteral("Arabic Transparent"), QStringLiteral("Noto Naskh Arabic"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("DejaVu Sans"));

    QLocale::setDefault(QLocale(QLocale::Persian, QLocale::Iran));
    app.setLayoutDirection(Qt::RightToLeft);

    auto *translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Persian), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(translator);
    app.installTranslator(new ProgramWords(&app));  // asked before Qt's own

    app.setFont(QFont(QStringLiteral("B Nazanin"), 12));
}

QString installedFamily(const QString &designed)
{
    return QFontDatabase::hasFamily(designed) ? designed : QFont::substitute(designed);
}

void useInstalledTypefaces(QApplication &app)
{
    awaitFontList();
    app.setFont(QFont(installedFamily(QStringLiteral("B Nazanin")), 12));
}

#ifdef Q_OS_WIN
// Windows has no umask: the database and backups live in the user's own
// profile, whose ACLs keep them from every other account.
void keepFilesPrivate() {}
#else
void keepFilesPrivate() { ::umask(077); }
#endif
