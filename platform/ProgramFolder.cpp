#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>

namespace ProgramFolder {

QString path()
{
    const QString home = qEnvironmentVariable("MEHRSAN_HOME");
    if (!home.isEmpty())
        return QDir(home).absolutePath();
    return QCoreApplication::applicationDirPath();
}

QString file(const QString &relative) { return QDir(path()).filePath(relative); }
QString databaseFile() { return file(QStringLiteral("DBTavor/DBTavor.mdb")); }
QString backupFolder() { return file(QStringLiteral("Back")); }

QString siteUrl()
{
    QString url = qEnvironmentVariable("MEHRSAN_SITE_URL");
    if (url.isEmpty())
        url = QStringLiteral("http://www.zelq.ir");
    while (url.endsWith('/'))
        url.chop(1);
    return url;
}

QString setupAddress() { return siteUrl() + QStringLiteral("/Soft/Zelq/setup-Zelq.exe"); }

}  // namespace ProgramFolder
