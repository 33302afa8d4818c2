#include "backup/Backup.h"

#include "ScriptedDialogs.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <sys/stat.h>

namespace {
QByteArray randomBytes(qint64 size, quint32 seed)
{
    QByteArray data(size, Qt::Uninitialized);
    QRandomGenerator gen(seed);
    for (qint64 i = 0; i < size; ++i)
        data[i] = char(gen.bounded(256));
    return data;
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Files the copy left beside its destination besides the ones named.
QStringList strayFiles(const QString &folder, const QStringList &expected)
{
    QStringList out;
    for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
        if (!expected.contains(name))
            out << name;
    return out;
}
}  // namespace

class BackupCopyTest : public QObject
{
    Q_OBJECT
private slots:
    void copiesExactly_data();
    void copiesExactly();
    void copiesFiftyMegabytes();
    void replacesLongerTargetExactly();
    void copyIsTheOwnersAlone();
    void clearsCopiesLeftByAnEarlierCutOff();
    void failuresReportedOnceAndTargetKept_data();
    void failuresReportedOnceAndTargetKept();
    void windowEventsRunBetweenChunks();
};

void BackupCopyTest::copiesExactly_data()
{
    QTest::addColumn<qint64>("size");
    QTest::newRow("empty") << qint64(0);
    QTest::newRow("one byte") << qint64(1);
    QTest::newRow("one short of a chunk") << qint64(4047);
    QTest::newRow("one chunk") << qint64(4048);
    QTest::newRow("one over a chunk") << qint64(4049);
    QTest::newRow("k chunks and r") << qint64(4048 * 37 + 1234);
    QTest::newRow("exact 64 chunks") << qint64(4048 * 64);
    QTest::newRow("3 MB") << qint64(3 * 1024 * 1024 + 17);
}

// Every size arrives byte for byte, in full chunks and one last chunk of the rest.
void BackupCopyTest::copiesExactly()
{
    QFETCH(qint64, size);
    QTemporaryDir dir;
    const QString source = dir.filePath("DBTavor.mdb");
    const QString target = dir.filePath("copy.mdbB");
    const QByteArray data = randomBytes(size, quint32(size) + 1);
    QVERIFY(writeFile(source, data));

    ScriptedDialogs dialogs;
    QList<qint64> steps;
    qint64 total = -1;
    const int result = Backup::CopyFileInChunks(source, target, nullptr, [&](qint64 copied, qint64 all) {
        steps << copied;
        total = all;
    });
    QCOMPARE(result, 1);
    QVERIFY(dialogs.shown.isEmpty());
    QCOMPARE(readFile(target), data);
    QVERIFY(QFileInfo(target).isFile());

    const qint64 fullChunks = size / Backup::kChunk;
    const qint64 rest = size % Backup::kChunk;
    QCOMPARE(steps.size(), int(fullChunks + (rest ? 1 : 0)));
    for (int i = 0; i < fullChunks; ++i)
        QCOMPARE(steps[i], (i + 1) * Backup::kChunk);
    if (size > 0) {
        QCOMPARE(total, size);
        QCOMPARE(steps.last(), size);
    }
    QCOMPARE(strayFiles(dir.path(), {"DBTavor.mdb", "copy.mdbB"}), QStringList());
}

void BackupCopyTest::copiesFiftyMegabytes()
{
    QTemporaryDir dir;
    const QString source = dir.filePath("big.mdb");
    const QString target = dir.filePath("big.mdbB");
    const QByteArray data = randomBytes(50 * 1024 * 1024 + 4047, 50);
    QVERIFY(writeFile(source, data));
    ScriptedDialogs dialogs;
    QCOMPARE(Backup::CopyFileInChunks(source, target), 1);
    QCOMPARE(QCryptographicHash::hash(readFile(target), QCryptographicHash::Sha256),
             QCryptographicHash::hash(data, QCryptographicHash::Sha256));
}

void BackupCopyTest::replacesLongerTargetExactly()
{
    QTemporaryDir dir;
    const QString source = dir.filePath("DBTavor.mdb");
    const QString target = dir.filePath("old.mdbB");
    const QByteArray data = randomBytes(4048 * 3 + 5, 7);
    QVERIFY(writeFile(source, data));
    QVERIFY(writeFile(target, QByteArray(4048 * 10, 'x')));
    ScriptedDialogs dialogs;
    QCOMPARE(Backup::CopyFileInChunks(source, target), 1);
    QCOMPARE(QFileInfo(target).size(), data.size());
    QCOMPARE(readFile(target), data);

    // And back again to an empty source: the target becomes empty.
    QVERIFY(writeFile(source, QByteArray()));
    QCOMPARE(Backup::CopyFileInChunks(source, target), 1);
    QCOMPARE(QFileInfo(target).size(), 0);
}

void BackupCopyTest::copyIsTheOwnersAlone()
{
    QTemporaryDir dir;
    const QString source = dir.filePath("a");
    const QString target = dir.filePath("b");
    QVERIFY(writeFile(source, "new"));
    QVERIFY(writeFile(target, "old"));
    // Whatever the target was and whatever the umask: a backup is health data.
    QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
    const mode_t mask = ::umask(0);
    ScriptedDialogs dialogs;
    QCOMPARE(Backup::CopyFileInChunks(source, target), 1);
    ::umask(mask);
    QCOMPARE(readFile(target), QByteArray("new"));
    QCOMPARE(QFileInfo(target).permissions(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    // The process umask is as it was.
    const mode_t after = ::umask(mask);
    QCOMPARE(after, mask);
}

// Only the hidden partial copies of this destination go, nothing else.
void BackupCopyTest::clearsCopiesLeftByAnEarlierCutOff()
{
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("a"), "data"));
    const QStringList others = {".b.mdbB.x", ".b.mdbB.abcdefg", ".c.mdbB.abcdef", "b.mdbB.abcdef"};
    for (const QString &name : others + QStringList{".b.mdbB.Ab3xYz"})
        QVERIFY(writeFile(dir.filePath(name), "left over"));
    ScriptedDialogs dialogs;
    QCOMPARE(Backup::CopyFileInChunks(dir.filePath("a"), dir.filePath("b.mdbB")), 1);
    QCOMPARE(strayFiles(dir.path(), {"a", "b.mdbB"}).size(), others.size());
    for (const QString &name : others)
        QVERIFY(QFile::exists(dir.filePath(name)));
}

void BackupCopyTest::failuresReportedOnceAndTargetKept_data()
{
    QTest::addColumn<QString>("source");  // relative to the folder
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("description");
    QTest::newRow("missing source") << "nothing-here.mdb" << "out.mdbB" << "No such file";
    QTest::newRow("source is a folder") << "sub" << "out.mdbB" << "";
    QTest::newRow("target in a missing folder") << "DBTavor.mdb" << "no/such/folder/out.mdbB" << "";
    QTest::newRow("target is a folder") << "DBTavor.mdb" << "sub" << "";
    QTest::newRow("target below a file") << "DBTavor.mdb" << "DBTavor.mdb/out.mdbB" << "";
    QTest::newRow("target not writable") << "DBTavor.mdb" << "locked.mdbB" << "";
    QTest::newRow("folder refusing new files") << "DBTavor.mdb" << "/sys/out.mdbB" << "";
}

// Each failure: one critical box with the program's title and the system's
// reason, 0 returned, and nothing changed or left behind.
void BackupCopyTest::failuresReportedOnceAndTargetKept()
{
    QFETCH(QString, source);
    QFETCH(QString, target);
    QFETCH(QString, description);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("sub"));
    QVERIFY(writeFile(dir.filePath("DBTavor.mdb"), randomBytes(9000, 3)));
    QVERIFY(writeFile(dir.filePath("locked.mdbB"), "keep me"));
    QFile::setPermissions(dir.filePath("locked.mdbB"), QFile::ReadOwner);
    if (target == "locked.mdbB" && QFileInfo(dir.filePath("locked.mdbB")).isWritable())
        QSKIP("running with rights that write into read-only files");
    if (target.startsWith('/')) {
        if (QFileInfo(target).absoluteDir().entryList().isEmpty() || QFile(target).open(QIODevice::WriteOnly))
            QSKIP("no folder here refuses new files");
    } else {
        target = dir.filePath(target);
    }
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

