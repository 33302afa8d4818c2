#include "ScriptedHttpServer.h"
#include "updater/FileDownloader.h"

#include <QCryptographicHash>
#include <QtTest>

// Every event the control raised, in order.
struct Recorder {
    explicit Recorder(FileDownloader &d)
    {
        QObject::connect(&d, &FileDownloader::DownloadErrors, [this](const QString &s) { log << "error:" + s; });
        QObject::connect(&d, &FileDownloader::DownloadEvents, [this](const QString &s) { log << "event:" + s; });
        QObject::connect(&d, &FileDownloader::DowloadComplete, [this] { log << "complete"; });
        QObject::connect(&d, &FileDownloader::DownloadProgress, [this](const QString &s) { progress << s; });
    }
    QStringList log;
    QStringList progress;
};

namespace {
const QString kStart = "event:Getting file information";

QByteArray bytes(int size, int seed = 1)
{
    QByteArray b(size, Qt::Uninitialized);
    quint32 x = 2463534242u + seed;
    for (int i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b[i] = char(x);
    }
    return b;
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}
}  // namespace

class TestFileDownloader : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString dest() const { return m_dir.filePath("setup-Zelq.exe"); }
    // Files in the download folder: a failed download must leave no stray file.
    QStringList leftovers() const { return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot); }

