// The file system calls that differ between Linux and Windows, on real files
// in a folder with a Persian name: what a name holds, durable replace, hard
// links, and the lock on the database file, which must not stop SQLite from
// using the same file. And the command line a program is started with on
// Windows, which must give it back exactly its arguments.
#include "platform/Desktop.h"
#include "platform/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
bool windows() { return QSysInfo::productType() == QLatin1String("windows"); }

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}
}  // namespace

class FileSystemTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void entryTellsWhatIsThere_data();
    void entryTellsWhatIsThere();
    void linkThatLeadsNowhereExists();
    void readOnlyFileIsNotWritable();
    void hardLinkCountsTwoNames();
    void replacePutsTheNewFileInPlace();
    void replaceOfMissingFileKeepsTheDestination();
    void syncFlushesExistingFilesOnly();
    void secondLockIsRefusedUntilTheFirstGoes();
    void lockOfMissingFileIsNotABlock();
    void lockLeavesSqliteFreeToWrite();
    void windowsCommandLine_data();
    void windowsCommandLine();

private:
    std::unique_ptr<QTemporaryDir> m_temp;
    QString m_dir;  // a folder with a Persian name inside the temporary one
    QString at(const QString &name) const { return m_dir + '/' + name; }
};

void FileSystemTest::init()
{
    m_temp = std::make_unique<QTemporaryDir>();
    m_dir = m_temp->path() + QStringLiteral("/پرونده ها");
    QVERIFY(QDir().mkpath(m_dir));
}

void FileSystemTest::entryTellsWhatIsThere_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<bool>("regular");
    QTest::newRow("file") << QStringLiteral("بانک.mdb") << true << true;
    QTest::newRow("folder") << QStringLiteral("پشتيبان") << true << false;
    QTest::newRow("nothing") << QStringLiteral("هيچ") << false << false;
}

void FileSystemTest::entryTellsWhatIsThere()
{
    QFETCH(QString, name);
    QFETCH(bool, exists);
    QFETCH(bool, regular);
    QVERIFY(writeFile(at(QStringLiteral("بانک.mdb")), "records"));
    QVERIFY(QDir().mkpath(at(QStringLiteral("پشتيبان"))));
    for (const bool follow : {true, false}) {
        const FileSystem::Entry e = FileSystem::entry(at(name), follow);
        QCOMPARE(e.exists, exists);
        QCOMPARE(e.regular, regular);
    }
    const FileSystem::Entry file = FileSystem::entry(at(QStringLiteral("بانک.mdb")), true);
    QCOMPARE(file.links, qint64(1));
    QVERIFY(file.ownerReadWrite);
    QVERIFY(file.ownerWritable);
    QVERIFY(FileSystem::mayReadWrite(at(QStringLiteral("بانک.mdb"))));
    QVERIFY(!FileSystem::mayReadWrite(at(QStringLiteral("هيچ"))));
}

void FileSystemTest::linkThatLeadsNowhereExists()
{
    if (windows())
        QSKIP("symbolic links need a privilege on Windows");
    QVERIFY(QFile::link(at(QStringLiteral("gone")), at(QStringLiteral("link"))));
    const FileSystem::Entry self = FileSystem::entry(at(QStringLiteral("link")), false);
    QVERIFY(self.exists);
    QVERIFY(!self.regular);
    QVERIFY(!FileSystem::entry(at(QStringLiteral("link")), true).exists);
}

void FileSystemTest::readOnlyFileIsNotWritable()
{
    const QString file = at(QStringLiteral("فقط خواندني.mdb"));
    QVERIFY(writeFile(file, "x"));
    QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadUser));
    const FileSystem::Entry e = FileSystem::entry(file, true);
    QVERIFY(e.exists && e.regular);
    QVERIFY(!e.ownerWritable);
    QVERIFY(!e.ownerReadWrite);
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
}

void FileSystemTest::hardLinkCountsTwoNames()
{
    const QString file = at(QStringLiteral("بانک.mdb"));
    QVERIFY(writeFile(file, "records"));
    QVERIFY(FileSystem::hardLink(file, at(QStringLiteral("نام ديگر.mdb"))));
    QCOMPARE(readFile(at(QStringLiteral("نام ديگر.mdb"))), QByteArray("records"));
    QCOMPARE(FileSystem::entry(file, true).links, qint64(2));
    QVERIFY(!FileSystem::hardLink(file, at(QStringLiteral("نام ديگر.mdb"))));  // the name is taken
}

void FileSystemTest::replacePutsTheNewFileInPlace()
{
    QVERIFY(writeFile(at(QStringLiteral("بانک.mdb")), "old records"));
    QVERIFY(writeFile(at(QStringLiteral(".بانک.mdb.new")), "new records"));
    QString why;
    QVERIFY2(FileSystem::replace(at(QStringLiteral(".بانک.mdb.new")), at(QStringLiteral("بانک.mdb")), &why),
             qPrintable(why));
    QCOMPARE(readFile(at(QStringLiteral("بانک.mdb"))), QByteArray("new records"));
    QVERIFY(!QFile::exists(at(QStringLiteral(".بانک.mdb.new"))));
    // Where nothing stood before, too.
    QVERIFY(writeFile(at(QStringLiteral("a")), "first"));
    QVERIFY(FileSystem::replace(at(QStringLiteral("a")), at(QStringLiteral("تازه")), &why));
    QCOMPARE(readFile(at(QStringLiteral("تازه"))), QByteArray("first"));
}

