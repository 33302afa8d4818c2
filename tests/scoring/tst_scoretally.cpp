// The counts the store keeps for the standing and the group summary, after
// every kind of write, against a full count from the rows.
#include "FaultTools.h"
#include "TestFolder.h"

#include "backup/Backup.h"
#include "data/Database.h"
#include "scoring/GroupSummary.h"
#include "scoring/ScoreTally.h"
#include "scoring/ScoringKey.h"
#include "scoring/Standing.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

namespace {
using Standing::Reference;

// Runs one write on the program's own connection, as one transaction.
void write(const QString &sql, const QVariantList &values = {})
{
    Database::Transaction transaction;
    QSqlQuery q(Database::connection());
    q.prepare(sql);
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!q.exec())
        QFAIL(qPrintable(q.lastError().text() + "\n" + sql));
    QVERIFY2(transaction.commit(), qPrintable(transaction.errorString()));
}

QStringList distinctValues(const QString &column)
{
    QStringList out;
    QSqlQuery q(Database::connection());
    q.exec(QStringLiteral("SELECT DISTINCT COALESCE(%1, '') FROM \"IDE\"").arg(Database::quoted(column)));
    while (q.next())
        out << q.value(0).toString();
    return out;
}

// Empty when the kept counts say what the rows say; otherwise what differs.
QString differences()
{
    if (!ScoreTally::isCurrent())
        return QStringLiteral("the counts are not current");
    QStringList out;
    auto standing = [&](Reference reference, const QString &value) {
        Standing::Distribution kept, counted;
        Standing::readDistribution(reference, value, &kept);
        Standing::scanDistribution(reference, value, &counted);
        for (int c = 0; c < Standing::kColumns; ++c)
            if (kept.columns[size_t(c)].counts() != counted.columns[size_t(c)].counts())
                out << QStringLiteral("standing %1 «%2» column %3").arg(int(reference)).arg(value).arg(c);
    };
    auto summary = [&](bool everyone, const QString &group) {
        GroupSummary::Summary kept, counted;
        GroupSummary::read(everyone, group, &kept);
        GroupSummary::scan(everyone, group, &counted);
        const QString which = everyone ? QStringLiteral("everyone") : QStringLiteral("group «%1»").arg(group);
        if (kept.subjects != counted.subjects || kept.keyed != counted.keyed)
            out << which + QStringLiteral(" subjects %1/%2 keyed %3/%4").arg(kept.subjects).arg(counted.subjects)
                               .arg(kept.keyed).arg(counted.keyed);
        for (int c = 0; c < GroupSummary::kColumns; ++c)
            if (kept.scores[size_t(c)].counts() != counted.scores[size_t(c)].counts())
                out << which + QStringLiteral(" scores %1").arg(c);
        for (int s = 0; s < GroupSummary::kColumns - 1; ++s) {
            const ItemConsistency &a = kept.consistency[size_t(s)], &b = counted.consistency[size_t(s)];
            if (a.count() != b.count() || a.isDefined() != b.isDefined() || std::abs(a.alpha() - b.alpha()) > 1e-9)
                out << which + QStringLiteral(" alpha %1: %2/%3").arg(s).arg(a.alpha()).arg(b.alpha());
        }
    };
    standing(Reference::All, QString());
    summary(true, QString());
    // A subject without a sex or group has no standing among his like.
    for (const QString &sex : distinctValues(QStringLiteral("Jens")))
        if (!sex.trimmed().isEmpty())
            standing(Reference::SameSex, sex);
    for (const QString &group : distinctValues(QStringLiteral("Group"))) {
        if (!group.trimmed().isEmpty())
            standing(Reference::SameGroup, group);
        summary(false, group);
    }
    return out.join(u'\n');
}

// A random walk over what the program writes: registrations, answers,
// keyings and their undoing, deletions, sex, group and code changes,
// backups restored, and on the server copies to and from a file.
class Walk
{
public:
    Walk(TestFolder &folder, quint32 seed) : m_folder(folder), m_random(seed) {}

