// Journals that are not the database's own are never played back: a -wal or
// -shm beside the file, or a hot -journal that no crash of this program can
// have left, refuses the start with the file and the journal byte for byte as
// they were. A journal found with a crashed program's lock is rolled back, and
// put back with the file when the result fails the checks.
#include "FaultTools.h"
#include "ScriptedDialogs.h"
#include "TestFolder.h"

#include "data/Database.h"
#include "data/DatabaseLock.h"
#include "shell/ProgramStart.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

using namespace FaultTools;

namespace {
// Runs statements on a file of the test's own; `whileOpen` is called before
// the connection closes (a WAL or a journal still beside the file then).
void onFile(const QString &file, const QStringList &statements, const std::function<void()> &whileOpen = {})
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        db.setDatabaseName(file);
        QVERIFY(db.open());
        QSqlQuery q(db);
        for (const QString &s : statements)
            QVERIFY2(q.exec(s), qPrintable(s + ": " + q.lastError().text()));
        if (whileOpen)
            whileOpen();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
}

// Subjects c1 ... c<n> in the folder's database.
void addSubjects(TestFolder &folder, int n)
{
    folder.sql(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                              "INSERT INTO IDE (Code, FName) SELECT 'c' || i, 'نام ' || i FROM n").arg(n));
    folder.sql("INSERT INTO Answer (Code, \"1\") SELECT Code, '3' FROM IDE");
}

// The -journal of a write transaction on `file` that has spilled pages into
// the file, copied to `to` while the transaction is open: a hot journal.
void hotJournalOf(const QString &file, const QStringList &writes, const QString &to)
{
    QStringList statements = {"PRAGMA journal_mode=DELETE", "PRAGMA cache_size=2", "BEGIN"};
    statements += writes;
    onFile(file, statements, [&] {
        QVERIFY(QFileInfo(file + "-journal").size() > 0);
        QVERIFY(QFile::copy(file + "-journal", to));
    });
}

// Kills a running program on the folder: its lock stays behind.
void leaveCrashedLock(const QString &folder)
{
    QProcess child;
    QVERIFY(startChild(child, folder, {QStringLiteral("hold")}));
    QVERIFY(waitUntilOpen(child));
    killHard(child);
}
}  // namespace

class StrayJournalsTest : public QObject
{
    Q_OBJECT
private slots:
    void foreignJournalRefusesTheStart_data();
    void foreignJournalRefusesTheStart();
    void ownJournalThatBreaksTheFileIsPutBack();
};

void StrayJournalsTest::foreignJournalRefusesTheStart_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("-wal of a copy with 10 of 300 subjects") << "wal-copy";
    QTest::newRow("-wal of an unrelated database") << "wal-other";
    QTest::newRow("-shm alone") << "shm";
    QTest::newRow("hot -journal of an unrelated database") << "journal-other";
    QTest::newRow("hot -journal of a copy, no crashed lock") << "journal-copy";
}

void StrayJournalsTest::foreignJournalRefusesTheStart()
{
    QFETCH(QString, kind);
    TestFolder folder;
    addSubjects(folder, 300);
    Database::close();
    const QString file = folder.databaseFile();
    QTemporaryDir elsewhere;
    const QString copy = elsewhere.filePath("copy.mdb");
    QVERIFY(QFile::copy(file, copy));
    const QString other = elsewhere.filePath("other.db");
    onFile(other, {"CREATE TABLE t (x)", "INSERT INTO t VALUES (randomblob(50000))"});

    QString stray;
    if (kind == "wal-copy" || kind == "wal-other") {
        stray = file + "-wal";
        const QString source = kind == "wal-copy" ? copy : other;
        const QStringList writes = kind == "wal-copy"
                                       ? QStringList{"DELETE FROM IDE WHERE CAST(substr(Code, 2) AS INTEGER) > 10",
                                                     "DELETE FROM Answer WHERE CAST(substr(Code, 2) AS INTEGER) > 10"}
                                       : QStringList{"DROP TABLE t", "CREATE TABLE u (y)"};
        onFile(source, QStringList{"PRAGMA journal_mode=WAL", "PRAGMA wal_autocheckpoint=0"} + writes,
               [&] { QVERIFY(QFile::copy(source + "-wal", stray)); });
    } else if (kind == "shm") {
        stray = file + "-shm";
        QVERIFY(QFile::copy(other, stray));
    } else {
        stray = file + "-journal";
        hotJournalOf(kind == "journal-copy" ? copy : other,
                     kind == "journal-copy" ? QStringList{"DELETE FROM IDE", "DELETE FROM Answer"}
                                            : QStringList{"DELETE FROM t", "INSERT INTO t VALUES (randomblob(90000))"},
                     stray);
    }
    const QByteArray fileBefore = hashOf(file), strayBefore = hashOf(stray);

    ScriptedDialogs dialogs;
    QVERIFY(!openProgramDatabase());
    QVERIFY(!Database::isOpen());
    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.last().title, QStringLiteral("خطا"));
    QVERIFY2(dialogs.last().text.contains(leftToRight(QFileInfo(stray).fileName())), qPrintable(dialogs.last().text));
    QVERIFY(dialogs.last().text.contains(QStringLiteral("بانک اطلاعاتي دست نخورده است")));
    // Whose the stray file is, the program cannot know: it does not say it is another database's.
    QVERIFY2(!dialogs.last().text.contains(QStringLiteral("از اين بانک اطلاعاتي نيست")), qPrintable(dialogs.last().text));
    QCOMPARE(hashOf(file), fileBefore);
    QCOMPARE(hashOf(stray), strayBefore);
    QVERIFY(!QFileInfo::exists(DatabaseLock::lockFileFor(file)));

    // Taken away, the file opens with all of its subjects.
    QVERIFY(QFile::remove(stray));
    QVERIFY(openProgramDatabase());
    QCOMPARE(folder.sql("SELECT count(*) FROM IDE"), QStringList{"300"});
    Database::close();
    DatabaseLock::release();
}

// A crashed program's lock, but a journal from an unrelated database beside the
// file: the rollback is tried, its result fails the checks, and the file and
// the journal go back as they were.
void StrayJournalsTest::ownJournalThatBreaksTheFileIsPutBack()
{
    TestFolder folder;
    addSubjects(folder, 50);
    Database::close();
    const QString file = folder.databaseFile();
    leaveCrashedLock(folder.path());
    QTemporaryDir elsewhere;
    const QString other = elsewhere.filePath("other.db");
    onFile(other, {"CREATE TABLE t (x)", "INSERT INTO t VALUES (randomblob(200000))"});
    hotJournalOf(other, {"DELETE FROM t", "INSERT INTO t VALUES (randomblob(300000))"}, file + "-journal");
    const QByteArray fileBefore = hashOf(file), journalBefore = hashOf(file + "-journal");

    ScriptedDialogs dialogs;  // the offer of a backup is answered No
    QVERIFY(!openProgramDatabase());
    QCOMPARE(dialogs.shown.size(), 1);
    QVERIFY2(dialogs.last().text.contains(QStringLiteral("در بانک اطلاعاتي نيست")), qPrintable(dialogs.last().text));
    QCOMPARE(hashOf(file), fileBefore);
    QCOMPARE(hashOf(file + "-journal"), journalBefore);
    QCOMPARE(QDir(folder.path() + "/DBTavor").entryList(QDir::Files | QDir::Hidden),
             QStringList({"DBTavor.mdb", "DBTavor.mdb-journal"}));
}

QTEST_MAIN(StrayJournalsTest)
#include "tst_strayjournals.moc"
