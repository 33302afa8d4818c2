// Download speed of FileDownloader against curl, both fetching the same file
// from python3 -m http.server on 127.0.0.1.
// usage: bench_download [megabytes=100] [rounds=3]
#include "updater/FileDownloader.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStorageInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <sys/resource.h>

namespace {
QByteArray fileHash(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&f);
    return hash.result().toHex();
}

double seconds(const QElapsedTimer &t) { return double(t.nsecsElapsed()) / 1e9; }

// CPU time of this process so far (all its threads), in seconds.
double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}
}  // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // As Zelqupdate runs: with Qt's own event dispatcher.
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", "1");
    QApplication app(argc, argv);
    const int megabytes = argc > 1 ? atoi(argv[1]) : 100;
    const int rounds = argc > 2 ? atoi(argv[2]) : 3;

    QTemporaryDir dir;
    const QString served = dir.filePath("served");
    QDir().mkdir(served);
    const QString source = served + "/setup-Zelq.exe";
    {
        QFile f(source);
        f.open(QIODevice::WriteOnly);
        // Incompressible bytes from a xorshift generator: quick to make.
        QByteArray block(1 << 20, Qt::Uninitialized);
        quint64 x = 0x9e3779b97f4a7c15ull;
        for (int i = 0; i < megabytes; ++i) {
            auto *words = reinterpret_cast<quint64 *>(block.data());
            for (qsizetype w = 0; w < block.size() / 8; ++w) {
                x ^= x << 13;
                x ^= x >> 7;
                x ^= x << 17;
                words[w] = x;
            }
            f.write(block);
        }
    }
    const QByteArray sourceHash = qEnvironmentVariableIsSet("BENCH_PROFILE") ? QByteArray() : fileHash(source);

    quint16 port;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        port = probe.serverPort();
    }
    QProcess server;
    server.setStandardOutputFile(QProcess::nullDevice());
    server.setStandardErrorFile(QProcess::nullDevice());
    server.start("python3", {"-m", "http.server", QString::number(port), "--bind", "127.0.0.1", "--directory", served});
    for (int i = 0; i < 100; ++i) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port);
        if (probe.waitForConnected(200))
            break;
        QThread::msleep(50);
    }
    const QString url = QStringLiteral("http://127.0.0.1:%1/setup-Zelq.exe").arg(port);

    double bestOurs = 1e9, bestCurl = 1e9, bestHashed = 1e9;
    const QByteArray sourceDigest = QByteArray::fromHex(sourceHash);
    const qint64 sourceSize = QFileInfo(source).size();
    qint64 events = 0;
    FileDownloader downloader;
    QObject::connect(&downloader, &FileDownloader::DownloadProgress, [&events] { ++events; });
    for (int r = 0; r < rounds; ++r) {
        const QString target = dir.filePath("ours/setup-Zelq.exe");
        QFile::remove(target);
        events = 0;
        QElapsedTimer t;
        t.start();
        const double cpu0 = cpuSeconds();
        const bool ok = downloader.DownloadFile(url, target);
        const double s = seconds(t);
        const double cpu = cpuSeconds() - cpu0;
        if (qEnvironmentVariableIsSet("BENCH_PROFILE"))  // the download alone, for a profiler
            continue;
        if (!ok || fileHash(target) != sourceHash) {
            fprintf(stderr, "FileDownloader: download failed or differs\n");
            return 1;
        }
        bestOurs = qMin(bestOurs, s);
        printf("FileDownloader round %d: %.3f s, %.1f MB/s, %lld progress events, %.3f s CPU\n", r + 1, s,
               megabytes / s, events, cpu);

        // The same download as a signed release: every chunk hashed as it
        // streams in, the SHA-256 compared before the file goes in place.
        QFile::remove(target);
        downloader.expect(sourceSize, sourceDigest);
        t.restart();
        const double hashedCpu0 = cpuSeconds();
        const bool hashedOk = downloader.DownloadFile(url, target);
        const double h = seconds(t);
        const double hashedCpu = cpuSeconds() - hashedCpu0;
        if (!hashedOk || fileHash(target) != sourceHash) {
            fprintf(stderr, "FileDownloader with the hash: download failed or differs\n");
            return 1;
        }
        bestHashed = qMin(bestHashed, h);
        printf("  with SHA-256 round %d: %.3f s, %.1f MB/s, %.3f s CPU\n", r + 1, h, megabytes / h, hashedCpu);

        const QString curlTarget = dir.filePath("curl.bin");
        QFile::remove(curlTarget);
        t.restart();
        const int rc = QProcess::execute("curl", {"-s", "-o", curlTarget, url});
        const double c = seconds(t);
        rusage children{};
        getrusage(RUSAGE_CHILDREN, &children);
        if (rc != 0 || fileHash(curlTarget) != sourceHash) {
            fprintf(stderr, "curl: download failed or differs\n");
            return 1;
        }
        bestCurl = qMin(bestCurl, c);
        printf("curl           round %d: %.3f s, %.1f MB/s\n", r + 1, c, megabytes / c);
    }
    printf("\n%d MB, best of %d: FileDownloader %.1f MB/s, curl %.1f MB/s, ratio %.2f of curl\n", megabytes, rounds,
           megabytes / bestOurs, megabytes / bestCurl, bestCurl / bestOurs);
    printf("with SHA-256: %.1f MB/s, %+.1f %% of the time without it\n", megabytes / bestHashed,
           (bestHashed / bestOurs - 1) * 100);
    server.terminate();
    server.waitForFinished(3000);
    return 0;
}
