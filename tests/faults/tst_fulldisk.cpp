// A full disk, for real: a small tmpfs mounted by the test and filled up.
// Every write that cannot be finished is an error; no success text is shown
// and an older file at the destination stays byte for byte.
#include "FaultTools.h"
#include "ScriptedDialogs.h"
#include "ScriptedHttpServer.h"
#include "TestFolder.h"

#include "backup/BackupWindow.h"
#include "backup/ProgramEnd.h"
#include "data/Database.h"
#include "records/SubjectListWindow.h"
#include "shell/MainWindow.h"
#include "updater/FileDownloader.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QStorageInfo>
#include <QtTest>

#include <sys/mount.h>

using namespace FaultTools;

namespace {
QByteArray pattern(int size, int seed)
{
    QByteArray b(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        b[i] = char((i * 31 + seed * 7) & 0xff);
    return b;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
}  // namespace

class FullDiskTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_mountPoint;
    bool m_mounted = false;
    QString disk(const QString &name) const { return m_mountPoint.filePath(name); }

    // Fills the disk until the system refuses another byte.
    void fillDisk()
    {
        QFile filler(disk("filler"));
        QVERIFY(filler.open(QIODevice::Append | QIODevice::Unbuffered));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size()) {
        }
        while (filler.write("x", 1) == 1) {
        }
        QVERIFY(QStorageInfo(m_mountPoint.path()).bytesAvailable() == 0);
    }
    void emptyDisk() { QFile::remove(disk("filler")); }
    // Files on the disk other than the filler: no half-written file may stay.
    QStringList filesOnDisk(const QString &folder = QString()) const
    {
        QStringList files = QDir(m_mountPoint.filePath(folder)).entryList(QDir::Files | QDir::Hidden);
        files.removeAll("filler");
        return files;
    }

private slots:
    void initTestCase()
    {
        const QByteArray where = QFile::encodeName(m_mountPoint.path());
        m_mounted = ::mount("tmpfs", where.constData(), "tmpfs", 0, "size=1m") == 0;
        if (!m_mounted)
            QSKIP("a tmpfs cannot be mounted here (the full-disk tests need root); they run in CI");
    }
    void cleanupTestCase()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_mountPoint.path()).constData(), MNT_DETACH);
    }
    void cleanup()
    {
        ProgramEnd::setQuitHook([] {});
        for (const QString &f : QDir(m_mountPoint.path()).entryList(QDir::Files | QDir::Hidden))
            QFile::remove(disk(f));
        QDir(disk("DBTavor")).removeRecursively();
    }

    void csvExport()
    {
        TestFolder folder;
        for (int i = 0; i < 40; ++i)
            folder.addSubject(QStringLiteral("c%1").arg(i));
        const QByteArray old = pattern(3000, 1);
        QVERIFY(overwrite(disk("all.csv"), 0, old));
        fillDisk();
        ScriptedDialogs dialogs;
        SubjectListWindow window;
        dialogs.fileAnswers << disk("all.csv");
        QTest::mouseClick(window.findChild<QPushButton *>("CmdCsv"), Qt::LeftButton);
        QCOMPARE(dialogs.last().title, QStringLiteral("خطا"));
        QVERIFY2(dialogs.last().text.contains(QStringLiteral("نوشتن فايل ممکن نشد: جاي خالي روي ديسک نيست")), qPrintable(dialogs.last().text));
        for (const auto &box : dialogs.shown)
            QVERIFY(!box.text.contains(QStringLiteral("ذخيره شد")));
        QCOMPARE(readAll(disk("all.csv")), old);
        QCOMPARE(filesOnDisk(), QStringList{"all.csv"});
        // With room again the same export is whole.
        emptyDisk();
        dialogs.fileAnswers << disk("all.csv");
        QTest::mouseClick(window.findChild<QPushButton *>("CmdCsv"), Qt::LeftButton);
        QCOMPARE(dialogs.last().text, QStringLiteral("40 آزمودني در فايل ذخيره شد"));
    }

    void download()
    {
        const QByteArray old = pattern(5000, 2);
        QVERIFY(overwrite(disk("setup-Zelq.exe"), 0, old));
        ScriptedHttpServer server;
        const QByteArray body = pattern(200 * 1024, 3);
        server.respondTrickled("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n",
                               body, 16 * 1024, 5);
        FileDownloader d;
        QStringList log;
        connect(&d, &FileDownloader::DownloadErrors, this, [&](const QString &s) { log << "error:" + s; });
        connect(&d, &FileDownloader::DowloadComplete, this, [&] { log << "complete"; });
        // The disk fills up once the room for the file has been checked and
        // the first bytes are written.
        bool filled = false;
        connect(&d, &FileDownloader::DownloadProgress, this, [&] {
            if (!filled) {
                filled = true;
                fillDisk();
            }
        });
        QVERIFY(!d.DownloadFile(server.url("/Soft/Zelq/setup-Zelq.exe"), disk("setup-Zelq.exe")));
        QVERIFY(filled);
        QCOMPARE(log.size(), 1);
        QVERIFY2(log.first().startsWith("error:Cannot write file to disk.\r\rError "), qPrintable(log.first()));
        QCOMPARE(readAll(disk("setup-Zelq.exe")), old);
        QCOMPARE(filesOnDisk(), QStringList{"setup-Zelq.exe"});
    }

    void backup()
    {
        TestFolder folder;
        for (int i = 0; i < 300; ++i)
            folder.addSubject(QStringLiteral("b%1").arg(i));
        const QByteArray old = pattern(2000, 4);
        QVERIFY(overwrite(disk("old.mdbB"), 0, old));
        fillDisk();
        int ends = 0;
        ProgramEnd::setQuitHook([&] { ++ends; });
        ScriptedDialogs dialogs;
        dialogs.buttonAnswers << QMessageBox::Yes;  // replace the older backup
        BackupWindow window;
        window.findChild<QLineEdit *>("Text1")->setText(disk("old.mdbB"));
        QTest::mouseClick(window.findChild<QWidget *>("VisualButtonEx2"), Qt::LeftButton);
        QVERIFY2(dialogs.last().text.startsWith(QStringLiteral("اشکال در ايجاد نسخه پشتيباني\n")),
                 qPrintable(dialogs.last().text));
        QCOMPARE(dialogs.last().icon, QMessageBox::Critical);
        for (const auto &box : dialogs.shown)
            QVERIFY(!box.text.contains(QStringLiteral("نسخه پشتيبان تهيه گرديد")));
        QCOMPARE(readAll(disk("old.mdbB")), old);
        QCOMPARE(filesOnDisk(), QStringList{"old.mdbB"});
        QCOMPARE(integrityOf(folder.databaseFile()), QStringLiteral("ok"));
    }

    void registration()
    {
        // The program folder on the small disk.
        TestFolder folder;
        Database::close();
        QVERIFY(QDir().mkpath(disk("DBTavor")));
        QVERIFY(QFile::copy(folder.databaseFile(), disk("DBTavor/DBTavor.mdb")));
        qputenv("MEHRSAN_HOME", m_mountPoint.path().toUtf8());
        QVERIFY(Database::open(disk("DBTavor/DBTavor.mdb")));
        ScriptedDialogs dialogs;
        MainWindow *main = MainWindow::load();
        auto fill = [&](const QString &code) {
            QTest::mouseClick(main->findChild<QPushButton *>("Command1"), Qt::LeftButton);
            main->findChild<QLineEdit *>("Text11")->setText(code);
            main->findChild<QLineEdit *>("Text6")->setText(QStringLiteral("مريم"));
            main->findChild<QLineEdit *>("Text4")->setText(QStringLiteral("احمدي"));
            main->findChild<QComboBox *>("Combo2")->setCurrentIndex(1);
            main->findChild<QLineEdit *>("Text5")->setText("34");
            main->findChild<QComboBox *>("Combo1")->setCurrentIndex(1);
            main->findChild<QComboBox *>("Combo3")->setCurrentIndex(2);
            main->findChild<QLineEdit *>("Text7")->setText(QStringLiteral("ليسانس"));
        };
        fill("F1");
        const QByteArray before = hashOf(disk("DBTavor/DBTavor.mdb"));
        fillDisk();
        QTest::mouseClick(main->findChild<QPushButton *>("Command8"), Qt::LeftButton);
        QCOMPARE(dialogs.shown.size(), 1);
        QCOMPARE(dialogs.last().title, QStringLiteral("خطا"));
        QVERIFY2(dialogs.last().text.startsWith(QStringLiteral("آزمودني ثبت نشد")), qPrintable(dialogs.last().text));
        QVERIFY(main->findChild<QWidget *>("Frame10")->isVisible());
        QCOMPARE(hashOf(disk("DBTavor/DBTavor.mdb")), before);
        QCOMPARE(integrityOf(disk("DBTavor/DBTavor.mdb")), QStringLiteral("ok"));
        // Room again: the same panel saves, both rows at once.
        emptyDisk();
        dialogs.clear();
        QTest::mouseClick(main->findChild<QPushButton *>("Command8"), Qt::LeftButton);
        QVERIFY2(dialogs.shown.isEmpty(), qPrintable(dialogs.last().text));
        QSqlQuery q(Database::connection());
        QVERIFY(q.exec("SELECT (SELECT count(*) FROM IDE WHERE Code = 'F1') + (SELECT count(*) FROM Answer WHERE Code = 'F1')"));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 2);
        q.finish();
        main->setExitMode("1");
        main->close();
        Database::close();
    }
};

QTEST_MAIN(FullDiskTest)
#include "tst_fulldisk.moc"
