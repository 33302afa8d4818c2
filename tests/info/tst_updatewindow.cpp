#include "ScriptedDialogs.h"
#include "ScriptedHttpServer.h"
#include "TestFolder.h"
#include "info/UpdateWindow.h"
#include "platform/Desktop.h"
#include "shell/MainWindow.h"
#include "updater/UpdateKeys.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {
const QString kLatest = "شما آخرين ورژن نرم افزار را داريد و يا اينکه ارتباط شما با اينترنت برقرار نمي باشد ";
}

class UpdateWindowTest : public QObject
{
    Q_OBJECT

    TestFolder *m_folder = nullptr;
    ScriptedHttpServer *m_server = nullptr;
    ScriptedDialogs *m_dialogs = nullptr;
    QStringList m_started;
    bool m_startSucceeds = true;
    int m_ended = 0;

    static QPushButton *button(QWidget *w, const char *name) { return w->findChild<QPushButton *>(name); }

private slots:
    void init()
    {
        m_folder = new TestFolder;
        QVERIFY(m_folder->isValid());
        m_server = new ScriptedHttpServer;
        qputenv("MEHRSAN_SITE_URL", m_server->baseUrl().toUtf8());
        m_dialogs = new ScriptedDialogs;
        m_started.clear();
        m_startSucceeds = true;
        m_ended = 0;
        Desktop::setLauncher([this](const QString &program) {
            m_started << program;
            return m_startSucceeds;
        });
        UpdateWindow::setProgramEnder([this] { ++m_ended; });
        UpdateWindow::setFetchTimeout(15000);
        placeUpdater(KEYED_UPDATER);
    }
    // The updater the program folder holds: the build's own, or one built without keys.
    void placeUpdater(const QString &built)
    {
        QFile::remove(UpdateWindow::updaterProgram());
        QVERIFY(QFile::copy(built, UpdateWindow::updaterProgram()));
    }
    static bool buildHasKeys() { return !compiledUpdateKeys().isEmpty(); }
    void cleanup()
    {
        Desktop::setLauncher({});
        UpdateWindow::setProgramEnder({});
        delete m_dialogs;
        delete m_server;
        delete m_folder;
    }

