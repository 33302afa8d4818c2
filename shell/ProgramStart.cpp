#include "shell/ProgramStart.h"

#include "data/Database.h"
#include "data/DatabaseLock.h"
#include "data/ServerSettings.h"
#include "platform/Dialogs.h"
#include "platform/ProgramFolder.h"

#include <QDir>
#include <QFileInfo>

QString newestBackup(const QString &folder)
{
    const QFileInfoList backups =
        QDir(folder).entryInfoList({QStringLiteral("*.mdbB")}, QDir::Files, QDir::Time);
    return backups.isEmpty() ? QString() : QDir::toNativeSeparators(backups.first().absoluteFilePath());
}

bool openProgramDatabase()
{
    const QString file = ProgramFolder::databaseFile();
    const QString ending = QStringLiteral("\nبرنامه بسته مي شود.");
    // Tables on a server: no file to lock or check here, the server keeps them whole.
    if (ServerSettings::exists()) {
        QString error;
        if (Database::openStore(&error))
            return true;
        showMessage(nullptr, error + ending, QStringLiteral("خطا"), QMessageBox::Critical);
        return false;
    }
    QString why;
    switch (DatabaseLock::take(file, &why)) {
    case DatabaseLock::Result::Taken:
        break;
    case DatabaseLock::Result::HeldElsewhere:
        showMessage(nullptr,
                    QStringLiteral("برنامه هم اکنون باز است و بانک اطلاعاتي آن در حال استفاده است:\n%1\n"
                                   "در رايانه %2")
                            .arg(leftToRight(file), leftToRight(why)) + ending,
                    QStringLiteral("خطا"), QMessageBox::Critical);
        return false;
    case DatabaseLock::Result::Failed:
        showMessage(nullptr, QStringLiteral("بانک اطلاعاتي برنامه قفل نشد:\n%1\n%2").arg(leftToRight(file), leftToRight(why)) + ending,
                    QStringLiteral("خطا"), QMessageBox::Critical);
        return false;
    }

    QString error;
    if (Database::open(file, &error))
        return true;
    DatabaseLock::release();
    if (QFileInfo::exists(file)) {
        const QString backup = newestBackup(ProgramFolder::backupFolder());
        error += backup.isEmpty() ? QStringLiteral("\nنسخه پشتيباني در پوشه Back نيست.")
                                  : QStringLiteral("\nآخرين نسخه پشتيبان:\n%1").arg(leftToRight(backup));
    }
    showMessage(nullptr, error + ending, QStringLiteral("خطا"), QMessageBox::Critical);
    return false;
}
