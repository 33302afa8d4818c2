// Only what the publisher signed runs. The publisher key of this test build is
// compiled in through MEHRSAN_UPDATE_KEYS (bash setup.sh test makes it with
// signify); each case signs at test time with the real signify tool and
// serves the release from a local HTTP server. In every case but the good one
// the setup is not started, the older setup stays byte for byte, and the
// message names the reason.
#include "ReleaseSigning.h"
#include "ScriptedDialogs.h"
#include "ScriptedHttpServer.h"

#include "platform/Desktop.h"
#include "updater/ProgressWindow.h"
#include "updater/UpdateKeys.h"
#include "updater/VerifiedCopy.h"

#include <QProcess>
#include <QPushButton>
#include <QtTest>

#include <sys/stat.h>

namespace {
const QByteArray kOld = "older setup, left by the last update";
const QString kNothingRuns = QStringLiteral("چيزي اجرا نشد و فايل قبلي دست نخورد.");

QByteArray setupBytes()
{
    QByteArray b(20051, Qt::Uninitialized);
    for (int i = 0; i < b.size(); ++i)
        b[i] = char((i * 131 + 7) & 0xff);
    return b;
}

QByteArray contentOf(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
}

// Puts other bytes at the name the way another user of the folder would:
// a new file renamed over it.
void swapIn(const QString &file, const QByteArray &bytes)
{
    const QString other = file + ".other";
    QFile f(other);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    QVERIFY(std::rename(QFile::encodeName(other).constData(), QFile::encodeName(file).constData()) == 0);
}

#ifndef Q_OS_WIN
mode_t modeOf(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}
#endif

QByteArray flipped(QByteArray bytes, qsizetype at)
{
    bytes[at] = char(bytes[at] ^ 0x01);
    return bytes;
}
}  // namespace

class SignedUpdateTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home, m_keys;
    SignifyKey m_publisher = SignifyKey::fromSecretKey(QStringLiteral(MEHRSAN_TEST_SIGNING_KEY));
    ScriptedHttpServer *m_server = nullptr;
    ScriptedDialogs *m_dialogs = nullptr;
    QStringList m_started;
    int m_ended = 0;

    QString setupFile() const { return m_home.filePath("setup-Zelq.exe"); }
    QByteArray oldFile() const
    {
        QFile f(setupFile());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
    }
    void serve(const QByteArray &manifest, const QByteArray &signature)
    {
        if (!manifest.isNull())
            m_server->serveFile("/Soft/Zelq/setup-Zelq.exe.manifest", manifest);
        if (!signature.isNull())
            m_server->serveFile("/Soft/Zelq/setup-Zelq.exe.manifest.sig", signature);
    }
    void clickDownload()
    {
        ProgressWindow w;
        QTest::mouseClick(w.findChild<QPushButton *>("cmdUpdate"), Qt::LeftButton);
        QCOMPARE(w.findChild<QPushButton *>("cmdUpdate")->text(), QString("دانلود"));
    }

