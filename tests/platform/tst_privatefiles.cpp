// Every file the program writes holds health records: the database, its
// lock, a backup, a CSV export, a PDF and the connection file are 0600
// whatever the umask (here the loosest, 000), and another user of the
// computer reads none of them even in a folder open to all.
#include "ScriptedDialogs.h"
#include "TestFolder.h"

#include "backup/Backup.h"
#include "data/Database.h"
#include "data/DatabaseLock.h"
#include "data/ServerSettings.h"
#include "data/TableView.h"
#include "records/CsvExport.h"
#include "reports/SubjectTableReport.h"
#include "shell/ProgramStart.h"

#include <QProcess>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

class PrivateFilesTest : public QObject
{
    Q_OBJECT
private slots:
    void everyFileIsTheOwnersAlone();
};

void PrivateFilesTest::everyFileIsTheOwnersAlone()
{
    TestFolder folder;
    folder.addSubject("P1");
    Database::close();
    const mode_t before = ::umask(0);
    QVERIFY(QFile::setPermissions(folder.databaseFile(), QFileDevice::Permissions(0x6666)));  // rw for all

    ScriptedDialogs dialogs;
    QVERIFY(openProgramDatabase());
    const QString lock = DatabaseLock::lockFileFor(folder.databaseFile());
    const QString backup = folder.path() + "/Back/b.mdbB";
    const QString csv = folder.path() + "/subjects.csv";
    const QString pdf = folder.path() + "/subjects.pdf";
    QCOMPARE(Backup::BackupDatabase(backup, nullptr), 1);
    TableView subjects("IDE");
    QVERIFY(CsvExport::write(subjects, csv));
    SubjectTableReport report;
    report.setDataSource(subjects);
    QVERIFY(report.saveAsPdf(pdf));
    ServerSettings settings;
    QString why;
    QVERIFY(ServerSettings::fromUrl("postgresql://mehrsan@server.example:5432/mehrsan?sslmode=verify-full", &settings, &why));
    QVERIFY2(settings.write(&why), qPrintable(why));
    QCOMPARE(::umask(before), mode_t(0));  // nothing changed the process umask

    const QStringList files = {folder.databaseFile(), lock, backup, csv, pdf, ServerSettings::file()};
    for (const QString &file : files) {
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(file).constData(), &st), 0);
        QVERIFY2((st.st_mode & 0777) == 0600, qPrintable(QStringLiteral("%1: %2").arg(file).arg(st.st_mode & 0777, 0, 8)));
    }
    // Another user, with the folders open to everyone, still reads nothing.
    if (::geteuid() == 0 && QFile::exists("/usr/sbin/runuser")) {
        for (const QString &dir : {folder.path(), folder.path() + "/DBTavor", folder.path() + "/Back"})
            QVERIFY(QFile::setPermissions(dir, QFileDevice::Permissions(0x7755)));
        for (const QString &file : files) {
            QProcess reader;
            reader.start("runuser", {"-u", "nobody", "--", "head", "-c1", file});
            QVERIFY(reader.waitForFinished(10000));
            QVERIFY2(reader.exitCode() != 0, qPrintable(file));
        }
    }
    Database::close();
    DatabaseLock::release();
}

QTEST_MAIN(PrivateFilesTest)
#include "tst_privatefiles.moc"
