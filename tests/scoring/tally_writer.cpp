// One computer writing the same few subjects as others at the same moment:
// for a given time it registers, corrects, answers, keys, takes back and
// deletes the subjects' IDE and Answer rows in random order, each change one
// transaction of the program's own connection, on the store the program
// folder names ($MEHRSAN_HOME). Used by the test of the kept counts under
// concurrency.
//
//   tally_writer <seconds> <seed> <code>...
//
// Prints "commits <n> refused <m>" at the end: refusals (a code taken by
// another at the same moment, a lock that waited too long) are part of the day.
#include "data/Database.h"
#include "scoring/ScoreTally.h"
#include "scoring/ScoringKey.h"

#include <QCoreApplication>
#include <QThread>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSqlQuery>

#include <cstdio>

namespace {
bool write(const QString &sql, const QVariantList &values)
{
    Database::Transaction transaction;
    if (!transaction.isActive())
        return false;
    QSqlQuery q(Database::connection());
    q.prepare(sql);
    for (const QVariant &v : values)
        q.addBindValue(v);
    return q.exec() && transaction.commit();
}
}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int seconds = args.value(1).toInt();
    QRandomGenerator random(args.value(2).toUInt());
    const QStringList codes = args.mid(3);
    QString why;
    // The writers open the one file at once, as no two programs of a clinic
    // do: one that meets another's journal in the middle of its commit (taken
    // at the start for a journal left by someone else) tries again shortly.
    bool opened = false;
    for (int attempt = 0; attempt < 200 && !codes.isEmpty() && !opened; ++attempt) {
        opened = Database::openStore(&why) && ScoreTally::ensure(&why);
        if (!opened) {
            Database::close();
            QThread::msleep(25);
        }
    }
    if (!opened) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        return 1;
    }
    auto pick = [&](const QStringList &from) { return from[int(random.bounded(int(from.size())))]; };
    const QStringList sexes = {QStringLiteral("زن"), QStringLiteral("مرد"), QString()};
    const QStringList groups = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("گروه ۳")};
    int commits = 0, refused = 0;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < seconds * 1000) {
        const QString code = pick(codes);
        const int choice = int(random.bounded(100));
        QString sql;
        QVariantList values;
        if (choice < 12) {
            sql = QStringLiteral("INSERT INTO \"IDE\" (\"Code\", \"Jens\", \"Group\", \"Sen\") VALUES (?, ?, ?, ?)");
            values = {code, pick(sexes), pick(groups), QString::number(20 + random.bounded(40))};
        } else if (choice < 20) {
            sql = QStringLiteral("INSERT INTO \"Answer\" (\"Code\") VALUES (?)");
            values = {code};
        } else if (choice < 45) {
            QStringList sets;
            const int changed = 1 + int(random.bounded(90));
            for (int i = 0; i < changed; ++i) {
                sets << QStringLiteral("%1 = ?").arg(Database::quoted(QString::number(1 + random.bounded(90))));
                values << (random.bounded(8) == 0 ? QString() : QString::number(1 + random.bounded(5)));
            }
            sql = QStringLiteral("UPDATE \"Answer\" SET %1 WHERE \"Code\" = ?").arg(sets.join(u','));
            values << code;
        } else if (choice < 65) {
            // Keying, or taking it back.
            const bool keyed = random.bounded(5) != 0;
            QStringList sets;
            for (const QString &column : ScoringKey::scoreColumns()) {
                sets << QStringLiteral("%1 = ?").arg(Database::quoted(column));
                values << (keyed ? QString::number(6 + random.bounded(25)) : QString());
            }
            sql = QStringLiteral("UPDATE \"IDE\" SET %1 WHERE \"Code\" = ?").arg(sets.join(u','));
            values << code;
        } else if (choice < 80) {
            // The registration corrected: sex, group, age.
            sql = QStringLiteral("UPDATE \"IDE\" SET \"Jens\" = ?, \"Group\" = ?, \"Sen\" = ? WHERE \"Code\" = ?");
            values = {pick(sexes), pick(groups), QString::number(20 + random.bounded(40)), code};
        } else if (choice < 90) {
            sql = QStringLiteral("DELETE FROM \"IDE\" WHERE \"Code\" = ?");
            values = {code};
        } else {
            sql = QStringLiteral("DELETE FROM \"Answer\" WHERE \"Code\" = ?");
            values = {code};
        }
        if (write(sql, values))
            ++commits;
        else
            ++refused;
    }
    Database::close();
    std::printf("commits %d refused %d\n", commits, refused);
    return 0;
}