    QString step()
    {
        const int choice = int(m_random.bounded(100));
        const QString code = someCode();
        if (choice < 15 || code.isEmpty())
            return registerSubject();
        if (choice < 40)
            return answer(code);
        if (choice < 58)
            return key(code, m_random.bounded(8) != 0);
        if (choice < 63) {
            // The program deletes both rows; an older file may hold an Answer row alone.
            write(QStringLiteral("DELETE FROM \"IDE\" WHERE \"Code\" = ?"), {code});
            if (m_random.bounded(4) != 0)
                write(QStringLiteral("DELETE FROM \"Answer\" WHERE \"Code\" = ?"), {code});
            return QStringLiteral("delete ") + code;
        }
        if (choice < 71) {
            write(QStringLiteral("UPDATE \"IDE\" SET \"Jens\" = ? WHERE \"Code\" = ?"), {pick(kSexes), code});
            return QStringLiteral("sex of ") + code;
        }
        if (choice < 80) {
            write(QStringLiteral("UPDATE \"IDE\" SET \"Group\" = ? WHERE \"Code\" = ?"), {pick(kGroups), code});
            return QStringLiteral("group of ") + code;
        }
        if (choice < 84) {
            const QString renamed = newCode();
            write(QStringLiteral("UPDATE \"Answer\" SET \"Code\" = ? WHERE \"Code\" = ?"), {renamed, code});
            if (m_random.bounded(3) != 0)
                write(QStringLiteral("UPDATE \"IDE\" SET \"Code\" = ? WHERE \"Code\" = ?"), {renamed, code});
            return QStringLiteral("code of ") + code;
        }
        if (choice < 88) {
            // The same subject under a code with blanks around it shares the answers.
            if (exists(QStringLiteral("IDE"), QStringLiteral(" ") + code + QStringLiteral(" ")))
                return QStringLiteral("twin already there");
            write(QStringLiteral("INSERT INTO \"IDE\" (\"Code\", \"Jens\", \"Group\") VALUES (?, ?, ?)"),
                  {QStringLiteral(" ") + code + QStringLiteral(" "), pick(kSexes), pick(kGroups)});
            return QStringLiteral("blank-coded twin of ") + code;
        }
        if (choice < 96 || m_backup.isEmpty())
            return backup();
        return restore();
    }

    QString backup()
    {
        m_backup = m_folder.path() + QStringLiteral("/Back/walk%1.mdbB").arg(++m_backups);
        if (Backup::BackupDatabase(m_backup, nullptr) != 1)
            return QStringLiteral("BACKUP FAILED");
        return QStringLiteral("backup");
    }

