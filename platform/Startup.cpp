#include "platform/Startup.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <sys/stat.h>

void setUpApplication(QApplication &app)
{
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

    QFont font(QStringLiteral("B Nazanin"));
    font.setPointSize(12);
    app.setFont(font);
}

void keepFilesPrivate() { ::umask(077); }
