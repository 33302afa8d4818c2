#include "platform/Startup.h"

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <sys/stat.h>

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
}  // namespace

void setUpApplication(QApplication &app)
{
    app.installEventFilter(new PlainTextLabels(&app));
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

    QFont font(QStringLiteral("B Nazanin"));
    font.setPointSize(12);
    app.setFont(font);
}

void keepFilesPrivate() { ::umask(077); }