    QString restore()
    {
        QString why;
        if (Backup::RestoreDatabase(m_backup, nullptr, {}, &why) != Backup::RestoreResult::Restored)
            return QStringLiteral("RESTORE FAILED: ") + why;
        return QStringLiteral("restore");
    }

private:
    inline static const QStringList kSexes = {QStringLiteral("زن"), QStringLiteral("مرد"), QString(), QStringLiteral(" ")};
    inline static const QStringList kGroups = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("گروه ۳"), QString()};

    static bool exists(const QString &table, const QString &code)
    {
        QSqlQuery q(Database::connection());
        q.prepare(QStringLiteral("SELECT 1 FROM %1 WHERE \"Code\" = ?").arg(Database::quoted(table)));
        q.addBindValue(code);
        return q.exec() && q.next();
    }
    QString pick(const QStringList &from) { return from[int(m_random.bounded(int(from.size())))]; }
    QString newCode() { return QStringLiteral("W%1").arg(++m_codes); }

    QString someCode()
    {
        QSqlQuery q(Database::connection());
        q.exec(QStringLiteral("SELECT TRIM(\"Code\") FROM \"IDE\" ORDER BY \"Code\""));
        QStringList codes;
        while (q.next())
            codes << q.value(0).toString();
        return codes.isEmpty() ? QString() : codes[int(m_random.bounded(int(codes.size())))];
    }

    QString registerSubject()
    {
        const QString code = newCode();
        Database::Transaction transaction;
        QSqlQuery q(Database::connection());
        q.prepare(QStringLiteral("INSERT INTO \"IDE\" (\"Code\", \"Jens\", \"Group\") VALUES (?, ?, ?)"));
        q.addBindValue(code);
        q.addBindValue(pick(kSexes));
        q.addBindValue(pick(kGroups));
        q.exec();
        q.prepare(QStringLiteral("INSERT INTO \"Answer\" (\"Code\") VALUES (?)"));
        q.addBindValue(code);
        q.exec();
        transaction.commit();
        return QStringLiteral("register ") + code;
    }

    // Most answer all 90 items; some leave a few out or take answers back.
    QString answer(const QString &code)
    {
        QStringList sets;
        QVariantList values;
        const bool all = m_random.bounded(3) != 0;
        for (int item = 1; item <= ScoringKey::kItemCount; ++item) {
            if (!all && m_random.bounded(4) != 0)
                continue;
            sets << QStringLiteral("%1 = ?").arg(Database::quoted(QString::number(item)));
            values << (!all && m_random.bounded(3) == 0 ? QString() : QString::number(1 + m_random.bounded(5)));
        }
        values << code;
        if (!exists(QStringLiteral("Answer"), code))
            write(QStringLiteral("INSERT INTO \"Answer\" (\"Code\") VALUES (?)"), {code});
        write(QStringLiteral("UPDATE \"Answer\" SET ") + sets.join(u',') + QStringLiteral(" WHERE \"Code\" = ?"), values);
        return QStringLiteral("answers of ") + code;
    }

    // Keying stores the sixteen scores; clearing them takes the keying back.
    QString key(const QString &code, bool keyed)
    {
        QStringList sets;
        QVariantList values;
        for (const QString &column : ScoringKey::scoreColumns()) {
            sets << QStringLiteral("%1 = ?").arg(Database::quoted(column));
            values << (keyed ? QString::number(6 + m_random.bounded(25)) : QString());
        }
        values << code;
        write(QStringLiteral("UPDATE \"IDE\" SET ") + sets.join(u',') + QStringLiteral(" WHERE TRIM(\"Code\") = ?"), values);
        return (keyed ? QStringLiteral("key ") : QStringLiteral("unkey ")) + code;
    }

    TestFolder &m_folder;
    QRandomGenerator m_random;
    QString m_backup;
    int m_backups = 0;
    int m_codes = 0;
};
}  // namespace

class ScoreTallyTest : public QObject
{
    Q_OBJECT
private slots:
    void countsFollowEveryWrite();
    void countsMissingOrOfAnotherLayoutAreMadeAnew();
    void countsHoldWithManyWritersAtOnce();
    void recountCommandFindsAndRepairs();
    void operatorCannotWriteTheCounts();
    void othersFunctionsNeverRunInTheCounts();
    void firstCountGoesOnAfterAKill();
};