    void versionNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("number");
        QTest::addColumn<bool>("newer");
        QTest::newRow("2.1") << "2.1" << 2.1 << false;
        QTest::newRow("2.10 is 2.1") << "2.10" << 2.1 << false;
        QTest::newRow("2.11") << "2.11" << 2.11 << true;
        QTest::newRow("2.9 beats 2.10") << "2.9" << 2.9 << true;
        QTest::newRow("3") << "3" << 3.0 << true;
        QTest::newRow("2.2 CR LF") << "2.2\r\n" << 2.2 << true;
        QTest::newRow("blanks and line feeds") << " \t2.2 \n" << 2.2 << true;
        QTest::newRow("CR ends the number") << "2\r\n5" << 2.0 << false;
        QTest::newRow("line feed is skipped") << "2\n5" << 25.0 << true;
        QTest::newRow("second dot ends it") << "2.0.5" << 2.0 << false;
        QTest::newRow("html") << "<html><body>404</body></html>" << 0.0 << false;
        QTest::newRow("empty") << "" << 0.0 << false;
    }
    void versionNumbers()
    {
        QFETCH(QString, text);
        QFETCH(double, number);
        QFETCH(bool, newer);
        QCOMPARE(UpdateWindow::versionNumber(text), number);
        QCOMPARE(UpdateWindow::isNewer(text), newer);
    }

    void ownSkinTable()
    {
        QCOMPARE(UpdateWindow::skinFileForTheme(1), QString("chizh.skn"));
        QCOMPARE(UpdateWindow::skinFileForTheme(7), QString("TopSecret.skn"));
        QCOMPARE(UpdateWindow::skinFileForTheme(11), QString("office2007.skn"));
        QCOMPARE(UpdateWindow::skinFileForTheme(12), QString("OrionNext.skn"));
        QCOMPARE(UpdateWindow::skinFileForTheme(13), QString("Retro.skn"));
        QCOMPARE(UpdateWindow::skinFileForTheme(0), QString());
        QCOMPARE(UpdateWindow::skinFileForTheme(14), QString());
        QCOMPARE(UpdateWindow::skinFileForTheme(2.5), QString());
        // Every file of the table ships in the program folder.
        for (int theme = 1; theme <= 13; ++theme)
            QVERIFY2(QFile::exists(m_folder->path() + "/" + UpdateWindow::skinFileForTheme(theme)),
                     qPrintable(UpdateWindow::skinFileForTheme(theme)));
    }

    void loadAppliesTheme_data()
    {
        QTest::addColumn<QString>("th");
        QTest::addColumn<QString>("file");
        QTest::newRow("7") << "7" << "TopSecret.skn";
        QTest::newRow("12") << "12" << "OrionNext.skn";
        QTest::newRow("08 blank") << " 08 " << "metallic.skn";
        QTest::newRow("0") << "0" << "";
        QTest::newRow("14") << "14" << "";
        QTest::newRow("empty") << "" << "";
    }
    void loadAppliesTheme()
    {
        QFETCH(QString, th);
        QFETCH(QString, file);
        m_folder->sql("UPDATE Theme SET TH = ?", {th});
        UpdateWindow w;
        QCOMPARE(w.findChild<QLineEdit *>("Text2")->text(), th);
        QCOMPARE(w.property("skinFile").toString(), file);
        QCOMPARE(w.styleSheet().isEmpty(), file.isEmpty());
    }

    void load()
    {
        UpdateWindow w;
        w.show();
        QCOMPARE(w.windowTitle(), QString("Mehrsan 2.1"));
        QCOMPARE(w.findChild<QLabel *>("Label1")->text(), QString("Mehrsan 2.1"));
        QCOMPARE(w.findChild<QLabel *>("SkinLabel1")->text(),
                 QString("جهت به روز رساني نرم افزار ابتدا اتصال به اينترنت را چک کنيد سپس روي دکمه آپديت کليک کنيد"));
        QCOMPARE(button(&w, "Command1")->text(), QString("بررسي آپديت جديد"));
        QCOMPARE(button(&w, "Command2")->text(), QString("خروج"));
        QCOMPARE(button(&w, "Command1")->font().family(), QString("B Nazanin"));
        QVERIFY(!w.findChild<QLineEdit *>("Text2")->isVisible());
        QVERIFY(w.isModal());
        QTest::mouseClick(button(&w, "Command2"), Qt::LeftButton);
        QVERIFY(!w.isVisible());
    }

    void check_data()
    {
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("starts");
        QTest::newRow("2.1") << QByteArray("200 OK") << QByteArray("2.1") << false;
        QTest::newRow("2.10") << QByteArray("200 OK") << QByteArray("2.10") << false;
        QTest::newRow("2.11") << QByteArray("200 OK") << QByteArray("2.11") << true;
        QTest::newRow("3") << QByteArray("200 OK") << QByteArray("3") << true;
        QTest::newRow("2.2 CR LF") << QByteArray("200 OK") << QByteArray("2.2\r\n") << true;
        QTest::newRow("html error page") << QByteArray("404 Not Found")
                                         << QByteArray("<html><body>3.0 not found</body></html>") << false;
        QTest::newRow("html page as 200") << QByteArray("200 OK") << QByteArray("<html>3.0</html>") << false;
        // Only a 2xx answer counts, whatever its body says.
        QTest::newRow("404 body with a number") << QByteArray("404 Not Found") << QByteArray("3.0 not found") << false;
        QTest::newRow("300 body with a number") << QByteArray("300 Multiple Choices") << QByteArray("3.0") << false;
        QTest::newRow("500 body with a number") << QByteArray("500 Internal Server Error") << QByteArray("9")
                                                << false;
        QTest::newRow("exponent is a letter") << QByteArray("200 OK") << QByteArray("2E1") << false;
        QTest::newRow("nothing") << QByteArray("200 OK") << QByteArray() << false;
    }
    void check()
    {
        QFETCH(QByteArray, status);
        QFETCH(QByteArray, content);
        QFETCH(bool, starts);
        if (starts && !buildHasKeys())
            QSKIP("this build has no publisher key: its updater takes no update (bash setup.sh test builds one)");
        m_server->respond("HTTP/1.1 " + status, {"Content-Length: " + QByteArray::number(content.size())}, content);
        UpdateWindow w;
        w.show();
        // The busy state while the site is asked.
        QString busyCaption;
        bool busyEnabled = true;
        bool busyCursor = false;
        m_server->onRequest = [&](const QByteArray &) {
            busyCaption = w.windowTitle();
            busyEnabled = button(&w, "Command1")->isEnabled();
            busyCursor = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        };
        bool busyDuringMessage = false;
        m_dialogs->onShow = [&](const ScriptedDialogs::Shown &) { busyDuringMessage = w.windowTitle() == "Please wait..."; };
        QTest::mouseClick(button(&w, "Command1"), Qt::LeftButton);

        QCOMPARE(m_server->requests().size(), 1);
        QVERIFY(m_server->requests()[0].startsWith("GET /Soft/Zelq/LastVersion.txt HTTP/1.1\r\n"));
        QCOMPARE(busyCaption, QString("Please wait..."));
        QVERIFY(!busyEnabled);
        QVERIFY(busyCursor);
        QVERIFY(!QApplication::overrideCursor());
        if (starts) {
            QCOMPARE(m_started, QStringList{UpdateWindow::updaterProgram()});
            QCOMPARE(m_ended, 1);
            QVERIFY(!w.isVisible());
            QVERIFY(m_dialogs->shown.isEmpty());
        } else {
            QVERIFY(m_started.isEmpty());
            QCOMPARE(m_ended, 0);
            QCOMPARE(m_dialogs->shown.size(), 1);
            QCOMPARE(m_dialogs->last().text, kLatest);
            QCOMPARE(m_dialogs->last().title, QString("Mehrsan"));
            QCOMPARE(m_dialogs->last().icon, QMessageBox::Information);
            QVERIFY(busyDuringMessage);
            QCOMPARE(w.windowTitle(), QString("Mehrsan 2.1"));
            QVERIFY(button(&w, "Command1")->isEnabled());
            QVERIFY(w.isVisible());
        }
    }

    void unreachableOrSilentServer()
    {
        // Nobody listens.
        qputenv("MEHRSAN_SITE_URL", QString("http://127.0.0.1:%1").arg(closedPort()).toUtf8());
        {
            UpdateWindow w;
            QTest::mouseClick(button(&w, "Command1"), Qt::LeftButton);
            QCOMPARE(m_dialogs->texts(), QStringList{kLatest});
        }
        // A server that takes the request and never answers is given up on.
        m_dialogs->clear();
        qputenv("MEHRSAN_SITE_URL", m_server->baseUrl().toUtf8());
        m_server->script({}, ScriptedHttpServer::Ending::Hold);
        UpdateWindow::setFetchTimeout(400);
        UpdateWindow w;
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(button(&w, "Command1"), Qt::LeftButton);
        QVERIFY(clock.elapsed() < 10000);
        QCOMPARE(m_dialogs->texts(), QStringList{kLatest});
        QCOMPARE(w.windowTitle(), QString("Mehrsan 2.1"));
        QVERIFY(button(&w, "Command1")->isEnabled());
    }

    // A copy built without the publisher's keys: Mehrsan asks its updater
    // first, says in Persian that it cannot update itself, and keeps running.
    void keylessCopyKeepsRunning()
    {
        placeUpdater(KEYLESS_UPDATER);
        m_server->respond("HTTP/1.1 200 OK", {"Content-Length: 1"}, "9");
        UpdateWindow w;
        w.show();
        QTest::mouseClick(button(&w, "Command1"), Qt::LeftButton);
        QVERIFY(m_started.isEmpty());
        QCOMPARE(m_ended, 0);
        QCOMPARE(m_dialogs->shown.size(), 1);
        QCOMPARE(m_dialogs->last().text, splitMessage(UpdateWindow::keylessMessage()).sentence);
        QVERIFY(m_dialogs->last().text.contains(QStringLiteral("نمي تواند خودش را بروز کند")));
        QVERIFY(m_dialogs->last().title != QStringLiteral("خطا"));
        QVERIFY(w.isVisible());
        QCOMPARE(w.windowTitle(), QString("Mehrsan 2.1"));
        QVERIFY(button(&w, "Command1")->isEnabled());
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(UpdateWindow::updaterState(), UpdateWindow::Updater::Keyless);
        // The build's own updater answers for its keys.
        placeUpdater(KEYED_UPDATER);
        QCOMPARE(UpdateWindow::updaterState(), buildHasKeys() ? UpdateWindow::Updater::Ready : UpdateWindow::Updater::Keyless);
        QFile::remove(UpdateWindow::updaterProgram());
        QCOMPARE(UpdateWindow::updaterState(), UpdateWindow::Updater::Missing);
    }

    void missingUpdaterIsReported()
    {
        if (!buildHasKeys())
            QSKIP("this build has no publisher key: its updater takes no update (bash setup.sh test builds one)");
        m_server->respond("HTTP/1.1 200 OK", {"Content-Length: 1"}, "9");
        m_startSucceeds = false;
        UpdateWindow w;
        w.show();
        QTest::mouseClick(button(&w, "Command1"), Qt::LeftButton);
        QCOMPARE(m_started.size(), 1);
        QCOMPARE(m_ended, 0);
        QCOMPARE(m_dialogs->shown.size(), 1);
        QCOMPARE(m_dialogs->last().title, QString("خطا"));
        QCOMPARE(m_dialogs->last().text, splitMessage(UpdateWindow::updaterMissingMessage()).sentence);
        QVERIFY(w.isVisible());
        QCOMPARE(w.windowTitle(), QString("Mehrsan 2.1"));
        QVERIFY(button(&w, "Command1")->isEnabled());
        QVERIFY(!QApplication::overrideCursor());
    }

    // The updater takes http:// only: an https:// site is refused while
    // Mehrsan still runs, with a message that names the address.
    void httpsSiteIsRefusedBeforeEnding()
    {
        m_server->respond("HTTP/1.1 200 OK", {"Content-Length: 1"}, "9");
        for (const QString &site : {QStringLiteral("https://127.0.0.1:%1"), QStringLiteral("HTTP://127.0.0.1:%1"),
                                    QStringLiteral("ftp://127.0.0.1:%1")}) {
            m_dialogs->clear();
            const QString address = site.arg(m_server->baseUrl().section(':', -1));
            qputenv("MEHRSAN_SITE_URL", address.toUtf8());
            UpdateWindow w;
            w.show();
            QTest::mouseClick(button(&w, "Command1"), Qt::LeftButton);
            QVERIFY(m_started.isEmpty());
            QCOMPARE(m_ended, 0);
            QCOMPARE(m_dialogs->shown.size(), 1);
            QCOMPARE(m_dialogs->last().title, QString("خطا"));
            // The address and the rule for whoever set the program up, behind the details.
            QVERIFY(m_dialogs->last().details.contains(address));
            QVERIFY(m_dialogs->last().details.contains("http://"));
            QVERIFY(w.isVisible());
            QCOMPARE(w.windowTitle(), QString("Mehrsan 2.1"));
            QVERIFY(button(&w, "Command1")->isEnabled());
            QVERIFY(!QApplication::overrideCursor());
        }
        // The same site over http:// goes on to the updater.
        if (!buildHasKeys())
            QSKIP("this build has no publisher key: its updater takes no update (bash setup.sh test builds one)");
        qputenv("MEHRSAN_SITE_URL", m_server->baseUrl().toUtf8());
        UpdateWindow w;
        QTest::mouseClick(button(&w, "Command1"), Qt::LeftButton);
        QCOMPARE(m_started.size(), 1);
        QCOMPARE(m_ended, 1);
    }

    void updaterIsBuiltUnderTheNameStarted()
    {
        const QString name = QFileInfo(UpdateWindow::updaterProgram()).fileName();
        QVERIFY2(QFileInfo(QString(MEHRSAN_PROGRAM_DIR) + "/" + name).isExecutable(), qPrintable(name));
    }

    void mainWindowOpensItModally()
    {
        auto *main = new MainWindow;
        main->show();
        QString seen;
        QTimer::singleShot(0, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            seen = modal ? modal->objectName() : QString("none");
            if (modal)
                QTest::mouseClick(modal->findChild<QPushButton *>("Command2"), Qt::LeftButton);
        });
        QTest::mouseClick(main->findChild<QPushButton *>("Command17"), Qt::LeftButton);
        QCOMPARE(seen, QString("FrmUpdate"));
        QVERIFY(main->isVisible());
        main->setExitMode("1");
        main->close();
    }
};

QTEST_MAIN(UpdateWindowTest)
#include "tst_updatewindow.moc"