private slots:
    void initTestCase()
    {
        if (!m_publisher.isValid())
            QSKIP("this build has no test publisher key: configure with MEHRSAN_UPDATE_KEYS (bash setup.sh test does)");
        // The key the test signs with is the one compiled into the build.
        const QList<ReleaseManifest::PublisherKey> compiled = compiledUpdateKeys();
        QCOMPARE(compiled.size(), 1);
        QCOMPARE(compiled.first().publicKey, m_publisher.publisherKey().publicKey);
    }
    void init()
    {
        m_server = new ScriptedHttpServer;
        qputenv("MEHRSAN_HOME", m_home.path().toUtf8());
        qputenv("MEHRSAN_SITE_URL", m_server->baseUrl().toUtf8());
        m_dialogs = new ScriptedDialogs;
        m_started.clear();
        m_ended = 0;
        Desktop::setLauncher([this](const QString &program) {
            m_started << program;
            return true;
        });
        ProgressWindow::setProgramEnder([this] { ++m_ended; });
        QFile old(setupFile());
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(kOld);
    }
    void cleanup()
    {
        Desktop::setLauncher({});
        ProgressWindow::setProgramEnder({});
        ProgressWindow::setPublisherKeysForTest(std::nullopt);
        delete m_dialogs;
        delete m_server;
    }

    void signedNewerReleaseIsStarted()
    {
        const QByteArray setup = setupBytes();
        const QByteArray manifest = manifestFor(setup);
        serve(manifest, m_publisher.sign(manifest));
        m_server->respondOk(setup);
        clickDownload();
        QCOMPARE(m_dialogs->texts(), QStringList{"دانلود فايل با موفقيت به پايان رسيد "});
        QCOMPARE(m_ended, 1);
        QCOMPARE(oldFile(), setup);
        // What starts is a copy in a new folder of the user's own, under the
        // setup's name, holding the signed bytes.
        QCOMPARE(m_started.size(), 1);
        const QFileInfo started(m_started.first());
        QCOMPARE(started.fileName(), QStringLiteral("setup-Zelq.exe"));
        QCOMPARE(started.absoluteDir().absolutePath(), QDir(VerifiedCopy::parentFolder()).absolutePath() + "/" +
                                                           started.absoluteDir().dirName());
        QVERIFY(started.absoluteDir().dirName().startsWith("Zelqupdate-"));
#ifndef Q_OS_WIN  // there the user's profile ACLs keep the copy private
        QCOMPARE(modeOf(started.absolutePath()), mode_t(0700));
        QCOMPARE(modeOf(VerifiedCopy::parentFolder()) & 0077, mode_t(0));
        QCOMPARE(modeOf(started.absoluteFilePath()), mode_t(0700));
#endif
        QCOMPARE(contentOf(started.absoluteFilePath()), setup);
        QDir(started.absolutePath()).removeRecursively();
    }

    // Someone who may write the program folder swaps the downloaded setup
    // while the success box waits: what the signature covered is not there
    // any more, and nothing runs.
    void setupSwappedWhileTheBoxWaitsIsNotRun_data()
    {
        QTest::addColumn<QByteArray>("swapped");
        QTest::newRow("one byte changed") << flipped(setupBytes(), 100);
        QTest::newRow("one byte more") << setupBytes() + "x";
        QTest::newRow("cut short") << setupBytes().left(20050);
    }
    void setupSwappedWhileTheBoxWaitsIsNotRun()
    {
        QFETCH(QByteArray, swapped);
        const QByteArray setup = setupBytes();
        const QByteArray manifest = manifestFor(setup);
        serve(manifest, m_publisher.sign(manifest));
        m_server->respondOk(setup);
        m_dialogs->onShow = [&](const ScriptedDialogs::Shown &box) {
            if (box.title == QLatin1String("Success"))
                swapIn(setupFile(), swapped);
        };
        const QStringList before = QDir(VerifiedCopy::parentFolder()).entryList({"Zelqupdate-*"}, QDir::Dirs);
        clickDownload();
        QVERIFY(m_started.isEmpty());
        QCOMPARE(m_ended, 0);
        QCOMPARE(m_dialogs->shown.size(), 2);
        QCOMPARE(m_dialogs->last().title, QStringLiteral("Error"));
        QVERIFY2(m_dialogs->last().text.contains(QStringLiteral("پس از بررسي امضا تغيير کرده است")),
                 qPrintable(m_dialogs->last().text));
        QVERIFY2(m_dialogs->last().text.contains(QStringLiteral("setup-Zelq.exe")), qPrintable(m_dialogs->last().text));
        QVERIFY(m_dialogs->last().text.contains(QStringLiteral("چيزي اجرا نشد")));
        // No copy is left behind.
        QCOMPARE(QDir(VerifiedCopy::parentFolder()).entryList({"Zelqupdate-*"}, QDir::Dirs), before);
    }

    // A real setup (a script) started for real: the file in the program
    // folder is swapped at the last moment, as the program starts the setup;
    // the checked copy is what runs.
    void theCheckedCopyIsWhatRuns()
    {
        QTemporaryDir marks;
        const QString mark = marks.filePath("ran");
        const QByteArray setup = "#!/bin/sh\nprintf 'signed %s' \"$0\" > '" + mark.toUtf8() + "'\n";
        const QByteArray evil = "#!/bin/sh\nprintf 'swapped %s' \"$0\" > '" + mark.toUtf8() + "'\n";
        const QByteArray manifest = manifestFor(setup);
        serve(manifest, m_publisher.sign(manifest));
        m_server->respondOk(setup);
        Desktop::setLauncher([&](const QString &program) {
            swapIn(setupFile(), evil);
            QFile::setPermissions(setupFile(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            m_started << program;
            return QProcess::startDetached(program, {});
        });
        clickDownload();
        QCOMPARE(m_started.size(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(mark).size() > 0, 20000);
        QCOMPARE(contentOf(mark), "signed " + m_started.first().toUtf8());
        QVERIFY(!m_started.first().startsWith(m_home.path()));
        QDir(QFileInfo(m_started.first()).absolutePath()).removeRecursively();
    }

    // Versions are numbers part by part: a trailing .0 is the same version.
    void versionsCompareByNumber_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<bool>("newer");  // than 2.1
        QTest::newRow("2.1") << "2.1" << false;
        QTest::newRow("2.1.0") << "2.1.0" << false;
        QTest::newRow("2.1.0.0") << "2.1.0.0" << false;
        QTest::newRow("02.01") << "02.01" << false;
        QTest::newRow("2.0.9") << "2.0.9" << false;
        QTest::newRow("2") << "2" << false;
        QTest::newRow("2.1.0.1") << "2.1.0.1" << true;
        QTest::newRow("2.1.1") << "2.1.1" << true;
        QTest::newRow("2.10") << "2.10" << true;
        QTest::newRow("3") << "3" << true;
    }
    void versionsCompareByNumber()
    {
        QFETCH(QString, version);
        QFETCH(bool, newer);
        QCOMPARE(ReleaseManifest::isNewer(version, QStringLiteral("2.1")), newer);
        // Equal either way round is newer neither way.
        if (!newer)
            QVERIFY(!ReleaseManifest::isNewer(version, QStringLiteral("2.1.0")));
    }

    void refusedRelease_data()
    {
        QTest::addColumn<QByteArray>("manifest");
        QTest::addColumn<QByteArray>("signature");  // null: signed by the publisher
        QTest::addColumn<QList<QByteArray>>("response");  // null: the setup itself
        QTest::addColumn<QString>("reason");

        const QByteArray setup = setupBytes();
        const QByteArray good = manifestFor(setup);
        const QByteArray goodSig = m_publisher.sign(good);
        const QByteArray head = "HTTP/1.1 200 OK\r\nContent-Length: 20051\r\n\r\n";
        QTemporaryDir otherDir;
        const SignifyKey other(otherDir.path(), "other");
        QVERIFY(other.isValid());
        QByteArray badSig = goodSig;
        badSig[badSig.indexOf('\n') + 20] = badSig[badSig.indexOf('\n') + 20] == 'A' ? 'B' : 'A';

        QTest::newRow("one byte of the setup changed") << good << QByteArray() << QList{head + flipped(setup, 9000)}
                                                        << "فايل نصب دريافت شده با فايلي که ناشر امضا کرده است يکي نيست";
        QTest::newRow("one byte of the manifest changed") << flipped(good, 40) << goodSig << QList<QByteArray>()
                                                           << "امضاي نسخه تازه درست نيست";
        QTest::newRow("one byte of the signature changed") << good << badSig << QList<QByteArray>()
                                                            << "امضاي نسخه تازه درست نيست";
        QTest::newRow("signed with another key") << good << other.sign(good) << QList<QByteArray>()
                                                  << "کليدي امضا شده است که اين برنامه آن را کليد ناشر نمي شناسد";
        QTest::newRow("no signature") << good << QByteArray("missing") << QList<QByteArray>()
                                      << "امضاي نسخه تازه از سايت گرفته نشد";
        QTest::newRow("signature that is not one") << good << QByteArray("untrusted comment: x\nnot base64!\n")
                                                   << QList<QByteArray>() << "امضاي نسخه تازه در سايت نيست يا خوانا نيست";
        QTest::newRow("no manifest") << QByteArray("missing") << QByteArray("missing") << QList<QByteArray>()
                                     << "فهرست امضاشده نسخه تازه از سايت گرفته نشد";
        QTest::newRow("older version") << manifestFor(setup, "2.0") << QByteArray() << QList<QByteArray>()
                                       << "نسخه 2.0 در سايت از نسخه اين برنامه تازه تر نيست";
        QTest::newRow("the running version again") << manifestFor(setup, "2.1") << QByteArray() << QList<QByteArray>()
                                                   << "نسخه 2.1 در سايت از نسخه اين برنامه تازه تر نيست";
        // An old signed release replayed under the running version's number
        // written longer, or an older one so.
        QTest::newRow("the running version as 2.1.0") << manifestFor(setup, "2.1.0") << QByteArray() << QList<QByteArray>()
                                                      << "نسخه 2.1.0 در سايت از نسخه اين برنامه تازه تر نيست";
        QTest::newRow("the running version as 2.1.0.0") << manifestFor(setup, "2.1.0.0") << QByteArray()
                                                        << QList<QByteArray>()
                                                        << "نسخه 2.1.0.0 در سايت از نسخه اين برنامه تازه تر نيست";
        QTest::newRow("older as 2.0.9") << manifestFor(setup, "2.0.9") << QByteArray() << QList<QByteArray>()
                                        << "نسخه 2.0.9 در سايت از نسخه اين برنامه تازه تر نيست";
        QTest::newRow("another file") << manifestFor(setup, "2.2", "other.exe") << QByteArray() << QList<QByteArray>()
                                      << "فايل ديگري را نام مي برد: \u2066other.exe\u2069";
        QTest::newRow("a manifest line twice") << good + "size 1\n" << QByteArray() << QList<QByteArray>()
                                               << "فهرست امضاشده نسخه تازه خوانا نيست";
        QTest::newRow("size not as signed") << good << QByteArray()
                                            << QList<QByteArray>{"HTTP/1.1 200 OK\r\nContent-Length: 20052\r\n\r\n" + setup + "x"}
                                            << "اندازه فايل نصب (20052 بايت) با اندازه امضاشده آن (20051 بايت)";
        // What the download rules refuse, under a good manifest.
        QTest::newRow("206 with the first 1000 bytes")
            << good << QByteArray()
            << QList<QByteArray>{"HTTP/1.1 206 Partial Content\r\nContent-Length: 1000\r\nContent-Range: bytes 0-999/20051\r\n\r\n" + setup.left(1000)}
            << "only part of the file (Content-Range: bytes 0-999/20051";
        QTest::newRow("206 without Content-Range")
            << good << QByteArray()
            << QList<QByteArray>{"HTTP/1.1 206 Partial Content\r\nContent-Length: 20051\r\n\r\n" + setup}
            << "no Content-Range";
        QTest::newRow("two Content-Length headers")
            << good << QByteArray()
            << QList<QByteArray>{"HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nContent-Length: 20051\r\n\r\n" + setup.left(1000)}
            << "Content-Length \"1000, 20051\" is not one plain number";
        QTest::newRow("gzip body")
            << good << QByteArray()
            << QList<QByteArray>{"HTTP/1.1 200 OK\r\nContent-Length: 20051\r\nContent-Encoding: gzip\r\n\r\n" + setup}
            << "encoded as \"gzip\"";
    }
    void refusedRelease()
    {
        QFETCH(QByteArray, manifest);
        QFETCH(QByteArray, signature);
        QFETCH(QList<QByteArray>, response);
        QFETCH(QString, reason);
        // "missing": the site answers 404 for it.
        serve(manifest == "missing" ? QByteArray() : manifest,
              signature == "missing" ? QByteArray() : signature.isNull() ? m_publisher.sign(manifest) : signature);
        QList<ScriptedHttpServer::Step> steps;
        for (const QByteArray &piece : response.isEmpty() ? QList{"HTTP/1.1 200 OK\r\nContent-Length: 20051\r\n\r\n" + setupBytes()}
                                                          : response)
            steps << ScriptedHttpServer::Step{piece, 0};
        if (manifest == "missing" || signature == "missing")
            steps = {{"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n", 0}};
        m_server->script(steps);

        clickDownload();
        QCOMPARE(m_dialogs->shown.size(), 1);
        QCOMPARE(m_dialogs->last().title, QString("Error"));
        QVERIFY2(m_dialogs->last().text.contains(reason), qPrintable(m_dialogs->last().text));
        // Key ids, hashes and the download control's English stay behind the details control.
        static const QRegularExpression hex(QStringLiteral("[0-9A-Fa-f]{8,}"));
        QVERIFY2(!m_dialogs->last().text.contains(hex), qPrintable(m_dialogs->last().text));
        QVERIFY2(!m_dialogs->last().text.contains(QStringLiteral("SHA-256")), qPrintable(m_dialogs->last().text));
        QVERIFY2(!m_dialogs->last().text.contains(QStringLiteral("was not found")), qPrintable(m_dialogs->last().text));
        QVERIFY(m_started.isEmpty());
        QCOMPARE(m_ended, 0);
        QCOMPARE(oldFile(), kOld);
        QCOMPARE(QDir(m_home.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"setup-Zelq.exe"});
    }

    // A build that carries no publisher key refuses every update before it
    // asks the site for anything.
    void buildWithoutKeysRefuses()
    {
        ProgressWindow::setPublisherKeysForTest(QList<ReleaseManifest::PublisherKey>());
        const QByteArray setup = setupBytes();
        serve(manifestFor(setup), m_publisher.sign(manifestFor(setup)));
        m_server->respondOk(setup);
        clickDownload();
        QCOMPARE(m_dialogs->shown.size(), 1);
        QVERIFY2(m_dialogs->last().text.contains("دستي نصب کنيد"), qPrintable(m_dialogs->last().text));
        QVERIFY(m_server->requests().isEmpty());
        QVERIFY(m_started.isEmpty());
        QCOMPARE(oldFile(), kOld);
    }
};

QTEST_MAIN(SignedUpdateTest)
#include "tst_signedupdate.moc"
