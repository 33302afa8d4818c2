// Both programs hold records, so the first thing each does is to make every
// file and folder it creates its owner's alone (umask 077), whatever umask
// the desktop, a shell or a script started it with. Each program is started
// for real under a looser umask; its umask is read from the kernel once it
// is running, and Zelqupdate's download into a folder that is not there yet
// shows the folder it makes: 0700.
#include "ReleaseSigning.h"
#include "ScriptedHttpServer.h"
#include "TestFolder.h"

#include "data/Database.h"

#include <QProcess>
#include <QtTest>

#include <sys/stat.h>

namespace {
// The process's umask as the kernel has it, once its windows are being made
// (the platform plugin loads after main() began); -1 until then.
int umaskOfRunning(qint64 pid)
{
    QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
    if (!maps.open(QIODevice::ReadOnly) || !maps.readAll().contains("libqoffscreen"))
        return -1;
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("Umask:"))
            return line.mid(6).trimmed().toInt(nullptr, 8);
    return -1;
}

mode_t modeOf(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Starts a program with this umask, as a parent with that umask would.
void startWithUmask(QProcess &p, const QString &program, mode_t mask, const QProcessEnvironment &env)
{
    p.setProcessEnvironment(env);
    p.setChildProcessModifier([mask] { ::umask(mask); });
    p.start(program, {});
}

QProcessEnvironment environmentFor(const QString &home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MEHRSAN_HOME"), home);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}
}  // namespace

class StartUmaskTest : public QObject
{
    Q_OBJECT
private slots:
    void runsWithUmask077_data();
    void runsWithUmask077();
    void zelqupdateMakesItsDownloadFolderPrivate_data();
    void zelqupdateMakesItsDownloadFolderPrivate();
};

void StartUmaskTest::runsWithUmask077_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<int>("startedWith");
    for (const auto &[name, program] : {std::pair{"Mehrsan", MEHRSAN_EXE}, std::pair{"Zelqupdate", ZELQUPDATE_EXE}})
        for (int mask : {0000, 0002, 0022, 0027})
            QTest::newRow(qPrintable(QStringLiteral("%1, started with %2").arg(name).arg(mask, 3, 8, QChar('0'))))
                << QString::fromUtf8(program) << mask;
}

void StartUmaskTest::runsWithUmask077()
{
    QFETCH(QString, program);
    QFETCH(int, startedWith);
    TestFolder folder;
    QVERIFY(folder.isValid());
    Database::close();  // the program started below opens it
    QProcess p;
    startWithUmask(p, program, mode_t(startedWith), environmentFor(folder.path()));
    QVERIFY2(p.waitForStarted(), qPrintable(p.errorString()));
    auto stop = qScopeGuard([&] {
        p.kill();
        p.waitForFinished();
    });
    int mask = -1;
    QTRY_VERIFY_WITH_TIMEOUT((mask = umaskOfRunning(p.processId())) >= 0 || p.state() == QProcess::NotRunning, 60000);
    QVERIFY2(p.state() == QProcess::Running, p.readAllStandardError().constData());
    QCOMPARE(QString::number(mask, 8), QStringLiteral("77"));
}

void StartUmaskTest::zelqupdateMakesItsDownloadFolderPrivate_data()
{
    QTest::addColumn<int>("startedWith");
    QTest::newRow("022") << 0022;
    QTest::newRow("000") << 0000;
}

// The program folder named by MEHRSAN_HOME is not there yet: the download
// makes it, with no mode of its own but what the umask leaves.
void StartUmaskTest::zelqupdateMakesItsDownloadFolderPrivate()
{
    QFETCH(int, startedWith);
    const SignifyKey publisher = SignifyKey::fromSecretKey(QStringLiteral(MEHRSAN_TEST_SIGNING_KEY));
    if (!publisher.isValid())
        QSKIP("this build has no test publisher key: configure with MEHRSAN_UPDATE_KEYS (bash setup.sh test does)");
    QTemporaryDir work;
    const QString fresh = work.filePath("fresh");
    const QString ran = work.filePath("setup-ran");
    const QByteArray setup = "#!/bin/sh\ntouch '" + ran.toUtf8() + "'\n";
    ScriptedHttpServer site;
    const QByteArray manifest = manifestFor(setup, QStringLiteral("9.9"));
    site.serveFile("/Soft/Zelq/setup-Zelq.exe.manifest", manifest);
    site.serveFile("/Soft/Zelq/setup-Zelq.exe.manifest.sig", publisher.sign(manifest));
    site.respondOk(setup);

    QProcessEnvironment env = environmentFor(fresh);
    env.insert(QStringLiteral("MEHRSAN_SITE_URL"), site.baseUrl());
    // The operator's click, through the generic plugin that answers boxes too.
    env.insert(QStringLiteral("QT_PLUGIN_PATH"), QStringLiteral(UI_DRIVER_PLUGINS));
    env.insert(QStringLiteral("QT_QPA_GENERIC_PLUGINS"), QStringLiteral("mehrsanuidriver"));
    env.insert(QStringLiteral("MEHRSAN_UI_STEPS"), QStringLiteral("Progress/cmdUpdate"));
    env.insert(QStringLiteral("MEHRSAN_UI_LOG"), work.filePath("ui.log"));
    env.insert(QStringLiteral("MEHRSAN_UI_QUIT_AFTER_MS"), QStringLiteral("60000"));
    QProcess p;
    startWithUmask(p, QStringLiteral(ZELQUPDATE_EXE), mode_t(startedWith), env);
    QVERIFY2(p.waitForStarted(), qPrintable(p.errorString()));
    // The site answers from this test's event loop while the updater runs.
    QTRY_VERIFY_WITH_TIMEOUT(p.state() == QProcess::NotRunning, 90000);
    QFile log(work.filePath("ui.log"));
    log.open(QIODevice::ReadOnly);
    const QByteArray boxes = log.readAll();
    QVERIFY2(boxes.contains("Success|"), boxes.constData());
    QCOMPARE(QString::number(modeOf(fresh), 8), QStringLiteral("700"));
    QCOMPARE(QString::number(modeOf(fresh + "/setup-Zelq.exe"), 8), QStringLiteral("600"));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(ran), 20000);
}

QTEST_MAIN(StartUmaskTest)
#include "tst_startumask.moc"
