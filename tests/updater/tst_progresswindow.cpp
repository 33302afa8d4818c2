#include "ReleaseSigning.h"
#include "ScriptedDialogs.h"
#include "ScriptedHttpServer.h"
#include "platform/Desktop.h"
#include "updater/FileDownloader.h"
#include "updater/ProgressWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

class ProgressWindowTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QTemporaryDir m_keys;
    SignifyKey m_key{m_keys.path(), "publisher"};
    ScriptedHttpServer *m_server = nullptr;
    ScriptedDialogs *m_dialogs = nullptr;
    QStringList m_started;
    bool m_startSucceeds = true;
    int m_ended = 0;

    QString setupFile() const { return m_home.filePath("setup-Zelq.exe"); }
    // The one setup started: the checked copy of the download, under its name.
    QByteArray startedSetup() const
    {
        if (m_started.size() != 1 || QFileInfo(m_started.first()).fileName() != QLatin1String("setup-Zelq.exe") ||
            !(QFile::permissions(m_started.first()) & QFile::ExeOwner))
            return "(not one setup started: " + m_started.join(',').toUtf8() + ")";
        QFile f(m_started.first());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
    }
    static QPushButton *button(QWidget *w, const char *name) { return w->findChild<QPushButton *>(name); }
    static QProgressBar *bar(QWidget *w) { return w->findChild<QProgressBar *>("ProgressBar"); }

    // The publisher's signed manifest of this setup, beside it on the site.
    void publish(const QByteArray &setup)
    {
        const QByteArray manifest = manifestFor(setup);
        m_server->serveFile("/Soft/Zelq/setup-Zelq.exe.manifest", manifest);
        m_server->serveFile("/Soft/Zelq/setup-Zelq.exe.manifest.sig", m_key.sign(manifest));
    }

