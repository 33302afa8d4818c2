// One program per database: a second start while the first runs is refused
// in Persian and leaves the file alone, also through a second program folder
// linked to the same file; once the first has ended, or crashed, the next
// start takes the database. Locks nobody can hold are taken over; one naming
// another computer only at the operator's word.
#include "FaultTools.h"
#include "ScriptedDialogs.h"
#include "TestFolder.h"

#include "data/Database.h"
#include "data/DatabaseLock.h"
#include "shell/ProgramStart.h"

#include <QFileInfo>
#include <QSysInfo>
#include <QtTest>

#include <unistd.h>

using namespace FaultTools;

class InstancesTest : public QObject
{
    Q_OBJECT
private slots:
    void secondStartIsRefusedWhileTheFirstRuns_data();
    void secondStartIsRefusedWhileTheFirstRuns();
    void linkedSecondFolderIsRefused_data();
    void linkedSecondFolderIsRefused();
    void unreadableLockIsTakenOver_data();
    void unreadableLockIsTakenOver();
    void lockOfAnotherComputerAsksFirst();
};

void InstancesTest::secondStartIsRefusedWhileTheFirstRuns_data()
{
    QTest::addColumn<bool>("firstCrashes");
    QTest::newRow("first ends") << false;
    QTest::newRow("first is killed") << true;
}

void InstancesTest::secondStartIsRefusedWhileTheFirstRuns()
{
    QFETCH(bool, firstCrashes);
    TestFolder folder;
    Database::close();
    const QString lockFile = DatabaseLock::lockFileFor(folder.databaseFile());

    QProcess first;
    QVERIFY(startChild(first, folder.path(), {QStringLiteral("hold")}));
    QVERIFY(waitUntilOpen(first));
    const QByteArray before = hashOf(folder.databaseFile());
    const QDateTime touched = QFileInfo(folder.databaseFile()).lastModified();

    // Another program, and this one: both refused with the text, the file untouched.
    QProcess second;
    QVERIFY(startChild(second, folder.path(), {QStringLiteral("start")}));
    QVERIFY(second.waitForFinished(20000));
    QCOMPARE(second.exitCode(), 3);
    const QString said = QString::fromUtf8(second.readAllStandardOutput());
    QVERIFY2(said.startsWith(QStringLiteral("box خطا: برنامه هم اکنون باز است")), qPrintable(said));
    QVERIFY(said.contains(folder.databaseFile()));
    QVERIFY(said.contains(QStringLiteral("برنامه بسته مي شود.")));
    {
        ScriptedDialogs dialogs;
        QVERIFY(!openProgramDatabase());
        QCOMPARE(dialogs.shown.size(), 1);
        QCOMPARE(dialogs.last().icon, QMessageBox::Critical);
        QVERIFY(dialogs.last().text.startsWith(QStringLiteral("برنامه هم اکنون باز است")));
        QVERIFY(!Database::isOpen());
    }
    QCOMPARE(hashOf(folder.databaseFile()), before);
    QCOMPARE(QFileInfo(folder.databaseFile()).lastModified(), touched);

    if (firstCrashes) {
        killHard(first);
        QVERIFY(QFileInfo::exists(lockFile));  // left behind, to be taken over
    } else {
        first.write("end\n");
        first.closeWriteChannel();
        QVERIFY(first.waitForFinished(20000));
        QCOMPARE(first.exitCode(), 0);
        QVERIFY(!QFileInfo::exists(lockFile));
    }
    QProcess third;
    QVERIFY(startChild(third, folder.path(), {QStringLiteral("start")}));
    QVERIFY(third.waitForFinished(20000));
    QCOMPARE(third.exitCode(), 0);
    QCOMPARE(third.readAllStandardOutput(), QByteArray("open\n"));
    ScriptedDialogs dialogs;
    QVERIFY(openProgramDatabase());
    QVERIFY(dialogs.shown.isEmpty());
    Database::close();
    DatabaseLock::release();
}

void InstancesTest::linkedSecondFolderIsRefused_data()
{
    QTest::addColumn<bool>("symbolic");
    QTest::newRow("symbolic link") << true;
    QTest::newRow("hard link") << false;
}

