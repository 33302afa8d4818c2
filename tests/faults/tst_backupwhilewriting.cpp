// Backups while another program registers subjects as fast as it can: every
// backup is one consistent state of the database, passing SQLite's integrity
// check, and holds every subject acknowledged before it began.
#include "FaultTools.h"
#include "ScriptedDialogs.h"
#include "TestFolder.h"

#include "backup/Backup.h"
#include "data/Database.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

using namespace FaultTools;

namespace {
int subjectsIn(const QString &file, const QString &table)
{
    int n = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("count"));
        db.setDatabaseName(file);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("SELECT count(*) FROM %1 WHERE Code LIKE 's%'").arg(table)) && q.next())
                n = q.value(0).toInt();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("count"));
    return n;
}
}  // namespace

class BackupWhileWritingTest : public QObject
{
    Q_OBJECT
private slots:
    void everyBackupIsWhole();
};

void BackupWhileWritingTest::everyBackupIsWhole()
{
    TestFolder folder;
    // Bulk, so a copy takes long enough for commits to fall inside it.
    folder.sql("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
               "INSERT INTO IDE (Code, FName, LName) SELECT 'x' || i, hex(randomblob(200)), 'x' FROM n");
    Database::close();
    QProcess writer;
    QVERIFY(startChild(writer, folder.path(), {QStringLiteral("register"), QStringLiteral("0")}));
    QVERIFY(waitUntilOpen(writer));

    ScriptedDialogs dialogs;
    QByteArray said;
    int lastBefore = 0;
    for (int attempt = 0; attempt < 10; ++attempt) {
        QTest::qWait(30);
        said += writer.readAllStandardOutput();
        const QList<qint64> ackedBefore = acknowledged(said);
        const QString target = folder.path() + QStringLiteral("/Back/try%1.mdbB").arg(attempt);
        int chunks = 0;
        QCOMPARE(Backup::BackupDatabase(target, nullptr, [&](qint64, qint64) { ++chunks; }), 1);
        QVERIFY(dialogs.shown.isEmpty());
        QVERIFY(chunks > 1);  // still the chunked copy
        QCOMPARE(integrityOf(target), QStringLiteral("ok"));
        const int ide = subjectsIn(target, "IDE");
        QCOMPARE(subjectsIn(target, "Answer"), ide);
        QVERIFY(ide >= int(ackedBefore.size()));
        lastBefore = int(ackedBefore.size());
    }
    killHard(writer);
    said += writer.readAllStandardOutput();
    QVERIFY2(!said.contains("refused"), said.constData());
    // The writer kept registering between and around the backups.
    QVERIFY(acknowledged(said).size() > lastBefore);
    qInfo("10 backups while %lld subjects were registered: all passed the integrity check",
          qint64(acknowledged(said).size()));
}

QTEST_MAIN(BackupWhileWritingTest)
#include "tst_backupwhilewriting.moc"
