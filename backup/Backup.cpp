#include "backup/Backup.h"

#include "data/Database.h"
#include "data/DatabaseLock.h"
#include "data/StoreCopy.h"
#include "platform/Dialogs.h"
#include "platform/ProgramFolder.h"
#include "scoring/ScoreTally.h"
#include "shell/MainWindow.h"

#include <QFileInfo>

namespace Backup {
namespace {
bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}
}  // namespace

int CopyFileInChunks(const QString &source, const QString &destination, QWidget *owner, const Progress &progress,
                     const SafeFile::Verify &verify)
{
    QString error;
    if (copyFile(source, destination, progress, &error, verify))
        return 1;
    showMessage(owner, QStringLiteral("اشکال در ايجاد نسخه پشتيباني") + '\n' + error, MainWindow::programTitle(),
                QMessageBox::Critical);
    return 0;
}

int BackupDatabase(const QString &target, QWidget *owner, const Progress &progress)
{
    // From a server: the same file format, written from one snapshot of its rows.
    if (Database::isServer()) {
        QString error;
        if (StoreCopy::writeServerToFile(target, progress, &error))
            return 1;
        showMessage(owner, QStringLiteral("اشکال در ايجاد نسخه پشتيباني") + '\n' + error, MainWindow::programTitle(),
                    QMessageBox::Critical);
        return 0;
    }
    const QString database = ProgramFolder::databaseFile();
    // No commit can land halfway through the copy while the snapshot is held.
    Database::ReadSnapshot snapshot(database);
    if (!snapshot.isHeld()) {
        showMessage(owner, QStringLiteral("اشکال در ايجاد نسخه پشتيباني") + '\n' + snapshot.errorString(),
                    MainWindow::programTitle(), QMessageBox::Critical);
        return 0;
    }
    return CopyFileInChunks(database, target, owner, progress, isSoundDatabase);
}

RestoreResult RestoreDatabase(const QString &source, QWidget *owner, const Progress &progress, QString *why)
{
    if (!isRestorableBackup(source, why))
        return RestoreResult::Refused;
    // On a server the four tables' rows are replaced in one transaction.
    if (Database::isServer())
        return StoreCopy::replaceServerRows(source, false, progress, why, ScoreTally::suspend, ScoreTally::rebuild)
                   ? RestoreResult::Restored
                                                                         : RestoreResult::OtherFailure;

    // The file the lock holds: where the database's name is a link to a file
    // elsewhere, that file is replaced and the link stays.
    const QString database = DatabaseLock::realFile(ProgramFolder::databaseFile());
    const QStringList kept = ownSchema();
    // No connection may hold the old file while it is replaced; the table
    // views of the windows read nothing until it is open again.
    Database::close();

    // A journal beside the database would be played back into the new file.
    for (const char *suffix : {"-journal", "-wal"}) {
        if (QFileInfo(database + QLatin1String(suffix)).size() > 0) {
            Database::open(database);
            fail(why, QStringLiteral("بانک اطلاعاتي در حال استفاده است"));
            return RestoreResult::OtherFailure;
        }
    }

    // The source passed the integrity check above; the copy is checked byte
    // count by byte count on its way.
    const int copied = CopyFileInChunks(source, database, owner, progress,
                                        [&kept](const QString &copy, QString *why) { return keepOnlyOwnSchema(copy, kept, why); });
    // The new file under the old name is held against a second program too.
    DatabaseLock::followReplacedFile();
    QString openError;
    if (!Database::open(database, &openError)) {
        fail(why, openError);
        return RestoreResult::OtherFailure;
    }
    // A backup of an older program has no score counts yet.
    ScoreTally::ensure();
    return copied == 1 ? RestoreResult::Restored : RestoreResult::CopyFailed;
}

}  // namespace Backup
