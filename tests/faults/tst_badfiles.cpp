// Files as clinic computers hold them: a database name that is a link to a
// file elsewhere, a file with a second name, a file made read-only, things at
// the journal's name that are no journal, a backup that brings triggers and
// views of its own, a PDF name that is a link. Each keeps what it must: the
// real file, the modes, the bytes, the program's own schema.
#include "FaultTools.h"
#include "ScriptedDialogs.h"
#include "TestFolder.h"

#include "backup/Backup.h"
#include "data/Database.h"
#include "data/DatabaseLock.h"
#include "data/TableView.h"
#include "reports/SubjectTableReport.h"
#include "scoring/ScoreTally.h"
#include "shell/ProgramStart.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace FaultTools;

namespace {
struct stat statOf(const QString &path)
{
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st;
}

// Statements on a file of the test's own connection.
void onFile(const QString &file, const QStringList &statements)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        db.setDatabaseName(file);
        QVERIFY(db.open());
        QSqlQuery q(db);
        for (const QString &s : statements)
            QVERIFY2(q.exec(s), qPrintable(s + ": " + q.lastError().text()));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
}

// The first value a query gives on a file.
QString onFileValue(const QString &file, const QString &query)
{
    QString value;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("value"));
        db.setDatabaseName(file);
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(query) && q.next())
                value = q.value(0).toString();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("value"));
    return value;
}

QStringList schemaOf(const QString &file, const QString &type)
{
    QStringList names;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("schema"));
        db.setDatabaseName(file);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery q(db);
            q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = '%1' ORDER BY name").arg(type));
            while (q.next())
                names << q.value(0).toString();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("schema"));
    return names;
}

// The start refused with one box that names `named` and says the database is untouched.
void expectRefusedStart(ScriptedDialogs &dialogs, const QString &named)
{
    QVERIFY(!openProgramDatabase());
    QVERIFY(!Database::isOpen());
    QCOMPARE(dialogs.shown.size(), 1);  // no offer of a backup after it
    const QString text = dialogs.last().text;
    QVERIFY2(text.contains(named), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("بانک اطلاعاتي دست نخورده است")), qPrintable(text));
    QVERIFY2(!text.contains(QStringLiteral("آسيب ديده")), qPrintable(text));
    QVERIFY(!dialogs.last().buttons.testFlag(QMessageBox::Open));
}
}  // namespace

class BadFilesTest : public QObject
{
    Q_OBJECT
private slots:
    void nonJournalAtJournalNameBlocksTheStart_data();
    void nonJournalAtJournalNameBlocksTheStart();
    void secondHardLinkRefused();
    void readOnlyFileKeepsItsMode_data();
    void readOnlyFileKeepsItsMode();
    void restoreThroughLinkReplacesTheRealFile();
    void backupTriggersAndViewsNeverRun();
    void backupWithCountsChangedIsCountedAnew();
    void backupThatShrinksAsItIsCleanedIsRestored();
    void pdfSavedOverLinkLeavesItsTarget();
};

void BadFilesTest::nonJournalAtJournalNameBlocksTheStart_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("folder") << "folder";
    QTest::newRow("file of mode 000") << "mode000";
    QTest::newRow("link to nothing") << "dangling";
    QTest::newRow("link to a file elsewhere") << "link";
    QTest::newRow("FIFO, which would hold a reader") << "fifo";
}

void BadFilesTest::nonJournalAtJournalNameBlocksTheStart()
{
    QFETCH(QString, kind);
    TestFolder folder;
    folder.addSubject("J1");
    Database::close();
    const QString file = folder.databaseFile();
    const QString journal = file + "-journal";
    QTemporaryDir elsewhere;
    if (kind == "folder") {
        QVERIFY(QDir().mkdir(journal));
    } else if (kind == "mode000") {
        QFile f(journal);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
        f.close();
        QVERIFY(::chmod(QFile::encodeName(journal).constData(), 0) == 0);
    } else if (kind == "dangling") {
        QVERIFY(QFile::link(elsewhere.filePath("gone"), journal));
    } else if (kind == "fifo") {
        QVERIFY(::mkfifo(QFile::encodeName(journal).constData(), 0600) == 0);
    } else {
        QFile f(elsewhere.filePath("target"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(512, '\0'));
        f.close();
        QVERIFY(QFile::link(f.fileName(), journal));
    }
    const QByteArray before = hashOf(file);

    ScriptedDialogs dialogs;
    expectRefusedStart(dialogs, leftToRight(QFileInfo(journal).fileName()));
    QCOMPARE(hashOf(file), before);
    QVERIFY(statOf(journal).st_nlink > 0);  // still there as it was
    QVERIFY(!QFileInfo::exists(DatabaseLock::lockFileFor(file)));

    // Taken away, the file opens with its subject.
    if (kind == "folder")
        QVERIFY(QDir().rmdir(journal));
    else
        QVERIFY(::unlink(QFile::encodeName(journal).constData()) == 0);
    QVERIFY(openProgramDatabase());
    QCOMPARE(folder.sql("SELECT Code FROM IDE WHERE Code = 'J1'"), QStringList{"J1"});
    Database::close();
    DatabaseLock::release();
}

// A second name (cp -l of the program folder) lets a second program write the
// file by a lock and a journal of its own: neither name is opened.
void BadFilesTest::secondHardLinkRefused()
{
    TestFolder folder;
    folder.addSubject("H1");
    Database::close();
    const QString file = folder.databaseFile();
    QTemporaryDir second;
    const QString other = second.filePath("DBTavor.mdb");
    QVERIFY(::link(QFile::encodeName(file).constData(), QFile::encodeName(other).constData()) == 0);
    const QByteArray before = hashOf(file);

    ScriptedDialogs dialogs;
    expectRefusedStart(dialogs, QStringLiteral("در جاي ديگري هم با نام ديگري هست (2 نام"));
    QVERIFY(dialogs.last().text.contains(leftToRight(file)));
    QCOMPARE(hashOf(file), before);
    QCOMPARE(hashOf(other), before);
    QCOMPARE(int(statOf(file).st_nlink), 2);
    QVERIFY(!QFileInfo::exists(file + "-journal"));

    // With the second name gone it opens.
    QVERIFY(QFile::remove(other));
    QVERIFY(openProgramDatabase());
    Database::close();
    DatabaseLock::release();
}

void BadFilesTest::readOnlyFileKeepsItsMode_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("0444") << 0444;
    QTest::newRow("0400") << 0400;
    QTest::newRow("0440") << 0440;
}

