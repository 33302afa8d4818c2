// One program per database: a second start while the first runs is refused
// in Persian and leaves the file alone; once the first has ended, or crashed,
// the next start takes the database.
#include "FaultTools.h"
#include "ScriptedDialogs.h"
#include "TestFolder.h"

#include "data/Database.h"
#include "data/DatabaseLock.h"
#include "shell/ProgramStart.h"

#include <QFileInfo>
#include <QtTest>

using namespace FaultTools;

class InstancesTest : public QObject
{
    Q_OBJECT
private slots:
    void secondStartIsRefusedWhileTheFirstRuns_data();
    void secondStartIsRefusedWhileTheFirstRuns();
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

QTEST_MAIN(InstancesTest)
#include "tst_instances.moc"