void InstancesTest::linkedSecondFolderIsRefused()
{
#ifdef Q_OS_WIN
    QSKIP("symbolic and hard links made with the POSIX calls");
#else
    QFETCH(bool, symbolic);
    TestFolder first;
    Database::close();
    QProcess holder;
    QVERIFY(startChild(holder, first.path(), {QStringLiteral("hold")}));
    QVERIFY(waitUntilOpen(holder));
    const QByteArray before = hashOf(first.databaseFile());

    TestFolder second;  // MEHRSAN_HOME is now the second folder
    Database::close();
    QVERIFY(QFile::remove(second.databaseFile()));
    const QByteArray target = QFile::encodeName(first.databaseFile()), link = QFile::encodeName(second.databaseFile());
    QCOMPARE(symbolic ? ::symlink(target.constData(), link.constData()) : ::link(target.constData(), link.constData()), 0);

    ScriptedDialogs dialogs;
    QVERIFY(!openProgramDatabase());
    QVERIFY(!Database::isOpen());
    QCOMPARE(dialogs.shown.size(), 1);
    QVERIFY2(dialogs.last().text.startsWith(QStringLiteral("برنامه هم اکنون باز است")), qPrintable(dialogs.last().text));
    // Through a symbolic link the lock file itself is the first program's, which names it.
    if (symbolic)
        QVERIFY2(dialogs.last().details.contains(QString::number(holder.processId())), qPrintable(dialogs.last().details));
    QCOMPARE(hashOf(first.databaseFile()), before);
    QVERIFY(!QFileInfo::exists(second.databaseFile() + ".lock"));

    holder.write("end\n");
    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(20000));
    if (!symbolic) {
        // A second name of the file is refused even with no other program running.
        dialogs.clear();
        QVERIFY(!openProgramDatabase());
        QVERIFY2(dialogs.last().text.contains(QStringLiteral("2 نام براي يک فايل")), qPrintable(dialogs.last().text));
        QCOMPARE(hashOf(first.databaseFile()), before);
        QVERIFY(QFile::remove(second.databaseFile()));
        QVERIFY(QFile::copy(first.databaseFile(), second.databaseFile()));
    }
    QVERIFY(openProgramDatabase());  // the first has ended: the file is free through the link too
    Database::close();
    DatabaseLock::release();
#endif
}

// What a power cut or a sync tool can leave where the lock file was.
void InstancesTest::unreadableLockIsTakenOver_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("folder");
    QTest::newRow("empty file") << QByteArray() << false;
    QTest::newRow("garbage") << QByteArray("\x01\x02 nothing like a lock \xff") << false;
    QTest::newRow("number only") << QByteArray("0\n") << false;
    QTest::newRow("folder") << QByteArray() << true;
}

void InstancesTest::unreadableLockIsTakenOver()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, folder);
    TestFolder program;
    Database::close();
    const QString lockFile = DatabaseLock::lockFileFor(program.databaseFile());
    if (folder) {
        QVERIFY(QDir().mkpath(lockFile));
        QFile inside(lockFile + "/left by a sync tool");
        QVERIFY(inside.open(QIODevice::WriteOnly));
    } else {
        QFile f(lockFile);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    ScriptedDialogs dialogs;
    QVERIFY2(openProgramDatabase(), qPrintable(dialogs.last().text));
    QVERIFY(dialogs.shown.isEmpty());
    QVERIFY(QFileInfo(lockFile).isFile());
    // The lock is a real one now: a second program is refused.
    QProcess second;
    QVERIFY(startChild(second, program.path(), {QStringLiteral("start")}));
    QVERIFY(second.waitForFinished(20000));
    QCOMPARE(second.exitCode(), 3);
    Database::close();
    DatabaseLock::release();
}

// A lock left on another computer sharing the folder: refused with who and
// since when, and taken over only when the operator confirms.
void InstancesTest::lockOfAnotherComputerAsksFirst()
{
    TestFolder program;
    Database::close();
    const QString lockFile = DatabaseLock::lockFileFor(program.databaseFile());
    QFile f(lockFile);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("4242\nMehrsan\nreception-pc\n" + QSysInfo::machineUniqueId() + "-other\n\n");
    f.close();
    const QByteArray lockBefore = hashOf(lockFile);
    const QByteArray before = hashOf(program.databaseFile());
    {
        ScriptedDialogs dialogs;  // No
        QVERIFY(!openProgramDatabase());
        QCOMPARE(dialogs.shown.size(), 1);
        const QString text = dialogs.last().text;
        QCOMPARE(dialogs.last().buttons, QMessageBox::Yes | QMessageBox::No);
        // A question titled as one; the process number only behind the details control.
        QCOMPARE(dialogs.last().title, questionTitle());
        for (const QString &part : {leftToRight("reception-pc"), QStringLiteral("آيا مطمئن هستيد که برنامه در رايانه")})
            QVERIFY2(text.contains(part), qPrintable(text));
        QVERIFY2(!text.contains(QStringLiteral("4242")) && !text.contains(QStringLiteral("فرايند")), qPrintable(text));
        QVERIFY2(dialogs.last().details.contains(QStringLiteral("4242")), qPrintable(dialogs.last().details));
        QCOMPARE(hashOf(lockFile), lockBefore);
        QCOMPARE(hashOf(program.databaseFile()), before);
    }
    ScriptedDialogs dialogs;
    dialogs.buttonAnswers << QMessageBox::Yes;
    QVERIFY(openProgramDatabase());
    QVERIFY(hashOf(lockFile) != lockBefore);  // ours now
    Database::close();
    DatabaseLock::release();
}

QTEST_MAIN(InstancesTest)
#include "tst_instances.moc"