// The clinic made the file read-only: the mode is theirs, never the program's
// to change; the start says why it stops.
void BadFilesTest::readOnlyFileKeepsItsMode()
{
    QFETCH(int, mode);
    TestFolder folder;
    folder.addSubject("R1");
    Database::close();
    const QString file = folder.databaseFile();
    QVERIFY(::chmod(QFile::encodeName(file).constData(), mode_t(mode)) == 0);
    const QByteArray before = hashOf(file);

    ScriptedDialogs dialogs;
    expectRefusedStart(dialogs, QStringLiteral("فقط خواندني است"));
    QCOMPARE(int(statOf(file).st_mode & 07777), mode);
    QCOMPARE(hashOf(file), before);
    QVERIFY(!QFileInfo::exists(file + "-journal"));
}

// DBTavor.mdb is a link to the clinic's file on another disk: the restore
// replaces that file, the link stays, and the next start reads the backup's rows.
void BadFilesTest::restoreThroughLinkReplacesTheRealFile()
{
    TestFolder folder;
    folder.addSubject("L1");
    Database::close();
    const QString name = folder.databaseFile();
    QTemporaryDir disk;
    const QString real = disk.filePath("clinic.mdb");
    QVERIFY(QFile::rename(name, real));
    QVERIFY(QFile::link(real, name));

    ScriptedDialogs dialogs;
    QVERIFY(openProgramDatabase());
    const QString backup = folder.path() + "/Back/one.mdbB";
    QCOMPARE(Backup::BackupDatabase(backup, nullptr), 1);
    folder.addSubject("L2");
    folder.addSubject("L3");

    QString why;
    QCOMPARE(Backup::RestoreDatabase(backup, nullptr, {}, &why), Backup::RestoreResult::Restored);
    QVERIFY(QFileInfo(name).isSymLink());
    QCOMPARE(QFileInfo(name).symLinkTarget(), real);
    QCOMPARE(folder.sql("SELECT Code FROM IDE WHERE Code LIKE 'L%' ORDER BY Code"), QStringList{"L1"});
    Database::close();
    DatabaseLock::release();
    onFile(real, {});
    QCOMPARE(schemaOf(real, "table").contains("IDE"), true);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("real"));
        db.setDatabaseName(real);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec("SELECT count(*) FROM IDE WHERE Code LIKE 'L%'") && q.next());
        QCOMPARE(q.value(0).toInt(), 1);
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("real"));
    QVERIFY(openProgramDatabase());
    QCOMPARE(folder.sql("SELECT Code FROM IDE WHERE Code LIKE 'L%'"), QStringList{"L1"});
    Database::close();
    DatabaseLock::release();
}

