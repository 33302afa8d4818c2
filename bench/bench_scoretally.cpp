// The kept score counts: how long a store without them takes to count every
// subject once, and what they add to each kind of write.
// usage: bench_scoretally PROGRAM_FOLDER  (a folder made by generate_subjects)
#include "BenchTools.h"

#include "data/Database.h"
#include "scoring/ScoreTally.h"
#include "scoring/ScoringKey.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlQuery>

#include <cstdio>

static double millis(const std::function<void()> &work)
{
    QElapsedTimer t;
    t.start();
    work();
    return t.nsecsElapsed() / 1e6;
}

static void writeOnce(const QString &sql, const QVariantList &values)
{
    Database::Transaction transaction;
    QSqlQuery q(Database::connection());
    q.prepare(sql);
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!q.exec())
        fprintf(stderr, "%s\n", qPrintable(q.lastError().text()));
    transaction.commit();
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        fprintf(stderr, "usage: bench_scoretally PROGRAM_FOLDER\n");
        return 2;
    }
    if (!Database::open(QString::fromLocal8Bit(argv[1]) + QStringLiteral("/DBTavor/DBTavor.mdb")))
        return 1;
    QString why;
    const double counted = millis([&] {
        if (!ScoreTally::ensure(&why))
            fprintf(stderr, "%s\n", qPrintable(why));
    });
    printf("counting every subject once: %.0f ms\n", counted);
    QStringList sets;
    for (const QString &c : ScoringKey::scoreColumns())
        sets << Database::quoted(c) + QStringLiteral(" = ?");
    for (int round = 0; round < 3; ++round) {
        QVariantList keyed;
        for (int c = 0; c < 16; ++c)
            keyed << QString::number(c == 15 ? 300 + round : 10 + round);
        keyed << QStringLiteral("S1");
        printf("keying %.2f ms, answer %.2f ms, group %.2f ms, registration %.2f ms\n",
               millis([&] { writeOnce(QStringLiteral("UPDATE \"IDE\" SET ") + sets.join(u',') + QStringLiteral(" WHERE \"Code\" = ?"), keyed); }),
               millis([&] { writeOnce(QStringLiteral("UPDATE \"Answer\" SET \"5\" = ? WHERE \"Code\" = ?"), {QString::number(1 + round), QStringLiteral("S2")}); }),
               millis([&] { writeOnce(QStringLiteral("UPDATE \"IDE\" SET \"Group\" = ? WHERE \"Code\" = ?"), {QStringLiteral("G%1").arg(round), QStringLiteral("S3")}); }),
               millis([&] { writeOnce(QStringLiteral("INSERT INTO \"IDE\" (\"Code\") VALUES (?)"), {QStringLiteral("NEW%1").arg(round)}); }));
    }
    return 0;
}