private slots:
    void init()
    {
        for (const QString &f : leftovers())
            QFile::remove(m_dir.filePath(f));
    }

    void wholeFile_data()
    {
        QTest::addColumn<QByteArray>("status");
        QTest::newRow("200") << QByteArray("HTTP/1.1 200 OK");
        QTest::newRow("206") << QByteArray("HTTP/1.1 206 Partial Content");
    }
    void wholeFile()
    {
        QFETCH(QByteArray, status);
        ScriptedHttpServer server;
        const QByteArray body = bytes(5000);
        server.respond(status, {"Content-Length: 5000", "Content-Range: bytes 0-4999/5000"}, body);
        FileDownloader d;
        Recorder r(d);
        QVERIFY(d.DownloadFile(server.url("/Soft/Zelq/setup-Zelq.exe"), dest()));
        QCOMPARE(r.log, QStringList({kStart, "complete"}));
        QCOMPARE(readFile(dest()), body);
        QCOMPARE(leftovers(), QStringList{"setup-Zelq.exe"});
        // The whole file is asked for, from its first byte.
        QVERIFY(server.requests().value(0).startsWith("GET /Soft/Zelq/setup-Zelq.exe HTTP/1.1\r\n"));
        QVERIFY(server.requests().value(0).contains("\r\nRange: bytes=0-\r\n"));
        // One progress event per chunk of at most 1024 bytes, rising to 100.
        QVERIFY(r.progress.size() >= 5);
        QCOMPARE(r.progress.last(), QString("100"));
        int previous = 0;
        for (const QString &p : r.progress) {
            QVERIFY(p.toInt() >= previous);
            previous = p.toInt();
        }
    }

    // Content-Length 0 is complete at once and writes no file: an older file
    // at the destination stays byte for byte.
    void zeroLengthKeepsTheOldFile_data()
    {
        QTest::addColumn<QByteArray>("status");
        QTest::newRow("200") << QByteArray("HTTP/1.1 200 OK");
    }
    void zeroLengthKeepsTheOldFile()
    {
        QFETCH(QByteArray, status);
        const QByteArray old = bytes(700);
        writeFile(dest(), old);
        ScriptedHttpServer server;
        server.respond(status, {"Content-Length: 0"}, "");
        FileDownloader d;
        Recorder r(d);
        QVERIFY(d.DownloadFile(server.url("/f.exe"), dest()));
        QCOMPARE(r.log, QStringList({kStart, "complete"}));
        QVERIFY(r.progress.isEmpty());
        QCOMPARE(readFile(dest()), old);
        QCOMPARE(leftovers(), QStringList{"setup-Zelq.exe"});
    }

    // Without Content-Length nothing tells a whole body from a cut one: one
    // ended by a reset or a close, or a chunked body cut off or malformed
    // (which Qt reads as whole), is an error; the older file stays.
    void bodyWithoutLength_data()
    {
        QTest::addColumn<QList<QByteArray>>("response");
        QTest::addColumn<int>("ending");
        const QByteArray half = bytes(6000, 3);
        const QByteArray chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
        QTest::newRow("chunked, whole") << QList<QByteArray>{chunked + "1770\r\n" + half + "\r\n0\r\n\r\n"}
                                        << int(ScriptedHttpServer::Ending::Close);
        QTest::newRow("reset at half") << QList<QByteArray>{"HTTP/1.1 200 OK\r\n\r\n", half}
                                       << int(ScriptedHttpServer::Ending::Reset);
        QTest::newRow("closed at half") << QList<QByteArray>{"HTTP/1.0 200 OK\r\nConnection: close\r\n\r\n", half}
                                        << int(ScriptedHttpServer::Ending::Close);
        QTest::newRow("chunked, cut in a chunk") << QList<QByteArray>{chunked + "2ee0\r\n" + half}
                                                 << int(ScriptedHttpServer::Ending::Reset);
        QTest::newRow("chunked, cut between chunks") << QList<QByteArray>{chunked + "1770\r\n" + half + "\r\n"}
                                                     << int(ScriptedHttpServer::Ending::Close);
        QTest::newRow("chunked, size not hex") << QList<QByteArray>{chunked + "1770\r\n" + half + "\r\nzz\r\n" + half}
                                               << int(ScriptedHttpServer::Ending::Close);
        QTest::newRow("chunked, size line missing")
            << QList<QByteArray>{chunked + "1770\r\n" + half + half} << int(ScriptedHttpServer::Ending::Close);
    }
    void bodyWithoutLength()
    {
        QFETCH(QList<QByteArray>, response);
        QFETCH(int, ending);
        const QByteArray old = bytes(900, 7);
        writeFile(dest(), old);
        ScriptedHttpServer server;
        QList<ScriptedHttpServer::Step> steps;
        for (const QByteArray &piece : response)
            steps << ScriptedHttpServer::Step{piece, 20};
        server.script(steps, ScriptedHttpServer::Ending(ending));
        FileDownloader d;
        Recorder r(d);
        QVERIFY(!d.DownloadFile(server.url("/f.exe"), dest()));
        QCOMPARE(r.log, QStringList({kStart, "error:Error: the server did not say how long the file is "
                                             "(Content-Length), so a whole file could not be told from a cut one occurred."}));
        QCOMPARE(readFile(dest()), old);
        QCOMPARE(leftovers(), QStringList{"setup-Zelq.exe"});
    }

    // Every request asks for the file from byte 0: a part from elsewhere is
    // not the file.
    void partFromAnotherByteIsRefused()
    {
        const QByteArray old = bytes(900, 7);
        writeFile(dest(), old);
        ScriptedHttpServer server;
        server.respond("HTTP/1.1 206 Partial Content", {"Content-Length: 500", "Content-Range: bytes 500-999/1000"},
                       bytes(500));
        FileDownloader d;
        Recorder r(d);
        d.DownloadFile(server.url("/f.exe"), dest());
        QCOMPARE(r.log.size(), 2);  // the start and the error: no completion
        QVERIFY(r.log.last().startsWith("error:The server returned the following response:\r\rHTTP/1.1 206"));
        QVERIFY(r.log.last().contains("bytes 500-999/1000"));
        QCOMPARE(readFile(dest()), old);
        QCOMPARE(leftovers(), QStringList{"setup-Zelq.exe"});
    }

    void existingLongerFileIsReplacedExactly()
    {
        writeFile(dest(), QByteArray(10000, 'x'));
        ScriptedHttpServer server;
        server.respondOk("new setup");
        FileDownloader d;
        QVERIFY(d.DownloadFile(server.url("/f.exe"), dest()));
        QCOMPARE(readFile(dest()), QByteArray("new setup"));
    }

    void statusErrors_data()
    {
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<QString>("error");
        QTest::newRow("204") << QByteArray("HTTP/1.1 204 No Content") << "Nothing to download!";
        QTest::newRow("401") << QByteArray("HTTP/1.1 401 Unauthorized") << "Authorization failed!";
        QTest::newRow("404") << QByteArray("HTTP/1.1 404 Not Found") << "The file, \"%1\" was not found!";
        QTest::newRow("500") << QByteArray("HTTP/1.1 500 Internal Server Error")
                             << "The server returned the following response:\r\rHTTP/1.1 500 Internal Server Error\r";
        QTest::newRow("302 without Location") << QByteArray("HTTP/1.1 302 Found")
                                              << "The server returned the following response:\r\rHTTP/1.1 302 Found\r";
    }
    void statusErrors()
    {
        QFETCH(QByteArray, status);
        QFETCH(QString, error);
        const QByteArray old = bytes(1234, 9);
        writeFile(dest(), old);
        ScriptedHttpServer server;
        const QByteArray page = "<html>no</html>";
        server.respond(status,
                       {"Content-Length: " + QByteArray::number(status.contains("204") ? 0 : page.size()),
                        "Content-Type: text/html", "Connection: close"},
                       status.contains("204") ? QByteArray() : page);
        const QString url = server.url("/Soft/Zelq/setup-Zelq.exe");
        FileDownloader d;
        Recorder r(d);
        QVERIFY(!d.DownloadFile(url, dest()));
        QCOMPARE(r.log, QStringList({kStart, "error:" + QString(error).replace("%1", url)}));
        QVERIFY(r.progress.isEmpty());
        // An old file at the destination is left as it was, and nothing else appears.
        QCOMPARE(readFile(dest()), old);
        QCOMPARE(leftovers(), QStringList{"setup-Zelq.exe"});
    }

    void credentialsAreOfferedWhenAsked()
    {
        ScriptedHttpServer server;
        server.respond("HTTP/1.1 401 Unauthorized",
                       {"WWW-Authenticate: Basic realm=\"Zelq\"", "Content-Length: 0", "Connection: close"}, "");
        FileDownloader d;
        Recorder r(d);
        QVERIFY(!d.DownloadFile(server.url("/f.exe"), dest(), "user", "secret"));
        QCOMPARE(r.log, QStringList({kStart, "error:Authorization failed!"}));
        // The second request carried the credentials ("user:secret" in base 64).
        QVERIFY(server.requests().size() >= 2);
        QVERIFY(server.requests()[1].contains("Authorization: Basic dXNlcjpzZWNyZXQ="));
        QVERIFY(leftovers().isEmpty());
    }

    void emptyResponse()
    {
        ScriptedHttpServer server;
        server.script({}, ScriptedHttpServer::Ending::Close);
        FileDownloader d;
        Recorder r(d);
        QVERIFY(!d.DownloadFile(server.url("/f.exe"), dest()));
        QCOMPARE(r.log, QStringList({kStart, "error:The server returned the following response:\r\r<nothing>"}));
        QVERIFY(leftovers().isEmpty());
    }

    void unreachableServer()
    {
        FileDownloader d;
        Recorder r(d);
        QVERIFY(!d.DownloadFile(QString("http://127.0.0.1:%1/f.exe").arg(closedPort()), dest()));
        QCOMPARE(r.log.size(), 2);
        QVERIFY2(r.log[1].startsWith("error:Error: ") && r.log[1].endsWith(" occurred."), qPrintable(r.log[1]));
        QVERIFY(leftovers().isEmpty());
    }

    void notAnHttpAddress()
    {
        FileDownloader d;
        Recorder r(d);
        QVERIFY(!d.DownloadFile("ftp://127.0.0.1/f.exe", dest()));
        QCOMPARE(r.log.size(), 2);
        QVERIFY(r.log[1].startsWith("error:Error: "));
    }

    void connectionLostInBody_data()
    {
        QTest::addColumn<int>("ending");
        QTest::newRow("reset") << int(ScriptedHttpServer::Ending::Reset);
        QTest::newRow("closed") << int(ScriptedHttpServer::Ending::Close);
    }
    void connectionLostInBody()
    {
        QFETCH(int, ending);
        const QByteArray old = bytes(50, 3);
        writeFile(dest(), old);
        ScriptedHttpServer server;
        const QByteArray body = bytes(8000, 4);
        server.script({{"HTTP/1.1 200 OK\r\nContent-Length: 20000\r\n\r\n", 0}, {body, 20}},
                      ScriptedHttpServer::Ending(ending));
        FileDownloader d;
        Recorder r(d);
        QVERIFY(!d.DownloadFile(server.url("/f.exe"), dest()));
        QCOMPARE(r.log, QStringList({kStart, "error:The connection with the server was reset."}));
        QVERIFY(!r.progress.isEmpty());
        QCOMPARE(readFile(dest()), old);
        QCOMPARE(leftovers(), QStringList{"setup-Zelq.exe"});
    }

    void bodyTrickledOneByteAtATime()
    {
        ScriptedHttpServer server;
        const QByteArray body = bytes(200, 5);
        server.respondTrickled("HTTP/1.1 200 OK\r\nContent-Length: 200\r\n\r\n", body, 1, 2);
        FileDownloader d;
        Recorder r(d);
        QVERIFY(d.DownloadFile(server.url("/f.exe"), dest()));
        QCOMPARE(r.log, QStringList({kStart, "complete"}));
        QCOMPARE(readFile(dest()), body);
        // Short chunks keep the download going; most of them arrive alone.
        QVERIFY2(r.progress.size() > 50, qPrintable(QString::number(r.progress.size())));
        QCOMPARE(r.progress.last(), QString("100"));
    }

    void bodyLongerThanLength()
    {
        ScriptedHttpServer server;
        const QByteArray body = bytes(3000, 6);
        server.respond("HTTP/1.1 200 OK", {"Content-Length: 2048", "Connection: close"}, body);
        FileDownloader d;
        Recorder r(d);
        QVERIFY(d.DownloadFile(server.url("/f.exe"), dest()));
        QCOMPARE(r.log, QStringList({kStart, "complete"}));
        QCOMPARE(readFile(dest()), body.left(2048));
        for (const QString &p : r.progress)
            QVERIFY(p.toInt() <= 100);
    }

    void cancelWhileWaitingForResponse()
    {
        ScriptedHttpServer server;
        server.script({}, ScriptedHttpServer::Ending::Hold);
        FileDownloader d;
        Recorder r(d);
        server.onRequest = [&d](const QByteArray &) { QTimer::singleShot(50, &d, [&d] { d.Cancel(); }); };
        QVERIFY(!d.DownloadFile(server.url("/f.exe"), dest()));
        QCOMPARE(r.log, QStringList({kStart}));
        QVERIFY(leftovers().isEmpty());
        QVERIFY(d.cancelRequested());
    }

    void cancelInTheMiddleOfTheBody()
    {
        const QByteArray old = bytes(77, 7);
        writeFile(dest(), old);
        ScriptedHttpServer server;
        server.script({{"HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + bytes(5000, 8), 0}},
                      ScriptedHttpServer::Ending::Hold);
        FileDownloader d;
        Recorder r(d);
        auto cancelAt3 = connect(&d, &FileDownloader::DownloadProgress, &d, [&d](const QString &p) {
            if (p.toInt() >= 3)
                d.Cancel();
        });
        QVERIFY(!d.DownloadFile(server.url("/f.exe"), dest()));
        QCOMPARE(r.log, QStringList({kStart}));
        QCOMPARE(r.progress.last(), QString("3"));
        QCOMPARE(readFile(dest()), old);
        QCOMPARE(leftovers(), QStringList{"setup-Zelq.exe"});
        // The next download starts afresh.
        disconnect(cancelAt3);
        ScriptedHttpServer second;
        second.respondOk("fresh");
        Recorder r2(d);
        QVERIFY(d.DownloadFile(second.url("/f.exe"), dest()));
        QCOMPARE(r2.log, QStringList({kStart, "complete"}));
        QCOMPARE(readFile(dest()), QByteArray("fresh"));
    }

    void cancelWhileTheServerStalls()
    {
        ScriptedHttpServer server;
        server.script({{"HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + bytes(100), 0}},
                      ScriptedHttpServer::Ending::Hold);
        FileDownloader d;
        Recorder r(d);
        connect(&d, &FileDownloader::DownloadProgress, &d,
                [&d] { QTimer::singleShot(100, &d, [&d] { d.Cancel(); }); });
        QVERIFY(!d.DownloadFile(server.url("/f.exe"), dest()));
        QCOMPARE(r.log, QStringList({kStart}));
        QVERIFY(leftovers().isEmpty());
    }

    void stalledTransferEnds()
    {
        ScriptedHttpServer server;
        server.script({{"HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + bytes(100), 0}},
                      ScriptedHttpServer::Ending::Hold);
        FileDownloader d;
        d.setStallTimeout(300);
        Recorder r(d);
        QVERIFY(!d.DownloadFile(server.url("/f.exe"), dest()));
        QCOMPARE(r.log, QStringList({kStart, "error:The connection with the server was reset."}));
        QVERIFY(leftovers().isEmpty());
    }

    void secondDownloadWhileOneRunsIsRefused()
    {
        ScriptedHttpServer server;
        server.respondTrickled("HTTP/1.1 200 OK\r\nContent-Length: 40\r\n\r\n", bytes(40), 10, 20);
        FileDownloader d;
        Recorder r(d);
        bool inner = true;
        connect(&d, &FileDownloader::DownloadProgress, &d, [&] {
            if (inner)
                inner = d.DownloadFile(server.url("/other.exe"), m_dir.filePath("other.exe"));
        });
        QVERIFY(d.DownloadFile(server.url("/f.exe"), dest()));
        QVERIFY(!inner);
        QCOMPARE(r.log, QStringList({kStart, "complete"}));
        QCOMPARE(server.requests().size(), 1);
    }

    void folderIsCreated()
    {
        ScriptedHttpServer server;
        server.respondOk("abc");
        FileDownloader d;
        const QString target = m_dir.filePath("new/setup.exe");
        QVERIFY(d.DownloadFile(server.url("/f.exe"), target));
        QCOMPARE(readFile(target), QByteArray("abc"));
        QVERIFY(QDir(m_dir.filePath("new")).removeRecursively());
    }

    void destinationCannotBeWritten_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::newRow("missing parent") << "a/b/setup.exe";
        QTest::newRow("parent is a file") << "plain.txt/setup.exe";
    }
    void destinationCannotBeWritten()
    {
        QFETCH(QString, relative);
        writeFile(m_dir.filePath("plain.txt"), "x");
        ScriptedHttpServer server;
        server.respondOk(bytes(3000));
        FileDownloader d;
        Recorder r(d);
        QVERIFY(!d.DownloadFile(server.url("/f.exe"), m_dir.filePath(relative)));
        QCOMPARE(r.log.size(), 2);
        QVERIFY2(r.log[1].startsWith("error:Cannot write file to disk.\r\rError "), qPrintable(r.log[1]));
        QVERIFY(!QFile::exists(m_dir.filePath(relative)));
        QCOMPARE(leftovers(), QStringList{"plain.txt"});
    }

    void notEnoughFreeSpace()
    {
        const QByteArray old = bytes(10);
        writeFile(dest(), old);
        ScriptedHttpServer server;
        // A petabyte is more than any test machine has free.
        server.respond("HTTP/1.1 200 OK", {"Content-Length: 1125899906842624"}, bytes(2000),
                       ScriptedHttpServer::Ending::Close);
        FileDownloader d;
        Recorder r(d);
        QVERIFY(!d.DownloadFile(server.url("/f.exe"), dest()));
        QCOMPARE(r.log, QStringList({kStart, "error:There is not enough free space on disk for this file."}));
        QCOMPARE(readFile(dest()), old);
        QCOMPARE(leftovers(), QStringList{"setup-Zelq.exe"});
    }

    void realServerDownloadIsByteIdentical()
    {
        QTemporaryDir served;
        QVERIFY(QDir(served.path()).mkpath("Soft/Zelq"));
        const QString source = served.filePath("Soft/Zelq/setup-Zelq.exe");
        {
            QFile f(source);
            QVERIFY(f.open(QIODevice::WriteOnly));
            for (int i = 0; i < 20; ++i)
                f.write(bytes(1 << 20, i));
        }
        PythonHttpServer server(served.path());
        QVERIFY(server.isRunning());
        FileDownloader d;
        Recorder r(d);
        QVERIFY(d.DownloadFile(server.url("/Soft/Zelq/setup-Zelq.exe"), dest()));
        QCOMPARE(r.log, QStringList({kStart, "complete"}));
        QVERIFY(r.progress.size() >= 20 * 1024);
        QCOMPARE(QFileInfo(dest()).size(), qint64(20 << 20));
        QFile a(source), b(dest());
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        QCOMPARE(QCryptographicHash::hash(b.readAll(), QCryptographicHash::Sha256),
                 QCryptographicHash::hash(a.readAll(), QCryptographicHash::Sha256));
        QCOMPARE(d.bytesReceived(), qint64(20 << 20));
    }
};

QTEST_MAIN(TestFileDownloader)
#include "tst_filedownloader.moc"