// A backup with a trigger that copies each new subject's name elsewhere and
// a view of its own: after the restore neither is in the database, and a new
// subject goes nowhere but the program's tables.
void BadFilesTest::backupTriggersAndViewsNeverRun()
{
    TestFolder folder;
    folder.addSubject("T1");
    const QString backup = folder.path() + "/Back/tampered.mdbB";
    QCOMPARE(Backup::BackupDatabase(backup, nullptr), 1);
    onFile(backup, {"CREATE TABLE Leak (Name TEXT)",
                    "CREATE TRIGGER Copier AFTER INSERT ON IDE BEGIN INSERT INTO Leak VALUES (NEW.FName); END",
                    "DROP TRIGGER IF EXISTS Tally_IDE_INSERT",
                    "CREATE TRIGGER Tally_IDE_INSERT AFTER INSERT ON IDE BEGIN INSERT INTO Leak VALUES ('x'); END",
                    "CREATE VIEW Names AS SELECT FName FROM IDE",
                    "CREATE INDEX Extra ON IDE (Sen)"});
    const QByteArray backupBefore = hashOf(backup);

    QString why;
    QCOMPARE(Backup::RestoreDatabase(backup, nullptr, {}, &why), Backup::RestoreResult::Restored);
    folder.addSubject("T2", "A", "پنهان");
    const QString file = folder.databaseFile();
    QCOMPARE(folder.sql("SELECT count(*) FROM IDE WHERE Code IN ('T1', 'T2')"), QStringList{"2"});
    QVERIFY(!schemaOf(file, "table").contains("Leak"));
    QVERIFY(!schemaOf(file, "trigger").contains("Copier"));
    QCOMPARE(schemaOf(file, "view"), QStringList());
    QVERIFY(!schemaOf(file, "index").contains("Extra"));
    for (const QString &trigger : schemaOf(file, "trigger"))
        QVERIFY2(trigger.startsWith("Tally_"), qPrintable(trigger));
    QVERIFY(!folder.sql("SELECT sql FROM sqlite_master WHERE type = 'trigger'").join(' ').contains("Leak"));
    QCOMPARE(hashOf(backup), backupBefore);  // the backup itself is read, never changed
}

// One table of the score counts changed in a backup (a blank in its
// definition) would stop every save once restored: the counts go whole and
// are made and counted anew.
void BadFilesTest::backupWithCountsChangedIsCountedAnew()
{
    ScriptedDialogs dialogs;
    TestFolder folder;
    folder.addSubject("C1");
    folder.addSubject("C2", "B");
    const QString backup = folder.path() + "/Back/counts.mdbB";
    QCOMPARE(Backup::BackupDatabase(backup, nullptr), 1);
    const QString pending = onFileValue(backup, "SELECT sql FROM sqlite_master WHERE name = 'TallyPending'");
    QVERIFY(!pending.isEmpty());
    onFile(backup, {"DROP TABLE TallyPending", QString(pending).replace("(", " (", Qt::CaseSensitive),
                    "UPDATE Tally SET Subjects = Subjects + 40"});

    QString why;
    QCOMPARE(Backup::RestoreDatabase(backup, nullptr, {}, &why), Backup::RestoreResult::Restored);
    folder.addSubject("C3");
    QCOMPARE(folder.sql("SELECT count(*) FROM IDE"), QStringList{"3"});
    qint64 differing = -1;
    QVERIFY2(ScoreTally::recount(false, &differing, &why), qPrintable(why));
    QCOMPARE(differing, qint64(0));
}

// A backup whose file shrinks as what is not the program's is dropped (its
// pages given back at once) is restored, and says so.
void BadFilesTest::backupThatShrinksAsItIsCleanedIsRestored()
{
    ScriptedDialogs dialogs;
    TestFolder folder;
    folder.addSubject("S1");
    const QString backup = folder.path() + "/Back/large.mdbB";
    QCOMPARE(Backup::BackupDatabase(backup, nullptr), 1);
    onFile(backup, {"PRAGMA auto_vacuum = FULL", "VACUUM", "CREATE TABLE Junk (x BLOB)",
                    "INSERT INTO Junk SELECT randomblob(4000) FROM (WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL "
                    "SELECT i + 1 FROM n WHERE i < 500) SELECT i FROM n)"});
    const qint64 backupSize = QFileInfo(backup).size();
    QString why;
    QCOMPARE(Backup::RestoreDatabase(backup, nullptr, {}, &why), Backup::RestoreResult::Restored);
    QVERIFY(QFileInfo(folder.databaseFile()).size() < backupSize / 2);
    QVERIFY(!schemaOf(folder.databaseFile(), "table").contains("Junk"));
    QCOMPARE(folder.sql("SELECT Code FROM IDE"), QStringList{"S1"});
}

// Every save replaces a link at its name instead of writing through it: the
// link's target keeps its bytes.
void BadFilesTest::pdfSavedOverLinkLeavesItsTarget()
{
    TestFolder folder;
    folder.addSubject("P1");
    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath("keep.txt");
    {
        QFile f(target);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("the clinic's own file\n");
    }
    const QByteArray before = hashOf(target);
    const QString pdf = folder.path() + "/report.pdf";
    QVERIFY(QFile::link(target, pdf));

    TableView subjects("IDE");
    SubjectTableReport report;
    report.setDataSource(subjects);
    QString error;
    QVERIFY2(report.saveAsPdf(pdf, &error), qPrintable(error));
    QCOMPARE(hashOf(target), before);
    QVERIFY(!QFileInfo(pdf).isSymLink());
    QFile saved(pdf);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QVERIFY(saved.read(5) == "%PDF-");
    QCOMPARE(int(statOf(pdf).st_mode & 0777), 0600);
}

QTEST_MAIN(BadFilesTest)
#include "tst_badfiles.moc"
