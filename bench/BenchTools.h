#pragma once
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <functional>
#include <vector>

// Small measuring tools the benchmarks share.

// Median wall time of `runs` runs of the work, in seconds.
inline double medianSeconds(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        times.push_back(t.nsecsElapsed() / 1e9);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// A memory figure of this process from /proc/self/status ("VmRSS:", "VmHWM:"), in KB; -1 when unknown.
inline long processKilobytes(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key))).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Starts the peak ("VmHWM:") afresh from the current resident size.
inline void resetPeakMemory()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}