namespace {
// A statement on the program's own connection (the operator's on a server):
// empty when it ran, else the store's refusal.
QString refusal(const QString &sql)
{
    QSqlQuery q(Database::connection());
    return q.exec(sql) ? QString() : q.lastError().text();
}

// A program of the test started on the folder, as a clinic's computer starts it.
void startOn(TestFolder &folder, QProcess &process, const QString &program, const QStringList &arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("MEHRSAN_HOME"), folder.path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
}

int runProgram(TestFolder &folder, const QString &program, const QStringList &arguments, QString *output)
{
    QProcess process;
    startOn(folder, process, program, arguments);
    if (!process.waitForFinished(120000))
        return -1;
    *output = QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QString recountDifferences()
{
    qint64 differing = -1;
    QString why;
    if (!ScoreTally::recount(false, &differing, &why))
        return why;
    return differing == 0 ? QString() : QStringLiteral("%1 counts differ from a recount").arg(differing);
}
}  // namespace

void ScoreTallyTest::countsFollowEveryWrite()
{
    TestFolder folder;
    QVERIFY(folder.isValid());
    QVERIFY(ScoreTally::isCurrent());
    const int steps = 300;
    Walk walk(folder, 20261209);
    QStringList done;
    for (int i = 0; i < steps; ++i) {
        const QString what = walk.step();
        done << what;
        QVERIFY2(!what.contains(QLatin1String("FAILED")), qPrintable(what));
        const QString wrong = differences();
        QVERIFY2(wrong.isEmpty(), qPrintable(QStringLiteral("after step %1 (%2):\n%3\nsteps: %4")
                                                 .arg(i).arg(what, wrong, done.join(QStringLiteral(", ")))));
    }
    // The walk reached every kind of step and had subjects to compare.
    for (const char *kind : {"register", "answers", "key", "unkey", "delete", "sex", "group", "code", "twin", "restore"})
        QVERIFY2(done.join(u' ').contains(QLatin1String(kind)), kind);
    GroupSummary::Summary everyone;
    QVERIFY(GroupSummary::read(true, QString(), &everyone));
    QVERIFY2(everyone.scores[15].count() >= 5, qPrintable(QString::number(everyone.scores[15].count())));
}

void ScoreTallyTest::countsMissingOrOfAnotherLayoutAreMadeAnew()
{
    TestFolder folder;
    QVERIFY(folder.isValid());
    Walk walk(folder, 7);
    for (int i = 0; i < 60; ++i)
        walk.step();
    // What an older program's backup, a stopped trigger or another layout leaves.
    const QStringList breakages = {QStringLiteral("DELETE FROM \"TallyState\""),
                                   QStringLiteral("UPDATE \"TallyState\" SET \"Layout\" = 0"),
                                   TestFolder::onServer() ? QStringLiteral("DROP FUNCTION \"Tally_IDE\"() CASCADE")
                                                          : QStringLiteral("DROP TRIGGER \"Tally_IDE_DELETE\"")};
    for (const QString &breakage : breakages) {
        folder.sql(breakage);
        // Rows change while nothing counts them.
        walk.step();
        walk.step();
        if (!ScoreTally::isCurrent()) {
            // Read meanwhile by scanning, never from stale counts.
            Standing::Distribution read, counted;
            QVERIFY(Standing::readDistribution(Reference::All, QString(), &read));
            QVERIFY(Standing::scanDistribution(Reference::All, QString(), &counted));
            QCOMPARE(read.columns[15].counts(), counted.columns[15].counts());
        }
        if (TestFolder::onServer()) {
            // The operator may not make tables; the owner's connection does.
            Database::close();
            QVERIFY(folder.reopenAsOwner());
        }
        QString why;
        QVERIFY2(ScoreTally::ensure(&why), qPrintable(why));
        QVERIFY(ScoreTally::isCurrent());
        QCOMPARE(differences(), QString());
        for (int i = 0; i < 10; ++i)
            walk.step();
        QCOMPARE(differences(), QString());
    }
}

// Several computers write the same six subjects' rows at once, in random
// order: registrations, corrections of sex, group and age, answers, keyings
// and their undoing, deletions. Afterwards every kept count equals a recount
// and none is below zero.
void ScoreTallyTest::countsHoldWithManyWritersAtOnce()
{
    TestFolder folder;
    QVERIFY(folder.isValid());
    const QStringList codes = {"S1", "S2", "S3", "S4", "S5", "S6"};
    QList<QProcess *> writers;
    for (int i = 0; i < 6; ++i) {
        auto *writer = new QProcess(this);
        startOn(folder, *writer, QStringLiteral(TALLY_WRITER), QStringList{QStringLiteral("8"), QString::number(100 + i)} + codes);
        writers << writer;
    }
    int commits = 0;
    for (QProcess *writer : writers) {
        QVERIFY(writer->waitForFinished(120000));
        const QString said = QString::fromUtf8(writer->readAllStandardOutput() + writer->readAllStandardError());
        QVERIFY2(writer->exitCode() == 0, qPrintable(said));
        commits += said.section(u' ', 1, 1).toInt();
        delete writer;
    }
    // Enough happened at once to matter.
    QVERIFY2(commits >= 300, qPrintable(QString::number(commits)));
    QCOMPARE(recountDifferences(), QString());
    QCOMPARE(folder.sql(QStringLiteral("SELECT COUNT(*) FROM \"Tally\" WHERE \"Subjects\" < 0")), QStringList{"0"});
    QCOMPARE(differences(), QString());
}

// Mehrsan --recount: how many counts differed, repaired, non-zero exit.
void ScoreTallyTest::recountCommandFindsAndRepairs()
{
    TestFolder folder;
    QVERIFY(folder.isValid());
    Walk walk(folder, 5);
    for (int i = 0; i < 40; ++i)
        walk.step();
    QString said;
    QCOMPARE(runProgram(folder, QStringLiteral(MEHRSAN_EXE), {QStringLiteral("--recount")}, &said), 0);
    QVERIFY2(said.contains(QStringLiteral("۰")) || said.contains(u'0'), qPrintable(said));
    // Two counts bent by hand (the test's own connection is the owner's).
    folder.sql(QStringLiteral("UPDATE \"Tally\" SET \"Subjects\" = \"Subjects\" + 3 WHERE \"Reference\" = 0 AND \"Measure\" = 31"));
    folder.sql(QStringLiteral("INSERT INTO \"Tally\" (\"Reference\", \"Value\", \"Measure\", \"Score\", \"Subjects\") "
                           "VALUES (2, 'ناموجود', 0, 77, 5)"));
    QVERIFY(!recountDifferences().isEmpty());
    QCOMPARE(runProgram(folder, QStringLiteral(MEHRSAN_EXE), {QStringLiteral("--recount")}, &said), 1);
    QVERIFY2(said.contains(QStringLiteral("2")), qPrintable(said));
    QCOMPARE(recountDifferences(), QString());
    QCOMPARE(differences(), QString());
    QCOMPARE(runProgram(folder, QStringLiteral(MEHRSAN_EXE), {QStringLiteral("--recount")}, &said), 0);
}

// On a server the program's role writes the rows and the settings, never a
// count; its saves still move the counts, also after the owner made them anew.
void ScoreTallyTest::operatorCannotWriteTheCounts()
{
    if (!TestFolder::onServer())
        QSKIP("the roles of a server");
    TestFolder folder;
    QVERIFY(folder.isValid());
    const QStringList mayWrite = {"IDE", "Answer", "QU", "Theme"};
    const QStringList tables = folder.sql(QStringLiteral("SELECT tablename FROM pg_tables WHERE schemaname = 'public'"));
    QVERIFY(tables.contains(QStringLiteral("TallyPending")));
    for (const QString &table : tables) {
        if (mayWrite.contains(table))
            continue;
        const QString t = Database::quoted(table);
        for (const QString &sql : {QStringLiteral("INSERT INTO %1 DEFAULT VALUES"), QStringLiteral("DELETE FROM %1"),
                                   QStringLiteral("TRUNCATE %1"), QStringLiteral("UPDATE %1 SET %2 = %2")}) {
            const QString column = folder.sql(QStringLiteral("SELECT column_name FROM information_schema.columns WHERE "
                                                             "table_name = ? ORDER BY ordinal_position LIMIT 1"), {table})
                                       .value(0);
            const QString why = refusal(sql.arg(t, Database::quoted(column)));
            QVERIFY2(why.contains(QLatin1String("permission denied")), qPrintable(table + ": " + sql + " " + why));
        }
    }
    // The fold cannot be called by hand, nor the counts' own function.
    QVERIFY(!refusal(QStringLiteral("SELECT \"Tally_Measures\"(CAST(ARRAY[1] AS bigint[]))")).isEmpty());
    auto registerAndKey = [&](const QString &code) {
        Database::Transaction transaction;
        QSqlQuery q(Database::connection());
        QVERIFY(q.exec(QStringLiteral("INSERT INTO \"IDE\" (\"Code\", \"Jens\", \"Group\") VALUES ('%1', 'زن', 'A')").arg(code)));
        QVERIFY(q.exec(QStringLiteral("INSERT INTO \"Answer\" (\"Code\") VALUES ('%1')").arg(code)));
        QVERIFY2(transaction.commit(), qPrintable(transaction.errorString()));
        QStringList sets;
        for (const QString &column : ScoringKey::scoreColumns())
            sets << Database::quoted(column) + QStringLiteral(" = '12'");
        write(QStringLiteral("UPDATE \"IDE\" SET %1 WHERE \"Code\" = ?").arg(sets.join(u',')), {code});
    };
    GroupSummary::Summary before, after;
    QVERIFY(GroupSummary::read(false, QStringLiteral("A"), &before));
    registerAndKey(QStringLiteral("OP1"));
    QVERIFY(GroupSummary::read(false, QStringLiteral("A"), &after));
    QCOMPARE(after.subjects, before.subjects + 1);
    QCOMPARE(after.keyed, before.keyed + 1);

    // The owner makes the counts anew (another layout); the operator goes on.
    folder.sql(QStringLiteral("UPDATE \"TallyState\" SET \"Layout\" = 0"));
    Database::close();
    QVERIFY(folder.reopenAsOwner());
    QString why;
    QVERIFY2(ScoreTally::ensure(&why), qPrintable(why));
    Database::close();
    QVERIFY2(Database::openStore(&why), qPrintable(why));
    QVERIFY2(ScoreTally::ensure(&why), qPrintable(why));
    QVERIFY(refusal(QStringLiteral("DELETE FROM \"Tally\"")).contains(QLatin1String("permission denied")));
    registerAndKey(QStringLiteral("OP2"));
    // A role that only reads the subjects reads the counts and can neither
    // recount them nor set them aside for everyone; the operator may.
    Database::close();
    QVERIFY(folder.reopenAsOwner());
    folder.sql(QStringLiteral("DROP ROLE IF EXISTS reader"));
    folder.sql(QStringLiteral("CREATE ROLE reader"));
    folder.sql(QStringLiteral("GRANT SELECT ON \"IDE\" TO reader"));
    QVERIFY2(ScoreTally::ensure(&why), qPrintable(why));
    const QString may = QStringLiteral("SELECT may FROM (VALUES (1, has_function_privilege(?, '\"Tally_Suspend\"()', 'EXECUTE')), "
                                       "(2, has_function_privilege(?, '\"Tally_Recount\"(boolean)', 'EXECUTE')), "
                                       "(3, has_table_privilege(?, '\"Tally\"', 'SELECT'))) AS v (n, may) ORDER BY n");
    QCOMPARE(folder.sql(may, {"reader", "reader", "reader"}), (QStringList{"false", "false", "true"}));
    const QString operatorRole = folder.sql(QStringLiteral("SELECT grantee FROM information_schema.role_table_grants "
                                                           "WHERE table_name = 'IDE' AND privilege_type = 'INSERT' "
                                                           "AND grantee <> current_user LIMIT 1")).value(0);
    QVERIFY(!operatorRole.isEmpty());
    QCOMPARE(folder.sql(may, {operatorRole, operatorRole, operatorRole}), (QStringList{"true", "true", "true"}));
    folder.sql(QStringLiteral("REVOKE ALL ON \"IDE\" FROM reader"));
    folder.sql(QStringLiteral("REVOKE ALL ON ALL TABLES IN SCHEMA public FROM reader"));
    folder.sql(QStringLiteral("DROP ROLE reader"));
    Database::close();
    QVERIFY2(Database::openStore(&why), qPrintable(why));
    QVERIFY2(ScoreTally::ensure(&why), qPrintable(why));
    QVERIFY(GroupSummary::read(false, QStringLiteral("A"), &after));
    QCOMPARE(after.keyed, before.keyed + 2);
    QCOMPARE(recountDifferences(), QString());
    QCOMPARE(differences(), QString());
}

// Where every role may create in the schema, an operator's own functions
// named like the system's never run inside the counts, whoever writes.
void ScoreTallyTest::othersFunctionsNeverRunInTheCounts()
{
    if (!TestFolder::onServer())
        QSKIP("the roles of a server");
    TestFolder folder;
    QVERIFY(folder.isValid());
    folder.sql(QStringLiteral("GRANT CREATE ON SCHEMA public TO PUBLIC"));
    const QString spy = QStringLiteral("BEGIN INSERT INTO public.spy VALUES (current_user); RETURN %1; END");
    for (const QString &sql :
         {QStringLiteral("CREATE TABLE public.spy (who text)"), QStringLiteral("GRANT INSERT ON public.spy TO PUBLIC"),
          QStringLiteral("CREATE FUNCTION public.format(text, VARIADIC text[]) RETURNS text LANGUAGE plpgsql AS $$%1$$")
              .arg(spy.arg(QStringLiteral("''"))),
          QStringLiteral("CREATE FUNCTION public.btrim(varchar) RETURNS text LANGUAGE plpgsql AS $$%1$$")
              .arg(spy.arg(QStringLiteral("$1"))),
          QStringLiteral("CREATE FUNCTION public.hashtext(varchar) RETURNS integer LANGUAGE plpgsql AS $$%1$$")
              .arg(spy.arg(QStringLiteral("1"))),
          QStringLiteral("CREATE FUNCTION public.unnest(text[]) RETURNS SETOF text LANGUAGE plpgsql AS "
                         "$$BEGIN INSERT INTO public.spy VALUES (current_user); RETURN; END$$"),
          QStringLiteral("CREATE FUNCTION public.substring(text, varchar) RETURNS text LANGUAGE plpgsql AS $$%1$$")
              .arg(spy.arg(QStringLiteral("'1'")))})
        QVERIFY2(refusal(sql).isEmpty(), qPrintable(refusal(sql) + sql));
    // The owner makes the counts anew and recounts; the operator saves.
    folder.sql(QStringLiteral("UPDATE \"TallyState\" SET \"Layout\" = 0"));
    Database::close();
    QVERIFY(folder.reopenAsOwner());
    QString why;
    QVERIFY2(ScoreTally::ensure(&why), qPrintable(why));
    qint64 differing = -1;
    QVERIFY2(ScoreTally::recount(true, &differing, &why), qPrintable(why));
    Database::close();
    QVERIFY2(Database::openStore(&why), qPrintable(why));
    QVERIFY2(ScoreTally::ensure(&why), qPrintable(why));
    Walk walk(folder, 3);
    for (int i = 0; i < 40; ++i)
        walk.step();
    QCOMPARE(differences(), QString());
    QCOMPARE(folder.sql(QStringLiteral("SELECT COUNT(*) FROM public.spy")), QStringList{"0"});
    folder.sql(QStringLiteral("REVOKE CREATE ON SCHEMA public FROM PUBLIC"));
}

// The first start of a version counts a clinic's subjects on a thread of its
// own. Killed in the middle, it leaves the subjects counted so far with the
// file sound; saves made meanwhile on both sides of the line are folded in
// right; the next start goes on and the counts equal a recount.
void ScoreTallyTest::firstCountGoesOnAfterAKill()
{
    if (TestFolder::onServer())
        QSKIP("a server counts at once, as its owner makes the counts");
    TestFolder folder;
    QVERIFY(folder.isValid());
    // 150,000 keyed subjects with every answer, while nothing counts them.
    folder.sql(QStringLiteral("DELETE FROM \"TallyState\""));
    const int subjects = 150000;
    QStringList scores, scoreValues, items, answers;
    for (int c = 0; c < ScoringKey::scoreColumns().size(); ++c) {
        scores << Database::quoted(ScoringKey::scoreColumns()[c]);
        scoreValues << QStringLiteral("(i * %1 + %2) % 25 + 6").arg(7 + c).arg(c);
    }
    for (int item = 1; item <= ScoringKey::kItemCount; ++item) {
        items << Database::quoted(QString::number(item));
        answers << QStringLiteral("(i * %1) % 5 + 1").arg(item);
    }
    const QString numbers = QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) ").arg(subjects);
    folder.sql(numbers + QStringLiteral("INSERT INTO \"IDE\" (\"Code\", \"Jens\", \"Group\", %1) SELECT 'K' || i, "
                                        "CASE i % 2 WHEN 0 THEN 'زن' ELSE 'مرد' END, 'G' || (i % 4), %2 FROM n")
                             .arg(scores.join(u','), scoreValues.join(u',')));
    folder.sql(numbers + QStringLiteral("INSERT INTO \"Answer\" (\"Code\", %1) SELECT 'K' || i, %2 FROM n")
                             .arg(items.join(u','), answers.join(u',')));
    Database::close();
    const QString file = folder.databaseFile();
    auto countedTo = [&] {
        const QStringList state = folder.sql(QStringLiteral("SELECT IFNULL(\"CountedTo\", 'whole') FROM \"TallyState\""));
        return state.value(0);
    };
    auto startProgram = [&](QProcess &program) {
        startOn(folder, program, QStringLiteral(MEHRSAN_EXE), {});
        QVERIFY(program.waitForStarted());
    };
    auto waitFor = [&](const std::function<bool(const QString &)> &reached) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 120000) {
            if (reached(countedTo()))
                return true;
            QTest::qWait(10);
        }
        return false;
    };

    QProcess first;
    startProgram(first);
    // Killed once some steps are stored, well before the end.
    QVERIFY(waitFor([&](const QString &c) { return c.toLongLong() > 20000; }));
    FaultTools::killHard(first);
    QCOMPARE(FaultTools::integrityOf(file), QStringLiteral("ok"));
    const qint64 line = countedTo().toLongLong();
    QVERIFY2(line > 0 && line < subjects, qPrintable(countedTo()));

    // Saves between the two starts, on both sides of the line: a correction,
    // answers taken back, a deletion, a new subject.
    QString why;
    QVERIFY2(Database::open(file, &why, Database::Journal::MayBeOwn), qPrintable(why));
    QVERIFY2(ScoreTally::prepare(&why), qPrintable(why));
    QVERIFY(ScoreTally::isCounting());
    for (const QString &code : {QStringLiteral("K5"), QStringLiteral("K149990")}) {
        write(QStringLiteral("UPDATE \"IDE\" SET \"Jens\" = 'زن', \"Group\" = 'G9' WHERE \"Code\" = ?"), {code});
        write(QStringLiteral("UPDATE \"Answer\" SET \"7\" = '' WHERE \"Code\" = ?"), {code});
    }
    write(QStringLiteral("DELETE FROM \"IDE\" WHERE \"Code\" IN ('K6', 'K149991')"));
    write(QStringLiteral("INSERT INTO \"IDE\" (\"Code\", \"Jens\", \"Group\") VALUES ('NEW1', 'مرد', 'G1')"));
    Database::close();

    QProcess second;
    startProgram(second);
    QVERIFY(waitFor([&](const QString &c) { return c == QLatin1String("whole") || c.toLongLong() > line; }));
    // The second start went on from the line, not from the start.
    QVERIFY2(countedTo() == QLatin1String("whole") || countedTo().toLongLong() > line, qPrintable(countedTo()));
    QVERIFY(waitFor([&](const QString &c) { return c == QLatin1String("whole"); }));
    second.terminate();
    if (!second.waitForFinished(20000))
        FaultTools::killHard(second);

    QVERIFY2(Database::open(file, &why, Database::Journal::MayBeOwn), qPrintable(why));
    QVERIFY2(ScoreTally::prepare(&why), qPrintable(why));
    QVERIFY(ScoreTally::isCurrent());
    QCOMPARE(recountDifferences(), QString());
    QCOMPARE(differences(), QString());
    GroupSummary::Summary everyone;
    QVERIFY(GroupSummary::read(true, QString(), &everyone));
    QCOMPARE(everyone.subjects, qint64(subjects - 2 + 1));
}

QTEST_MAIN(ScoreTallyTest)
#include "tst_scoretally.moc"
