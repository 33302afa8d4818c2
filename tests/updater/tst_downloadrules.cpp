#include "updater/DownloadRules.h"
#include "updater/GetFileName.h"

#include <QtTest>

using namespace DownloadRules;

class TestDownloadRules : public QObject
{
    Q_OBJECT
private slots:
    void getFileName_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("name");
        QTest::newRow("setup") << "http://127.0.0.1:8080/Soft/Zelq/setup-Zelq.exe" << "setup-Zelq.exe";
        QTest::newRow("host only") << "http://www.zelq.ir" << "www.zelq.ir";
        QTest::newRow("ends in slash") << "http://www.zelq.ir/Soft/" << "";
        QTest::newRow("https") << "https://www.zelq.ir/Soft/Zelq/setup-Zelq.exe" << "";
        QTest::newRow("scheme only") << "http://" << "";
        QTest::newRow("upper-case scheme") << "HTTP://site/a.exe" << "";
        QTest::newRow("one character") << "h" << "";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("no dot") << "http://site/Soft/setup" << "";
        QTest::newRow("dot only at end") << "http://site/Soft/setup." << "";
        QTest::newRow("dot first") << "http://site/.profile" << ".profile";
        QTest::newRow("last slash ignored") << "http://site/a.b/" << "a.b/";
        QTest::newRow("one-letter name") << "http://site/x" << "";
    }
    void getFileName()
    {
        QFETCH(QString, address);
        QFETCH(QString, name);
        QCOMPARE(GetFileName(address), name);
    }

    void pathParts()
    {
        QCOMPARE(PathPart("/opt/Mehrsan/setup-Zelq.exe", true, false), QString("setup-Zelq.exe"));
        QCOMPARE(PathPart("/opt/Mehrsan/setup-Zelq.exe", false, false), QString("/opt/Mehrsan/"));
        QCOMPARE(PathPart("C:\\Zelq\\setup.exe", false, false), QString("C:\\Zelq\\"));
        QCOMPARE(PathPart("http://site/a\\b.exe", true, true), QString("a\\b.exe"));
        QCOMPARE(PathPart("setup.exe", false, false), QString("setup.exe"));
        QCOMPARE(WithTrailingBackslash("C:"), QString("C:/"));
        QCOMPARE(WithTrailingBackslash("C:\\"), QString("C:\\"));
    }

    void percentRoundsHalvesToEven_data()
    {
        QTest::addColumn<qint64>("received");
        QTest::addColumn<qint64>("expected");
        QTest::addColumn<int>("percent");
        QTest::newRow("12.5") << qint64(1) << qint64(8) << 12;
        QTest::newRow("13.5") << qint64(27) << qint64(200) << 14;
        QTest::newRow("0.5") << qint64(1) << qint64(200) << 0;
        QTest::newRow("1.5") << qint64(3) << qint64(200) << 2;
        QTest::newRow("37.4") << qint64(374) << qint64(1000) << 37;
        QTest::newRow("37.6") << qint64(376) << qint64(1000) << 38;
        QTest::newRow("whole") << qint64(5000) << qint64(5000) << 100;
        QTest::newRow("large file") << qint64(3000000000) << qint64(6000000000) << 50;
        QTest::newRow("unknown length") << qint64(10) << qint64(0) << 0;
    }
    void percentRoundsHalvesToEven()
    {
        QFETCH(qint64, received);
        QFETCH(qint64, expected);
        QFETCH(int, percent);
        QCOMPARE(DownloadRules::percent(received, expected), percent);
    }

    void statusTable_data()
    {
        QTest::addColumn<QString>("headers");
        QTest::addColumn<QString>("contentLength");
        QTest::addColumn<bool>("readBody");
        QTest::addColumn<QString>("error");
        QTest::addColumn<qint64>("expected");
        QTest::addColumn<bool>("known");
        const QString url = "http://127.0.0.1/Soft/Zelq/setup-Zelq.exe";
        QTest::newRow("200") << "HTTP/1.1 200 OK\r\n\r\n" << "5000" << true << "" << qint64(5000) << true;
        const QString noLength = "Error: the server did not say how long the file is (Content-Length), so a whole "
                                 "file could not be told from a cut one occurred.";
        QTest::newRow("200 without length") << "HTTP/1.1 200 OK\r\n\r\n" << "" << false << noLength << qint64(0) << false;
        QTest::newRow("200 length 0") << "HTTP/1.1 200 OK\r\n\r\n" << "0" << true << "" << qint64(0) << true;
        QTest::newRow("200 length not a number") << "HTTP/1.1 200 OK\r\n\r\n" << "abc" << false
                                                 << "Error: the server's Content-Length \"abc\" is not one plain number occurred."
                                                 << qint64(0) << false;
        // Two Content-Length headers, as Qt hands them over joined.
        QTest::newRow("200 two lengths") << "HTTP/1.1 200 OK\r\n\r\n" << "1000, 20051" << false
                                         << "Error: the server's Content-Length \"1000, 20051\" is not one plain number occurred."
                                         << qint64(0) << false;
        QTest::newRow("200 length with more") << "HTTP/1.1 200 OK\r\n\r\n" << "1000abc" << false
                                              << "Error: the server's Content-Length \"1000abc\" is not one plain number occurred."
                                              << qint64(0) << false;
        QTest::newRow("200 length with blanks") << "HTTP/1.0 200 OK\r\n\r\n" << " 42 " << true << "" << qint64(42) << true;
        QTest::newRow("204") << "HTTP/1.1 204 No Content\r\n\r\n" << "" << false << "Nothing to download!" << qint64(0) << false;
        QTest::newRow("401") << "HTTP/1.1 401 Unauthorized\r\n\r\n" << "" << false << "Authorization failed!" << qint64(0) << false;
        QTest::newRow("404") << "HTTP/1.1 404 Not Found\r\n\r\n" << "" << false
                             << "The file, \"" + url + "\" was not found!" << qint64(0) << false;
        QTest::newRow("CR LF") << "HTTP/1.1 \r\n" << "" << false << "Cannot establish connection." << qint64(0) << false;
        QTest::newRow("500") << "HTTP/1.1 500 Internal Server Error\r\nServer: x\r\n\r\n" << "" << false
                             << "The server returned the following response:\r\rHTTP/1.1 500 Internal Server Error\r"
                             << qint64(0) << false;
        QTest::newRow("empty") << "" << "" << false << "The server returned the following response:\r\r<nothing>"
                               << qint64(0) << false;
        QTest::newRow("no CR") << "HTTP/1.1 302 Found" << "" << false
                               << "The server returned the following response:\r\r<nothing>" << qint64(0) << false;
    }
    void statusTable()
    {
        QFETCH(QString, headers);
        QFETCH(QString, contentLength);
        QFETCH(bool, readBody);
        QFETCH(QString, error);
        QFETCH(qint64, expected);
        QFETCH(bool, known);
        const Verdict v = examineResponse(headers, contentLength, "http://127.0.0.1/Soft/Zelq/setup-Zelq.exe");
        QCOMPARE(v.action == Verdict::ReadBody, readBody);
        QCOMPARE(v.error, error);
        QCOMPARE(v.expected, expected);
        QCOMPARE(v.lengthKnown, known);
    }

    // Every request asks for the whole file: a 206 counts only as the whole
    // file, and the body must be the file's own bytes.
    void partMustBeTheWholeFile_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("range");
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QString>("error");
        const auto elsewhere = [](const QString &status, const QString &range) {
            return "The server returned the following response:\r\rHTTP/1.1 " + status + "\rContent-Range: " + range;
        };
        const QString part = "Error: the server sent only part of the file (Content-Range: %1, Content-Length: 12) occurred.";
        QTest::newRow("206 whole file") << "206 Partial Content" << "bytes 0-11/12" << "" << "";
        QTest::newRow("206 from 500") << "206 Partial Content" << "bytes 500-511/512" << ""
                                      << elsewhere("206 Partial Content", "bytes 500-511/512");
        QTest::newRow("206 unsatisfied form") << "206 Partial Content" << "bytes */12" << ""
                                              << elsewhere("206 Partial Content", "bytes */12");
        QTest::newRow("206 other unit") << "206 Partial Content" << "items 0-11/12" << ""
                                        << elsewhere("206 Partial Content", "items 0-11/12");
        QTest::newRow("206 first part of a longer file") << "206 Partial Content" << "bytes 0-11/20051" << ""
                                                         << part.arg("bytes 0-11/20051");
        QTest::newRow("206 stops short") << "206 Partial Content" << "bytes 0-5/12" << "" << part.arg("bytes 0-5/12");
        QTest::newRow("206 no range") << "206 Partial Content" << "" << ""
                                      << "Error: the server sent part of the file without saying which part (no Content-Range) occurred.";
        QTest::newRow("200 ignores range") << "200 OK" << "bytes 500-511/512" << "" << "";
        QTest::newRow("identity") << "200 OK" << "" << "identity" << "";
        QTest::newRow("gzip") << "200 OK" << "" << "gzip" << "Error: the server sent the file encoded as \"gzip\" occurred.";
        QTest::newRow("gzip on a 206") << "206 Partial Content" << "bytes 0-11/12" << " GZIP "
                                       << "Error: the server sent the file encoded as \"GZIP\" occurred.";
    }
    void partMustBeTheWholeFile()
    {
        QFETCH(QString, status);
        QFETCH(QString, range);
        QFETCH(QString, encoding);
        QFETCH(QString, error);
        const Verdict v = examineResponse("HTTP/1.1 " + status + "\r\n\r\n", "12", "http://h/f", range, encoding);
        QCOMPARE(v.action == Verdict::ReadBody, error.isEmpty());
        QCOMPARE(v.error, error);
    }

    void statusFieldIsCharactersTenToTwelve()
    {
        QCOMPARE(statusField("HTTP/1.1 206 Partial Content"), QString("206"));
        QCOMPARE(statusField("HTTP/1.0 404"), QString("404"));
        QCOMPARE(statusField("HTTP/1.1"), QString());
    }

    void diskRoom()
    {
        QVERIFY(enoughSpace(1000, 1000));
        QVERIFY(!enoughSpace(999, 1000));
        QVERIFY(enoughSpace(0, 0));
    }

    void finishRules()
    {
        // A known length must be met exactly.
        QCOMPARE(finish(100, 100, true, true, false, false), Outcome::Complete);
        QCOMPARE(finish(0, 0, true, true, false, false), Outcome::Complete);
        QCOMPARE(finish(99, 100, true, true, false, false), Outcome::Reset);
        QCOMPARE(finish(99, 100, true, false, false, false), Outcome::Reset);
        // Without a length, the body is whole when the server ended it cleanly.
        QCOMPARE(finish(500, 0, false, true, false, false), Outcome::Complete);
        QCOMPARE(finish(500, 0, false, false, false, false), Outcome::Reset);
        // Cancelled or already reported: nothing more is said, never success.
        QCOMPARE(finish(100, 100, true, true, true, false), Outcome::Silent);
        QCOMPARE(finish(0, 0, true, true, false, true), Outcome::Silent);
        QCOMPARE(finish(0, 0, false, false, true, false), Outcome::Silent);
    }

    void messages()
    {
        QCOMPARE(errorOccurred("Connection refused"), QString("Error: Connection refused occurred."));
        QCOMPARE(writeFailure(5, "Permission denied"),
                 QString("Cannot write file to disk.\r\rError 5: Permission denied"));
        QCOMPARE(connectionReset(), QString("The connection with the server was reset."));
        QCOMPARE(notEnoughSpace(), QString("There is not enough free space on disk for this file."));
        QCOMPARE(gettingInformation(), QString("Getting file information"));
    }
};

QTEST_GUILESS_MAIN(TestDownloadRules)
#include "tst_downloadrules.moc"