private slots:
    void initTestCase() { QVERIFY2(m_key.isValid(), "signify-openbsd made no key (bash setup.sh installs it)"); }
    void init()
    {
        QFile::remove(setupFile());
        m_server = new ScriptedHttpServer;
        qputenv("MEHRSAN_HOME", m_home.path().toUtf8());
        qputenv("MEHRSAN_SITE_URL", m_server->baseUrl().toUtf8());
        m_dialogs = new ScriptedDialogs;
        m_started.clear();
        m_startSucceeds = true;
        m_ended = 0;
        Desktop::setLauncher([this](const QString &program) {
            m_started << program;
            return m_startSucceeds;
        });
        ProgressWindow::setProgramEnder([this] { ++m_ended; });
        ProgressWindow::setPublisherKeysForTest(QList{m_key.publisherKey()});
        // The length the long downloads below announce.
        publish(QByteArray(100000, 'x'));
    }
    void cleanup()
    {
        for (const QString &started : std::as_const(m_started))
            if (QFileInfo(started).absoluteDir().dirName().startsWith(QLatin1String("Zelqupdate-")))
                QDir(QFileInfo(started).absolutePath()).removeRecursively();
        ProgressWindow::setPublisherKeysForTest(std::nullopt);
        Desktop::setLauncher({});
        ProgressWindow::setProgramEnder({});
        delete m_dialogs;
        delete m_server;
    }

    void load()
    {
        ProgressWindow w;
        QCOMPARE(w.windowTitle(), QString("Downloading File ... "));
        QCOMPARE(button(&w, "cmdUpdate")->text(), QString("دانلود"));
        QCOMPARE(button(&w, "Command1")->text(), QString("خروج"));
        QCOMPARE(button(&w, "cmdUpdate")->font().family(), QString("Tahoma"));
        QCOMPARE(bar(&w)->minimum(), 0);
        QCOMPARE(bar(&w)->maximum(), 100);
        QCOMPARE(bar(&w)->value(), 0);
        QCOMPARE(w.findChild<QLabel *>("Label3")->text(), QString("هوش هيجاني Tavor"));
        auto *text = w.findChild<QLineEdit *>("Text");
        QCOMPARE(text->text(), m_server->url("/Soft/Zelq/setup-Zelq.exe"));
        w.show();
        QVERIFY(!text->isVisible());
        QVERIFY(!w.findChild<QLabel *>("Label1")->isVisible());
        QCOMPARE(w.findChild<QLabel *>("Label1")->text(), QString("Address File :"));
        QCOMPARE(w.size(), QSize(560, 193));
    }

    void downloadStartsTheSetupAndEnds()
    {
        const QByteArray body(5000, 's');
        publish(body);
        m_server->respondOk(body);
        ProgressWindow w;
        QString captionDuringDownload;
        int barAtStart = -1;
        m_server->onRequest = [&](const QByteArray &) {
            captionDuringDownload = button(&w, "cmdUpdate")->text();
            barAtStart = bar(&w)->value();
        };
        bar(&w)->setValue(40);
        QTest::mouseClick(button(&w, "cmdUpdate"), Qt::LeftButton);
        QCOMPARE(captionDuringDownload, QString("انصراف"));
        QCOMPARE(barAtStart, 0);
        QCOMPARE(m_dialogs->shown.size(), 1);
        QCOMPARE(m_dialogs->last().title, QString("Success"));
        QCOMPARE(m_dialogs->last().text, QString("دانلود فايل با موفقيت به پايان رسيد "));
        QCOMPARE(m_dialogs->last().icon, QMessageBox::Information);
        QCOMPARE(startedSetup(), body);
        QCOMPARE(m_ended, 1);
        QCOMPARE(button(&w, "cmdUpdate")->text(), QString("دانلود"));
        QCOMPARE(bar(&w)->value(), 0);
        QFile f(setupFile());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), body);
    }

    void setupThatCannotStartIsReported()
    {
        publish("MZ");
        m_server->respondOk("MZ");
        m_startSucceeds = false;
        ProgressWindow w;
        QTest::mouseClick(button(&w, "cmdUpdate"), Qt::LeftButton);
        QCOMPARE(m_dialogs->shown.size(), 2);
        QCOMPARE(m_dialogs->shown[0].title, QString("Success"));
        QCOMPARE(m_dialogs->shown[1].title, QString("Error"));
        QVERIFY(m_dialogs->shown[1].text.contains("setup-Zelq.exe"));
        QCOMPARE(m_ended, 0);
        QCOMPARE(button(&w, "cmdUpdate")->text(), QString("دانلود"));
    }

    void cancelLeavesNothing()
    {
        QFile::remove(setupFile());
        m_server->script({{"HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + QByteArray(6000, 'p'), 0}},
                         ScriptedHttpServer::Ending::Hold);
        ProgressWindow w;
        int barBeforeCancel = 0;
        connect(w.downloader(), &FileDownloader::DownloadProgress, &w, [&](const QString &p) {
            if (p == QLatin1String("5") && button(&w, "cmdUpdate")->text() == QString("انصراف")) {
                barBeforeCancel = bar(&w)->value();
                QTest::mouseClick(button(&w, "cmdUpdate"), Qt::LeftButton);
            }
        });
        QTest::mouseClick(button(&w, "cmdUpdate"), Qt::LeftButton);
        QCOMPARE(barBeforeCancel, 5);
        QCOMPARE(bar(&w)->value(), 0);
        QCOMPARE(button(&w, "cmdUpdate")->text(), QString("دانلود"));
        QVERIFY(m_dialogs->shown.isEmpty());
        QVERIFY(m_started.isEmpty());
        QCOMPARE(m_ended, 0);
        QCOMPARE(QDir(m_home.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    void errorIsShownAndNothingStarts()
    {
        m_server->respond("HTTP/1.1 404 Not Found", {"Content-Length: 0"}, "");
        ProgressWindow w;
        QTest::mouseClick(button(&w, "cmdUpdate"), Qt::LeftButton);
        QCOMPARE(m_dialogs->shown.size(), 1);
        QCOMPARE(m_dialogs->last().title, QString("Error"));
        QCOMPARE(m_dialogs->last().icon, QMessageBox::Critical);
        QCOMPARE(m_dialogs->last().text,
                 "The file, \"" + m_server->url("/Soft/Zelq/setup-Zelq.exe") + "\" was not found!");
        QCOMPARE(button(&w, "cmdUpdate")->text(), QString("دانلود"));
        QCOMPARE(bar(&w)->value(), 0);
        QVERIFY(m_started.isEmpty());
        QCOMPARE(m_ended, 0);
        QVERIFY(!QFile::exists(setupFile()));
        // From idle a new download can start again.
        publish("again");
        m_server->respondOk("again");
        QTest::mouseClick(button(&w, "cmdUpdate"), Qt::LeftButton);
        QCOMPARE(startedSetup(), QByteArray("again"));
    }

    // The setup starts only after a whole file arrived: an empty answer, a
    // body cut without a length, or a part from the wrong byte start nothing,
    // and an older setup in the folder stays as it is.
    void onlyAWholeDownloadStartsTheSetup_data()
    {
        QTest::addColumn<QList<QByteArray>>("response");
        QTest::newRow("length 0") << QList<QByteArray>{"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"};
        QTest::newRow("no length, cut") << QList<QByteArray>{"HTTP/1.0 200 OK\r\n\r\n", QByteArray(3000, 'n')};
        QTest::newRow("part from byte 100")
            << QList<QByteArray>{"HTTP/1.1 206 Partial Content\r\nContent-Length: 10\r\nContent-Range: bytes 100-109/110\r\n\r\n0123456789"};
    }
    void onlyAWholeDownloadStartsTheSetup()
    {
        QFETCH(QList<QByteArray>, response);
        {
            QFile old(setupFile());
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("older setup");
        }
        QList<ScriptedHttpServer::Step> steps;
        for (const QByteArray &piece : response)
            steps << ScriptedHttpServer::Step{piece, 10};
        m_server->script(steps, ScriptedHttpServer::Ending::Reset);
        ProgressWindow w;
        QTest::mouseClick(button(&w, "cmdUpdate"), Qt::LeftButton);
        QCOMPARE(m_dialogs->shown.size(), 1);
        QCOMPARE(m_dialogs->last().title, QString("Error"));
        QVERIFY(m_started.isEmpty());
        QCOMPARE(m_ended, 0);
        QCOMPARE(button(&w, "cmdUpdate")->text(), QString("دانلود"));
        QFile f(setupFile());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("older setup"));
    }

    void exitDuringDownloadEndsAndLeavesNoFile()
    {
        m_server->script({{"HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + QByteArray(3000, 'e'), 0}},
                         ScriptedHttpServer::Ending::Hold);
        ProgressWindow w;
        connect(w.downloader(), &FileDownloader::DownloadProgress, &w, [&] {
            if (m_ended == 0)
                QTest::mouseClick(button(&w, "Command1"), Qt::LeftButton);
        });
        QTest::mouseClick(button(&w, "cmdUpdate"), Qt::LeftButton);
        QCOMPARE(m_ended, 1);
        QVERIFY(!w.downloader()->isDownloading());
        QVERIFY(m_dialogs->shown.isEmpty());
        QCOMPARE(QDir(m_home.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    void closingTheWindowStopsTheDownload()
    {
        m_server->script({{"HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + QByteArray(3000, 'c'), 0}},
                         ScriptedHttpServer::Ending::Hold);
        ProgressWindow w;
        w.show();
        connect(w.downloader(), &FileDownloader::DownloadProgress, &w, [&] { w.close(); });
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(button(&w, "cmdUpdate"), Qt::LeftButton);
        QVERIFY(clock.elapsed() < 10000);
        QVERIFY(!w.downloader()->isDownloading());
        QVERIFY(m_started.isEmpty());
        QCOMPARE(QDir(m_home.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    void barAndItsLabel()
    {
        ProgressWindow w;
        emit w.downloader()->DownloadProgress("37");
        QCOMPARE(bar(&w)->value(), 37);
        // The label follows the bar at the next tick of the one-second timer.
        QCOMPARE(w.findChild<QLabel *>("Label4")->text(), QString("0"));
        QTRY_COMPARE_WITH_TIMEOUT(w.findChild<QLabel *>("Label4")->text(), QString("37"), 2500);
        // More than 100 per cent shows a full bar.
        emit w.downloader()->DownloadProgress("130");
        QCOMPARE(bar(&w)->value(), 100);
    }

    void unusableAddressIsRefused()
    {
        ProgressWindow w;
        w.findChild<QLineEdit *>("Text")->setText("https://www.zelq.ir/Soft/Zelq/setup-Zelq.exe");
        QTest::mouseClick(button(&w, "cmdUpdate"), Qt::LeftButton);
        QCOMPARE(m_dialogs->shown.size(), 1);
        QCOMPARE(m_dialogs->last().title, QString("Error"));
        QCOMPARE(button(&w, "cmdUpdate")->text(), QString("دانلود"));
        QVERIFY(m_server->requests().isEmpty());
    }
};

QTEST_MAIN(ProgressWindowTest)
#include "tst_progresswindow.moc"