void FileSystemTest::replaceOfMissingFileKeepsTheDestination()
{
    QVERIFY(writeFile(at(QStringLiteral("بانک.mdb")), "old records"));
    QString why;
    QVERIFY(!FileSystem::replace(at(QStringLiteral("هيچ")), at(QStringLiteral("بانک.mdb")), &why));
    QVERIFY(!why.isEmpty());
    QCOMPARE(readFile(at(QStringLiteral("بانک.mdb"))), QByteArray("old records"));
}

void FileSystemTest::syncFlushesExistingFilesOnly()
{
    QVERIFY(writeFile(at(QStringLiteral("بانک.mdb")), "records"));
    QVERIFY(FileSystem::syncFile(at(QStringLiteral("بانک.mdb"))));
    QVERIFY(!FileSystem::syncFile(at(QStringLiteral("هيچ"))));
    QVERIFY(FileSystem::syncFolder(m_dir));
}

void FileSystemTest::secondLockIsRefusedUntilTheFirstGoes()
{
    const QString file = at(QStringLiteral("بانک.mdb"));
    QVERIFY(writeFile(file, "records"));
    bool blocked = true;
    const FileSystem::LockHandle first = FileSystem::lockFile(file, &blocked);
    QVERIFY(first != FileSystem::NoLock);
    QVERIFY(!blocked);
    // Another open of the same file, as a second program makes it.
    QCOMPARE(FileSystem::lockFile(file, &blocked), FileSystem::NoLock);
    QVERIFY(blocked);
    // The lock follows the file, not the name: a second name meets it too.
    QVERIFY(FileSystem::hardLink(file, at(QStringLiteral("نام ديگر.mdb"))));
    QCOMPARE(FileSystem::lockFile(at(QStringLiteral("نام ديگر.mdb")), &blocked), FileSystem::NoLock);
    QVERIFY(blocked);
    FileSystem::unlockFile(first);
    const FileSystem::LockHandle second = FileSystem::lockFile(file, &blocked);
    QVERIFY(second != FileSystem::NoLock);
    QVERIFY(!blocked);
    FileSystem::unlockFile(second);
}

void FileSystemTest::lockOfMissingFileIsNotABlock()
{
    bool blocked = true;
    QCOMPARE(FileSystem::lockFile(at(QStringLiteral("هيچ")), &blocked), FileSystem::NoLock);
    QVERIFY(!blocked);
}

void FileSystemTest::lockLeavesSqliteFreeToWrite()
{
    const QString file = at(QStringLiteral("بانک.mdb"));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("make"));
        db.setDatabaseName(file);
        QVERIFY(db.open());
        QVERIFY(QSqlQuery(db).exec(QStringLiteral("CREATE TABLE t (x INTEGER)")));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("make"));
    bool blocked = false;
    const FileSystem::LockHandle lock = FileSystem::lockFile(file, &blocked);
    QVERIFY(lock != FileSystem::NoLock);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("use"));
        db.setDatabaseName(file);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY2(q.exec(QStringLiteral("INSERT INTO t VALUES (42)")), qPrintable(q.lastError().text()));
        QVERIFY(q.exec(QStringLiteral("SELECT x FROM t")) && q.next());
        QCOMPARE(q.value(0).toInt(), 42);
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("use"));
    FileSystem::unlockFile(lock);
}

void FileSystemTest::windowsCommandLine_data()
{
    // Backslashes are doubled only before a quote, the quote itself escaped,
    // and those at the end doubled before the closing quote.
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("line");
    QTest::newRow("blank in the folder")
        << QStringLiteral(R"(C:\Program Files\Mehrsan\Zelqupdate.exe)") << QStringList()
        << QStringLiteral(R"("C:\Program Files\Mehrsan\Zelqupdate.exe")");
    QTest::newRow("Persian folder")
        << QStringLiteral(R"(C:\Users\مريم\AppData\Local\Programs\مهرسان\setup-Zelq.exe)") << QStringList()
        << QStringLiteral(R"("C:\Users\مريم\AppData\Local\Programs\مهرسان\setup-Zelq.exe")");
    QTest::newRow("arguments")
        << QStringLiteral("a.exe")
        << QStringList{"one", "two words"}
        << QStringLiteral(R"("a.exe" "one" "two words")");
    QTest::newRow("empty argument") << QStringLiteral("a.exe") << QStringList{""} << QStringLiteral(R"("a.exe" "")");
    QTest::newRow("quotes")
        << QStringLiteral("a.exe")
        << QStringList{QStringLiteral(R"(say "hi")")}
        << QStringLiteral(R"("a.exe" "say \"hi\"")");
    QTest::newRow("trailing backslash")
        << QStringLiteral("a.exe")
        << QStringList{QStringLiteral(R"(C:\folder\)")}
        << QStringLiteral(R"("a.exe" "C:\folder\\")");
    QTest::newRow("backslash before quote")
        << QStringLiteral("a.exe")
        << QStringList{QStringLiteral(R"(a\"b)")}
        << QStringLiteral(R"("a.exe" "a\\\"b")");
    QTest::newRow("share")
        << QStringLiteral("a.exe")
        << QStringList{QStringLiteral(R"(\\server\share)")}
        << QStringLiteral(R"("a.exe" "\\server\share")");
}

void FileSystemTest::windowsCommandLine()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(QString, line);
    QCOMPARE(Desktop::windowsCommandLine(program, arguments), line);
}

QTEST_GUILESS_MAIN(FileSystemTest)
#include "tst_filesystem.moc"