    ScriptedDialogs dialogs;
    QCOMPARE(Backup::CopyFileInChunks(dir.filePath(source), target), 0);
    QCOMPARE(dialogs.shown.size(), 1);
    const auto box = dialogs.last();
    QCOMPARE(box.title, QStringLiteral("Mehrsan"));
    QCOMPARE(box.icon, QMessageBox::Critical);
    QVERIFY(box.text.startsWith(QStringLiteral("اشکال در ايجاد نسخه پشتيباني\n")));
    QVERIFY(box.text.size() > QStringLiteral("اشکال در ايجاد نسخه پشتيباني\n").size());
    if (!description.isEmpty())
        QVERIFY2(box.text.contains(description), qPrintable(box.text));

    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
    QCOMPARE(readFile(dir.filePath("locked.mdbB")), QByteArray("keep me"));
}

// A timer due during the copy fires before the copy ends, and the target is
// not there (not even half) while the copy is still running.
void BackupCopyTest::windowEventsRunBetweenChunks()
{
    QTemporaryDir dir;
    const QString source = dir.filePath("DBTavor.mdb");
    const QString target = dir.filePath("copy.mdbB");
    QVERIFY(writeFile(source, randomBytes(4048 * 200, 9)));
    ScriptedDialogs dialogs;
    bool fired = false;
    bool targetSeenDuringCopy = true;
    QTimer::singleShot(0, this, [&] {
        fired = true;
        targetSeenDuringCopy = QFileInfo::exists(target);
    });
    QCOMPARE(Backup::CopyFileInChunks(source, target), 1);
    QVERIFY(fired);
    QVERIFY(!targetSeenDuringCopy);
}

QTEST_MAIN(BackupCopyTest)
#include "tst_backupcopy.moc"
