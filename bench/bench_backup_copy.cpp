// The backup copy against cp on one large file.
// usage: bench_backup_copy [megabytes=200] [runs=3] [folder=/tmp]
// Both copies read a file that is already in the page cache. CopyFileInChunks
// also flushes its copy to disk before the rename, so cp is timed twice: alone,
// and followed by `sync <file>` (the same flush).
#include "backup/Backup.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace {
long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double run(const QString &program, const QStringList &args)
{
    QElapsedTimer t;
    t.start();
    if (QProcess::execute(program, args) != 0)
        qFatal("%s failed", qPrintable(program));
    return t.nsecsElapsed() / 1e9;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
}  // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const qint64 megabytes = args.value(1, "200").toLongLong();
    const int runs = args.value(2, "3").toInt();
    QTemporaryDir dir(args.value(3, "/tmp") + "/mehrsan-bench-XXXXXX");
    const QString source = dir.filePath("DBTavor.mdb");
    const QString target = dir.filePath("copy.mdbB");

    {
        QFile f(source);
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(source));
        QByteArray block(1 << 20, Qt::Uninitialized);
        for (qint64 i = 0; i < megabytes; ++i) {
            QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(block.data()), block.size() / 4);
            f.write(block);
        }
    }
    run("dd", {"if=" + source, "of=/dev/null", "bs=1M", "status=none"});  // into the page cache
    run("sync", {});

    const long memoryBefore = peakKilobytes();
    QList<double> ours, loops, cp, cpSync;
    for (int i = 0; i < runs; ++i) {
        QFile::remove(target);
        run("sync", {});
        cp << run("cp", {source, target});
        QFile::remove(target);
        run("sync", {});
        QElapsedTimer t;
        t.start();
        run("cp", {source, target});
        run("sync", {target});
        cpSync << t.nsecsElapsed() / 1e9;
        QFile::remove(target);
        run("sync", {});
        t.restart();
        double loop = 0;
        const auto lastChunk = [&](qint64 copied, qint64 total) {
            if (copied == total)
                loop = t.nsecsElapsed() / 1e9;
        };
        if (Backup::CopyFileInChunks(source, target, nullptr, lastChunk) != 1)
            qFatal("CopyFileInChunks failed");
        ours << t.nsecsElapsed() / 1e9;
        loops << loop;
    }
    // What letting the window events run costs by itself, once per chunk.
    QElapsedTimer t;
    t.start();
    const qint64 chunks = megabytes * 1024 * 1024 / Backup::kChunk;
    for (qint64 i = 0; i < chunks; ++i)
        QCoreApplication::processEvents();
    const double events = t.nsecsElapsed() / 1e9;

    const double mb = double(megabytes);
    std::printf("file: %lld MB, %d runs, medians\n", megabytes, runs);
    std::printf("cp                : %6.3f s  %7.1f MB/s\n", median(cp), mb / median(cp));
    std::printf("cp + sync file    : %6.3f s  %7.1f MB/s\n", median(cpSync), mb / median(cpSync));
    std::printf("CopyFileInChunks  : %6.3f s  %7.1f MB/s\n", median(ours), mb / median(ours));
    std::printf("  its chunk loop  : %6.3f s  %7.1f MB/s (the rest: flush to disk, rename)\n", median(loops),
                mb / median(loops));
    std::printf("speed vs cp       : %.2f\n", median(cp) / median(ours));
    std::printf("speed vs cp+sync  : %.2f\n", median(cpSync) / median(ours));
    std::printf("of which events   : %6.3f s  (%lld calls)\n", events, chunks);
    std::printf("peak memory grew by %ld kB during the copies\n", peakKilobytes() - memoryBefore);
    return 0;
}
