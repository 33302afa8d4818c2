// Many operators on one server against one operator on the file.
//
// Starts a throw-away PostgreSQL cluster on 127.0.0.1 (fsync on, as a clinic's
// server runs), then 8 operator processes that each register subjects and
// answer their 90 items, one commit per registration and per answer, all at
// once; then one operator doing the same on the SQLite file. Reports commits
// per second, the median and 99th percentile commit latency, and whether every
// acknowledged subject and answer is in the store exactly once.
//
//   bench_server [subjects per operator, default 3] [operators, default 8]
#include "data/Database.h"
#include "scoring/ScoreTally.h"
#include "data/ServerSettings.h"
#include "data/StoreCopy.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Result {
    qint64 commits = 0;
    double seconds = 0;
    std::vector<qint64> latencies;  // microseconds
    QStringList acknowledged, answered;
    int errors = 0;
};

// A program folder with the shipped database, pointed at the server when settings are given.
bool makeFolder(const QString &path, const ServerSettings *server)
{
    QDir(path).mkpath(QStringLiteral("DBTavor"));
    const QString db = path + QStringLiteral("/DBTavor/DBTavor.mdb");
    if (!QFile::copy(QStringLiteral(MEHRSAN_PROGRAM_DIR "/DBTavor/DBTavor.mdb"), db))
        return false;
    QFile::setPermissions(db, QFile::ReadOwner | QFile::WriteOwner);
    if (!server)
        return true;
    qputenv("MEHRSAN_HOME", path.toUtf8());
    QString why;
    return server->write(&why);
}

Result runOperators(const QString &home, int operators, int subjects)
{
    Result r;
    QList<QProcess *> processes;
    QElapsedTimer wall;
    wall.start();
    for (int i = 0; i < operators; ++i) {
        auto *p = new QProcess;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MEHRSAN_HOME"), home);
        p->setProcessEnvironment(env);
        p->start(QStringLiteral(STORE_OPERATOR), {QStringLiteral("O%1-").arg(i + 1), QString::number(subjects)});
        processes << p;
    }
    for (QProcess *p : processes) {
        p->waitForFinished(-1);
        for (const QString &line : QString::fromUtf8(p->readAllStandardOutput()).split('\n', Qt::SkipEmptyParts)) {
            if (line.startsWith(QLatin1String("latency ")))
                r.latencies.push_back(line.mid(8).toLongLong());
            else if (line.startsWith(QLatin1String("ack ")))
                r.acknowledged << line.mid(4);
            else if (line.startsWith(QLatin1String("answered ")))
                r.answered << line.section(' ', 1, 1);
            else
                ++r.errors;
        }
        delete p;
    }
    r.seconds = wall.nsecsElapsed() / 1e9;
    r.commits = qint64(r.latencies.size());
    std::sort(r.latencies.begin(), r.latencies.end());
    return r;
}

// Every acknowledged subject once in IDE and Answer, every answered one with all 90 answers.
bool nothingLost(const Result &r)
{
    QSqlQuery q(Database::connection());
    for (const QString &code : r.acknowledged) {
        q.prepare(QStringLiteral("SELECT (SELECT COUNT(*) FROM \"IDE\" WHERE \"Code\" = ?), "
                                 "(SELECT COUNT(*) FROM \"Answer\" WHERE \"Code\" = ?)"));
        q.addBindValue(code);
        q.addBindValue(code);
        if (!q.exec() || !q.next() || q.value(0).toInt() != 1 || q.value(1).toInt() != 1)
            return false;
    }
    QStringList filled;
    for (int i = 1; i <= 90; ++i)
        filled << QStringLiteral("(CASE WHEN \"%1\" IS NULL THEN 0 ELSE 1 END)").arg(i);
    for (const QString &code : r.answered) {
        q.prepare("SELECT " + filled.join('+') + " FROM \"Answer\" WHERE \"Code\" = ?");
        q.addBindValue(code);
        if (!q.exec() || !q.next() || q.value(0).toInt() != 90)
            return false;
    }
    return r.errors == 0;
}

void report(const char *store, int operators, const Result &r, bool whole)
{
    auto at = [&r](double share) {
        return r.latencies.empty() ? 0.0 : r.latencies[size_t(share * double(r.latencies.size() - 1))] / 1000.0;
    };
    std::printf("| %s | %d | %lld | %.1f | %.0f | %.1f ms | %.1f ms | %s |\n", store, operators,
                static_cast<long long>(r.commits), r.seconds, r.commits / r.seconds, at(0.5), at(0.99),
                whole ? "yes" : "NO");
}

}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int subjects = app.arguments().value(1, QStringLiteral("3")).toInt();
    const int operators = app.arguments().value(2, QStringLiteral("8")).toInt();

    QTemporaryDir state, serverFolder, fileFolder;
    auto cluster = [&state](const QString &action, const QStringList &extra = {}) {
        return QProcess::execute(QStringLiteral("bash"), QStringList{QStringLiteral(PGCLUSTER_SCRIPT), action, state.path()} + extra) == 0;
    };
    if (!cluster(QStringLiteral("start"), {QStringLiteral("fsync")})) {
        std::fprintf(stderr, "the PostgreSQL cluster did not start\n");
        return 1;
    }
    QFile urlFile(state.filePath(QStringLiteral("url")));
    urlFile.open(QIODevice::ReadOnly);
    ServerSettings server;
    QString why;
    ServerSettings::fromUrl(QString::fromUtf8(urlFile.readAll()).trimmed(), &server, &why);
    makeFolder(serverFolder.path(), &server);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("setup"));
        server.applyTo(db);
        if (!db.open() || !StoreCopy::fillNewServer(db, serverFolder.path() + "/DBTavor/DBTavor.mdb", &why)) {
            std::fprintf(stderr, "server tables: %s\n", qPrintable(why + db.lastError().text()));
            cluster(QStringLiteral("stop"));
            return 1;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("setup"));
    // The score counts, as the owner's first connection makes them: every
    // commit then also folds its subject into them.
    if (!Database::openServer(server, &why) || !ScoreTally::ensure(&why)) {
        std::fprintf(stderr, "score counts: %s\n", qPrintable(why));
        cluster(QStringLiteral("stop"));
        return 1;
    }
    Database::close();

    std::printf("%d subjects per operator, each registered and its 90 items answered (%d commits)\n\n", subjects,
                subjects * 91);
    std::printf("| store | operators | commits | seconds | commits/s | median | 99th percentile | nothing lost |\n");
    std::printf("|---|---|---|---|---|---|---|---|\n");

    const Result onServer = runOperators(serverFolder.path(), operators, subjects);
    Database::openServer(server, &why);
    report("PostgreSQL on 127.0.0.1", operators, onServer,
           nothingLost(onServer) && onServer.acknowledged.size() == operators * subjects);
    Database::close();

    makeFolder(fileFolder.path(), nullptr);
    const Result onFile = runOperators(fileFolder.path(), 1, subjects);
    Database::open(fileFolder.path() + "/DBTavor/DBTavor.mdb");
    report("SQLite file", 1, onFile, nothingLost(onFile) && onFile.acknowledged.size() == subjects);
    Database::close();

    cluster(QStringLiteral("stop"));
    return 0;
}
