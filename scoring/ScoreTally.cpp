#include "scoring/ScoreTally.h"

#include "data/Database.h"
#include "scoring/ScoringKey.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <limits>
#include <optional>
#include <tuple>
#include <vector>

namespace ScoreTally {
namespace {

// Raised whenever the measures or the tables change, so that counts of
// another layout are made anew.
constexpr int kLayout = 2;
// The first key of the program's advisory locks on a server; the second is a
// subject's code.
constexpr int kLockSpace = 0x4d454852;
constexpr int kScores = 16;
constexpr int kSubscales = ScoringKey::kSubscaleCount;
constexpr int kItems = ScoringKey::kItemCount;

bool fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

bool isServer() { return Database::connection().driverName() == QLatin1String("QPSQL"); }

QString q(const QString &name) { return Database::quoted(name); }

// ---- What each measure counts, said once for the triggers and the recount.

struct Measure {
    enum When { Always, Keyed, Complete, SixAnswered } when;
    enum What { Zero, Score, Answer, SixSum } what;
    int subscale = -1;  // for SixAnswered
    int index = 0;      // the score column, the item (1-90) or the subscale
};

const std::vector<Measure> &measures()
{
    static const std::vector<Measure> all = [] {
        std::vector<Measure> out;
        for (int c = 0; c < kScores; ++c)
            out.push_back({Measure::Complete, Measure::Score, -1, c});
        for (int s = 0; s < kSubscales; ++s)
            out.push_back({Measure::SixAnswered, Measure::Score, s, s});
        out.push_back({Measure::Always, Measure::Zero});
        out.push_back({Measure::Keyed, Measure::Zero});
        for (int s = 0; s < kSubscales; ++s)
            for (int item : ScoringKey::itemsOf(ScoringKey::subscales()[size_t(s)].baseItem))
                out.push_back({Measure::SixAnswered, Measure::Answer, s, item});
        for (int s = 0; s < kSubscales; ++s)
            out.push_back({Measure::SixAnswered, Measure::SixSum, s, s});
        Q_ASSERT(int(out.size()) == kMeasures);
        return out;
    }();
    return all;
}

std::array<int, 6> sixItems(int subscale) { return ScoringKey::itemsOf(ScoringKey::subscales()[size_t(subscale)].baseItem); }

// ---- The facts of a subject: his sex and group, his sixteen scores and 90
// answers as numbers (NULL where nothing is stored).

// A stored text as a whole number, as SQLite's CAST reads it; a server
// refuses to cast text that is not a number, so there a leading number of at
// most 15 digits is cut out first and anything else counts 0: six of them
// added up stay far inside a bigint, so no stored text can make a count fail.
QString number(const QString &text, bool server)
{
    if (!server)
        return QStringLiteral("CAST(%1 AS INTEGER)").arg(text);
    return QStringLiteral("CASE WHEN %1 ~ '^\\s*[-+]?[0-9]{1,15}(?![0-9])' THEN CAST(substring(%1 from "
                          "'^\\s*([-+]?[0-9]{1,15})') AS BIGINT) ELSE 0 END")
        .arg(text);
}

// A subject's sixteen scores, then his 90 answers, each as a number, NULL
// where nothing is stored. `ide` and `answer` name where a column of his IDE
// and Answer rows is read.
QStringList factValues(const std::function<QString(const QString &)> &ide, const std::function<QString(int)> &answer,
                       bool server)
{
    QStringList values;
    auto one = [&](const QString &stored) {
        return QStringLiteral("CASE WHEN %1 <> '' THEN %2 END").arg(stored, number(stored, server));
    };
    for (const QString &column : ScoringKey::scoreColumns())
        values << one(ide(column));
    for (int item = 1; item <= kItems; ++item)
        values << one(answer(item));
    return values;
}

// The subject's facts on a server: an array of 106 bigints.
QString factsArray(const std::function<QString(const QString &)> &ide, const std::function<QString(int)> &answer)
{
    return QStringLiteral("CAST(ARRAY[%1] AS bigint[])").arg(factValues(ide, answer, true).join(u','));
}

// How a store's statements name its tables and write a subject's facts. A
// server's statements run inside the owner's functions, where every table is
// named with its schema and the search path holds the system's schema alone.
struct Dialect {
    bool server = false;
    QString schema;
    QString table(const QString &name) const { return server ? q(schema) + u'.' + q(name) : q(name); }
};

// The facts of one subject of the file in one text, as the counts read them:
// each a number or empty, separated by commas.
QString factsText(const std::function<QString(const QString &)> &ide, const std::function<QString(int)> &answer)
{
    const QStringList values = factValues(ide, answer, false);
    // format() writes NULL as nothing, and builds the text at once instead of
    // one concatenation at a time; two halves keep each call small.
    QStringList halves;
    for (const QStringList &half : {values.mid(0, values.size() / 2), values.mid(values.size() / 2)})
        halves << QStringLiteral("format('%1', %2)").arg(QStringList(half.size(), QStringLiteral("%s")).join(u','), half.join(u','));
    return halves.join(QStringLiteral(" || ',' || "));
}

// The facts as a note keeps them: a text on both stores.
QString factsNoted(const Dialect &d, const std::function<QString(const QString &)> &ide,
                   const std::function<QString(int)> &answer)
{
    return d.server ? QStringLiteral("CAST(%1 AS text)").arg(factsArray(ide, answer)) : factsText(ide, answer);
}

using Facts = std::array<std::optional<qint64>, kScores + kItems>;

Facts parseFacts(const QString &text)
{
    Facts facts;
    qsizetype start = 0;
    for (size_t i = 0; i < facts.size(); ++i) {
        qsizetype end = text.indexOf(u',', start);
        if (end < 0)
            end = text.size();
        const QStringView field = QStringView(text).mid(start, end - start);
        facts[i] = field.isEmpty() ? std::nullopt : std::optional<qint64>(field.toLongLong());
        start = end + 1;
    }
    return facts;
}

// ---- The triggers. Every write to IDE or Answer notes, for each subject it
// touches, how he was counted before it, once until the counts take the
// change in (the fold); a new subject is noted as not counted.

// A column of a row; "rowid" bare, as the file knows it (a server's tables
// have a column of that name).
QString column(const QString &row, const QString &name)
{
    return row + u'.' + (name == QLatin1String("rowid") ? name : q(name));
}

// Notes the subjects of `from` (rows i of IDE, or the trigger's own row as i)
// with their facts as counted before the write.
QString noteSubjects(const Dialect &d, const QString &code, const QString &facts, const QString &from,
                     const QString &where)
{
    return QStringLiteral("INSERT INTO %5 (\"Code\", \"Row\", \"Sex\", \"Grp\", \"Facts\") SELECT %1, %2 FROM %3 "
                          "WHERE %4 ON CONFLICT (\"Code\") DO NOTHING")
        .arg(code, facts, from, where, d.table(QStringLiteral("TallyPending")));
}

QString noteIdeRow(const Dialect &d, const QString &row)
{
    auto ide = [&](const QString &name) { return column(row, name); };
    auto answer = [](int item) { return QStringLiteral("a.") + q(QString::number(item)); };
    const QString facts = QStringLiteral("%1, COALESCE(%2, ''), COALESCE(%3, ''), %4")
                              .arg(ide(QStringLiteral("rowid")), ide(QStringLiteral("Jens")), ide(QStringLiteral("Group")),
                                   factsNoted(d, ide, answer));
    return noteSubjects(d, ide(QStringLiteral("Code")), facts,
                        QStringLiteral("(SELECT 1 AS one) AS one LEFT JOIN %2 AS a ON a.\"Code\" = TRIM(%1)")
                            .arg(ide(QStringLiteral("Code")), d.table(QStringLiteral("Answer"))),
                        QStringLiteral("1 = 1"));
}

QString noteNewSubject(const Dialect &d, const QString &row, const QString &condition)
{
    return QStringLiteral("INSERT INTO %3 (\"Code\", \"Row\", \"Sex\", \"Grp\", \"Facts\") SELECT %1, NULL, '', '', NULL "
                          "WHERE %2 ON CONFLICT (\"Code\") DO NOTHING")
        .arg(column(row, QStringLiteral("Code")), condition, d.table(QStringLiteral("TallyPending")));
}

// The subjects whose trimmed code is the Answer row's code, with `answers`
// ("OLD", or empty: none yet).
QString noteAnswerSubjects(const Dialect &d, const QString &key, const QString &answers, const QString &condition)
{
    auto ide = [](const QString &name) { return QStringLiteral("i.") + q(name); };
    auto answer = [&](int item) {
        return answers.isEmpty() ? QStringLiteral("CAST(NULL AS TEXT)") : column(answers, QString::number(item));
    };
    const QString facts =
        QStringLiteral("i.rowid, COALESCE(i.\"Jens\", ''), COALESCE(i.\"Group\", ''), %1").arg(factsNoted(d, ide, answer));
    return noteSubjects(d, QStringLiteral("i.\"Code\""), facts, d.table(QStringLiteral("IDE")) + QStringLiteral(" AS i"),
                        QStringLiteral("TRIM(i.\"Code\") = %1 AND %2").arg(key, condition));
}

// The codes of the subjects a write touches, each as the trigger's row names it.
QStringList touchedCodes(const QString &op)
{
    const QString oldKey = QStringLiteral("OLD.\"Code\""), newKey = QStringLiteral("NEW.\"Code\"");
    if (op == QLatin1String("INSERT"))
        return {newKey};
    if (op == QLatin1String("DELETE"))
        return {oldKey};
    return {oldKey, newKey};
}

QStringList triggerStatements(const Dialect &d, const QString &table, const QString &op)
{
    const QString always = QStringLiteral("1 = 1"), moved = QStringLiteral("OLD.\"Code\" <> NEW.\"Code\"");
    const QString oldKey = QStringLiteral("OLD.\"Code\""), newKey = QStringLiteral("NEW.\"Code\"");
    QStringList out;
    if (d.server) {
        // One transaction at a time changes a subject's counts: whoever writes
        // his rows holds his code until it commits, and reads how he was
        // counted only once it holds it, after the one before it has folded
        // its change in. Codes are taken in one order against waiting in a circle.
        out << QStringLiteral("PERFORM pg_advisory_xact_lock(%1, h) FROM (SELECT DISTINCT hashtext(btrim(c)) AS h "
                              "FROM unnest(CAST(ARRAY[%2] AS text[])) AS c WHERE c IS NOT NULL ORDER BY 1) AS codes")
                   .arg(kLockSpace)
                   .arg(touchedCodes(op).join(u','));
    }
    if (table == QLatin1String("IDE")) {
        if (op == QLatin1String("INSERT"))
            return out << noteNewSubject(d, QStringLiteral("NEW"), always);
        if (op == QLatin1String("DELETE"))
            return out << noteIdeRow(d, QStringLiteral("OLD"));
        return out << noteIdeRow(d, QStringLiteral("OLD")) << noteNewSubject(d, QStringLiteral("NEW"), moved);
    }
    if (op == QLatin1String("INSERT"))
        return out << noteAnswerSubjects(d, newKey, QString(), always);
    if (op == QLatin1String("DELETE"))
        return out << noteAnswerSubjects(d, oldKey, QStringLiteral("OLD"), always);
    // A changed code leaves the old code's subjects without these answers and
    // gives them to the new code's subjects, who had none.
    return out << noteAnswerSubjects(d, oldKey, QStringLiteral("OLD"), always)
               << noteAnswerSubjects(d, newKey, QString(), moved);
}

// Only the columns the counts depend on wake the IDE trigger on an update.
QStringList countedIdeColumns()
{
    QStringList columns{QStringLiteral("Code"), QStringLiteral("Jens"), QStringLiteral("Group")};
    columns += ScoringKey::scoreColumns();
    for (QString &c : columns)
        c = q(c);
    return columns;
}

const QStringList kOps = {QStringLiteral("INSERT"), QStringLiteral("UPDATE"), QStringLiteral("DELETE")};

// ---- On a server the notes, the fold and the recount are functions of the
// owner's that run with the owner's rights, so that a workstation's role needs
// no right to write a count and has none; their search path holds the
// system's schema alone, so that nobody's own functions or operators stand in
// for the ones they name.

const QString kDefiner = QStringLiteral("SECURITY DEFINER SET search_path = pg_catalog, pg_temp");

// What each measure of a subject's facts f (106 numbers) is, NULL where he is
// not counted in it: an array of kMeasures, by the rules of measures().
QString measuresFunction(const Dialect &d)
{
    auto f = [](int index) { return QStringLiteral("f[%1]").arg(index + 1); };
    auto answer = [&](int item) { return f(kScores + item - 1); };
    QStringList keyed, complete, six, values;
    for (int c = 0; c < kScores; ++c)
        keyed << f(c) + QStringLiteral(" IS NOT NULL");
    for (int item = 1; item <= kItems; ++item)
        complete << answer(item) + QStringLiteral(" IS NOT NULL");
    for (int s = 0; s < kSubscales; ++s) {
        QStringList answered{QStringLiteral("keyed")};
        for (int item : sixItems(s))
            answered << answer(item) + QStringLiteral(" IS NOT NULL");
        six << answered.join(QStringLiteral(" AND "));
    }
    for (const Measure &m : measures()) {
        QString value;
        if (m.what == Measure::Zero)
            value = QStringLiteral("0");
        else if (m.what == Measure::Score)
            value = f(m.index);
        else if (m.what == Measure::Answer)
            value = answer(m.index);
        else {
            QStringList terms;
            for (int item : sixItems(m.index))
                terms << answer(item);
            value = terms.join(u'+');
        }
        const QString when = m.when == Measure::Always     ? QString()
                             : m.when == Measure::Keyed    ? QStringLiteral("keyed")
                             : m.when == Measure::Complete ? QStringLiteral("complete")
                                                           : QStringLiteral("six[%1]").arg(m.subscale + 1);
        values << (when.isEmpty() ? value : QStringLiteral("CASE WHEN %1 THEN %2 END").arg(when, value));
    }
    return QStringLiteral("CREATE FUNCTION %1(f bigint[]) RETURNS bigint[] LANGUAGE plpgsql IMMUTABLE AS $m$ "
                          "DECLARE keyed boolean := %2; complete boolean; six boolean[]; BEGIN "
                          "complete := keyed AND %3; six := ARRAY[%4]; RETURN CAST(ARRAY[%5] AS bigint[]); END $m$")
        .arg(d.table(QStringLiteral("Tally_Measures")), keyed.join(QStringLiteral(" AND ")),
             complete.join(QStringLiteral(" AND ")), six.join(u','), values.join(u','));
}

// The counts of `subjects` (columns sign, sex, group, facts array) in rows
// (reference, value, measure, score, subjects), for INSERT INTO "Tally".
QString unfolded(const Dialect &d, const QString &subjects)
{
    return QStringLiteral("SELECT r.ref, r.val COLLATE \"C\", CAST(m.n - 1 AS integer), m.score, SUM(x.sign) FROM (%1) "
                          "AS x (sign, sex, grp, f) CROSS JOIN LATERAL unnest(%2(x.f)) WITH ORDINALITY AS m (score, n) "
                          "CROSS JOIN LATERAL (VALUES (0, ''), (1, x.sex), (2, x.grp)) AS r (ref, val) "
                          "WHERE m.score IS NOT NULL GROUP BY 1, 2, 3, 4")
        .arg(subjects, d.table(QStringLiteral("Tally_Measures")));
}

// Every subject now: sign 1, sex, group and facts, from `where` on IDE i.
QString subjectsNow(const Dialect &d, const QString &where)
{
    auto ide = [](const QString &name) { return QStringLiteral("i.") + q(name); };
    auto answer = [](int item) { return QStringLiteral("a.") + q(QString::number(item)); };
    return QStringLiteral("SELECT 1, COALESCE(i.\"Jens\", ''), COALESCE(i.\"Group\", ''), %1 FROM %2 AS i "
                          "LEFT JOIN %3 AS a ON a.\"Code\" = btrim(i.\"Code\") WHERE %4")
        .arg(factsArray(ide, answer), d.table(QStringLiteral("IDE")), d.table(QStringLiteral("Answer")), where);
}

const QString kTallyKey = QStringLiteral("(\"Reference\", \"Value\", \"Measure\", \"Score\")");
const QString kTallyColumns = QStringLiteral("(\"Reference\", \"Value\", \"Measure\", \"Score\", \"Subjects\")");

// Run at commit for each noted subject: counted out as noted, in as his rows
// are now, while his code is still held. Rows are added in one order
// everywhere, so two computers adding at once never wait on each other in a circle.
QString foldFunction(const Dialect &d)
{
    const QString subjects =
        QStringLiteral("SELECT -1, noted.\"Sex\", noted.\"Grp\", CAST(noted.\"Facts\" AS bigint[]) WHERE noted.\"Facts\" "
                       "IS NOT NULL UNION ALL ") +
        subjectsNow(d, QStringLiteral("i.\"Code\" = noted.\"Code\""));
    return QStringLiteral("CREATE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql %2 AS $f$ DECLARE noted record; BEGIN "
                          "DELETE FROM %3 WHERE \"Code\" = NEW.\"Code\" RETURNING * INTO noted; "
                          "IF NOT FOUND THEN RETURN NULL; END IF; "
                          "INSERT INTO %4 %5 %6 HAVING SUM(x.sign) <> 0 ORDER BY 1, 2, 3, 4 ON CONFLICT %7 DO UPDATE "
                          "SET \"Subjects\" = %4.\"Subjects\" + excluded.\"Subjects\"; RETURN NULL; END $f$")
        .arg(d.table(QStringLiteral("Tally_Fold")), kDefiner, d.table(QStringLiteral("TallyPending")),
             d.table(QStringLiteral("Tally")), kTallyColumns, unfolded(d, subjects), kTallyKey);
}

// Counts every subject from the rows and compares with the kept counts; with
// `repair` the counts become the recount and whole. Returns how many
// differed. Any role that may change the rows may run it: it writes only what
// the rows say.
QString recountFunction(const Dialect &d)
{
    const QString tally = d.table(QStringLiteral("Tally"));
    return QStringLiteral(
               "CREATE FUNCTION %1(repair boolean) RETURNS bigint LANGUAGE plpgsql %2 AS $f$ DECLARE differing bigint; BEGIN "
               "LOCK TABLE %3, %4 IN SHARE MODE; LOCK TABLE %5, %6, %7 IN EXCLUSIVE MODE; "
               "WITH fresh (ref, val, measure, score, subjects) AS (%8), "
               "differ AS (SELECT COALESCE(f.ref, t.\"Reference\"), COALESCE(f.val, t.\"Value\"), "
               "COALESCE(f.measure, t.\"Measure\"), COALESCE(f.score, t.\"Score\"), COALESCE(f.subjects, 0) "
               "FROM fresh AS f FULL JOIN %5 AS t ON t.\"Reference\" = f.ref AND t.\"Value\" = f.val AND "
               "t.\"Measure\" = f.measure AND t.\"Score\" = f.score WHERE COALESCE(f.subjects, 0) <> COALESCE(t.\"Subjects\", 0)), "
               "fixed AS (INSERT INTO %5 %9 SELECT * FROM differ WHERE repair ORDER BY 1, 2, 3, 4 ON CONFLICT %10 "
               "DO UPDATE SET \"Subjects\" = excluded.\"Subjects\" RETURNING 1) "
               "SELECT COUNT(*) INTO differing FROM differ; "
               "IF repair THEN DELETE FROM %6; DELETE FROM %7; INSERT INTO %7 (\"Layout\") VALUES (%11); END IF; "
               "RETURN differing; END $f$")
        .arg(d.table(QStringLiteral("Tally_Recount")), kDefiner, d.table(QStringLiteral("IDE")),
             d.table(QStringLiteral("Answer")), tally, d.table(QStringLiteral("TallyPending")),
             d.table(QStringLiteral("TallyState")), unfolded(d, subjectsNow(d, QStringLiteral("1 = 1"))), kTallyColumns)
        .arg(kTallyKey)
        .arg(kLayout);
}

// The functions a server's counts consist of, as DROP FUNCTION names them.
QStringList serverFunctions(const Dialect &d)
{
    return {d.table(QStringLiteral("Tally_IDE")) + QStringLiteral("()"),
            d.table(QStringLiteral("Tally_Answer")) + QStringLiteral("()"),
            d.table(QStringLiteral("Tally_Fold")) + QStringLiteral("()"),
            d.table(QStringLiteral("Tally_Recount")) + QStringLiteral("(boolean)"),
            d.table(QStringLiteral("Tally_Suspend")) + QStringLiteral("()"),
            d.table(QStringLiteral("Tally_Measures")) + QStringLiteral("(bigint[])")};
}

QStringList tallyTables(const Dialect &d)
{
    return {d.table(QStringLiteral("Tally")), d.table(QStringLiteral("TallyPending")), d.table(QStringLiteral("TallyState"))};
}

QStringList dropStatements(const Dialect &d)
{
    QStringList out;
    if (d.server) {
        for (const QString &function : serverFunctions(d))
            out << QStringLiteral("DROP FUNCTION IF EXISTS %1 CASCADE").arg(function);
    } else {
        for (const QString &table : {QStringLiteral("IDE"), QStringLiteral("Answer")})
            for (const QString &op : kOps)
                out << QStringLiteral("DROP TRIGGER IF EXISTS \"Tally_%1_%2\"").arg(table, op);
    }
    for (const QString &table : {QStringLiteral("TallyState"), QStringLiteral("TallyPending"), QStringLiteral("Tally")})
        out << QStringLiteral("DROP TABLE IF EXISTS %1").arg(d.table(table));
    return out;
}

QString trimmedCodeIndex(const Dialect &d)
{
    return QStringLiteral("CREATE INDEX IF NOT EXISTS \"IDE_TrimmedCode\" ON %1 ((TRIM(\"Code\")))").arg(d.table(QStringLiteral("IDE")));
}

QStringList createStatements(const Dialect &d)
{
    const QString text = d.server ? QStringLiteral("text COLLATE \"C\"") : QStringLiteral("TEXT");
    QStringList out;
    out << QStringLiteral("CREATE TABLE %3 (\"Reference\" INTEGER NOT NULL, \"Value\" %1 NOT NULL, "
                          "\"Measure\" INTEGER NOT NULL, \"Score\" BIGINT NOT NULL, \"Subjects\" BIGINT NOT NULL, "
                          "PRIMARY KEY (\"Reference\", \"Value\", \"Measure\", \"Score\"))%2")
               .arg(text, d.server ? QString() : QStringLiteral(" WITHOUT ROWID"), d.table(QStringLiteral("Tally")))
        << QStringLiteral("CREATE TABLE %2 (\"Code\" %1 NOT NULL PRIMARY KEY, \"Row\" BIGINT, \"Sex\" %1 NOT NULL, "
                          "\"Grp\" %1 NOT NULL, \"Facts\" %1)")
               .arg(text, d.table(QStringLiteral("TallyPending")))
        // "CountedTo": subjects from this row number on are not counted yet
        // (a count made in steps); NULL when every subject is.
        << QStringLiteral("CREATE TABLE %1 (\"Layout\" INTEGER NOT NULL, \"CountedTo\" BIGINT)")
               .arg(d.table(QStringLiteral("TallyState")));
    // A change to Answer finds its subjects by their trimmed code. The file
    // makes the index with its first counting step, off the window thread.
    if (d.server)
        out << trimmedCodeIndex(d);
    const QString idle = QStringLiteral("EXISTS (SELECT 1 FROM %1)").arg(d.table(QStringLiteral("TallyState")));
    auto events = [](const QString &table, const QString &op) {
        return op == QLatin1String("UPDATE") && table == QLatin1String("IDE")
                   ? QStringLiteral("UPDATE OF ") + countedIdeColumns().join(u',')
                   : op;
    };
    if (d.server)
        out << measuresFunction(d) << foldFunction(d) << recountFunction(d)
            << QStringLiteral("CREATE FUNCTION %1() RETURNS void LANGUAGE sql %2 AS $f$ DELETE FROM %3 $f$")
                   .arg(d.table(QStringLiteral("Tally_Suspend")), kDefiner, d.table(QStringLiteral("TallyState")))
            // The fold runs when the transaction commits, once for each subject it noted.
            << QStringLiteral("CREATE CONSTRAINT TRIGGER \"Tally_Fold\" AFTER INSERT ON %1 DEFERRABLE INITIALLY "
                              "DEFERRED FOR EACH ROW EXECUTE FUNCTION %2()")
                   .arg(d.table(QStringLiteral("TallyPending")), d.table(QStringLiteral("Tally_Fold")));
    for (const QString &table : {QStringLiteral("IDE"), QStringLiteral("Answer")}) {
        auto body = [&](const QString &op) { return triggerStatements(d, table, op).join(QStringLiteral("; ")); };
        if (d.server) {
            out << QStringLiteral("CREATE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql %2 AS $tally$ BEGIN "
                                  "IF NOT %3 THEN RETURN NULL; END IF; "
                                  "IF TG_OP = 'INSERT' THEN %4; ELSIF TG_OP = 'UPDATE' THEN %5; ELSE %6; END IF; "
                                  "RETURN NULL; END $tally$")
                       .arg(d.table(QStringLiteral("Tally_") + table), kDefiner, idle, body(kOps[0]), body(kOps[1]),
                            body(kOps[2]));
            QStringList on;
            for (const QString &op : kOps)
                on << events(table, op);
            out << QStringLiteral("CREATE TRIGGER \"Tally_%1\" AFTER %2 ON %3 FOR EACH ROW EXECUTE FUNCTION %4()")
                       .arg(table, on.join(QStringLiteral(" OR ")), d.table(table), d.table(QStringLiteral("Tally_") + table));
        } else {
            for (const QString &op : kOps)
                out << QStringLiteral("CREATE TRIGGER \"Tally_%1_%2\" AFTER %3 ON %4 WHEN %5 BEGIN %6; END")
                           .arg(table, op, events(table, op), q(table), idle, body(op));
        }
    }
    return out;
}

bool run(QSqlQuery &query, const QString &sql, QString *error)
{
    if (query.exec(sql))
        return true;
    return fail(error, QStringLiteral("شمارش نمره ها در بانک اطلاعاتي نگه داشته نشد: ") +
                           Database::errorText(query.lastError()));
}

// The counts' tables and functions on a server are readable by every role
// that has a right on the subjects, and only the recount and the pause of the
// counts may be run by them; no role but the owner writes to them. Made again
// whenever the owner makes the counts, so a rebuild keeps every grant.
bool grantReading(const Dialect &d, QString *error)
{
    QSqlQuery query(Database::connection());
    const QString tables = tallyTables(d).join(QStringLiteral(", "));
    if (!run(query, QStringLiteral("REVOKE ALL ON TABLE %1 FROM PUBLIC").arg(tables), error) ||
        !run(query, QStringLiteral("REVOKE ALL ON FUNCTION %1 FROM PUBLIC").arg(serverFunctions(d).join(QStringLiteral(", "))), error))
        return false;
    // Every role that reads the subjects reads the counts; only one that
    // writes them may have them recounted or set aside (a role that only
    // reads could otherwise switch the counts off for every computer).
    query.prepare(QStringLiteral("SELECT g.grantee, bool_or(g.privilege_type IN ('INSERT', 'UPDATE', 'DELETE')) "
                                 "FROM information_schema.role_table_grants AS g "
                                 "WHERE g.table_schema = ? AND g.table_name = 'IDE' AND g.grantee <> current_user AND "
                                 "g.grantee <> (SELECT pg_catalog.pg_get_userbyid(c.relowner) FROM pg_catalog.pg_class AS c "
                                 "WHERE c.oid = pg_catalog.to_regclass(?)) GROUP BY g.grantee"));
    query.addBindValue(d.schema);
    query.addBindValue(d.table(QStringLiteral("IDE")));
    if (!query.exec())
        return fail(error, Database::errorText(query.lastError()));
    QList<QPair<QString, bool>> grantees;
    while (query.next())
        grantees.append({query.value(0).toString(), query.value(1).toBool()});
    const QString callable = serverFunctions(d).mid(3, 2).join(QStringLiteral(", "));
    for (const auto &[grantee, writes] : grantees) {
        const QString role = grantee == QLatin1String("PUBLIC") ? grantee : q(grantee);
        if (!run(query, QStringLiteral("REVOKE ALL ON TABLE %1 FROM %2").arg(tables, role), error) ||
            !run(query, QStringLiteral("GRANT SELECT ON TABLE %1 TO %2").arg(tables, role), error) ||
            !run(query, QStringLiteral("%1 EXECUTE ON FUNCTION %2 %3 %4")
                            .arg(writes ? QStringLiteral("GRANT") : QStringLiteral("REVOKE"), callable,
                                 writes ? QStringLiteral("TO") : QStringLiteral("FROM"), role),
                 error))
            return false;
    }
    return true;
}

bool hasTable(const QString &table) { return !Database::record(table).isEmpty(); }

// The schema of the program's tables on a server, as this connection finds them.
QString serverSchema()
{
    QSqlQuery query(Database::connection());
    if (query.exec(QStringLiteral("SELECT n.nspname FROM pg_catalog.pg_class AS c JOIN pg_catalog.pg_namespace AS n "
                                  "ON n.oid = c.relnamespace WHERE c.oid = pg_catalog.to_regclass('\"IDE\"')")) &&
        query.next())
        return query.value(0).toString();
    return QStringLiteral("public");
}

Dialect dialect()
{
    Dialect d;
    d.server = isServer();
    if (d.server)
        d.schema = serverSchema();
    return d;
}

// True when this connection's role may make the counts: it owns the tables.
bool mayMakeCounts()
{
    if (!isServer())
        return true;
    QSqlQuery query(Database::connection());
    return query.exec(QStringLiteral("SELECT pg_catalog.pg_has_role(c.relowner, 'MEMBER') FROM pg_catalog.pg_class AS c "
                                     "WHERE c.oid = pg_catalog.to_regclass('\"IDE\"')")) &&
           query.next() && query.value(0).toBool();
}

bool triggersInPlace(QSqlDatabase db = Database::connection())
{
    QSqlQuery query(db);
    const bool server = db.driverName() == QLatin1String("QPSQL");
    const bool ok = query.exec(
        server ? QStringLiteral("SELECT COUNT(*) FROM pg_catalog.pg_trigger WHERE NOT tgisinternal AND tgenabled <> 'D' AND "
                                "tgname IN ('Tally_IDE', 'Tally_Answer', 'Tally_Fold')")
               : QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type = 'trigger' AND name LIKE 'Tally\\_%' ESCAPE '\\'"));
    return ok && query.next() && query.value(0).toInt() == (server ? 3 : 6);
}

// ---- Counting: the facts of subjects unfolded into their measures, by the
// rules of measures(); the one place that says who counts where.

// Counts of one reference value. Most scores lie in a small window, kept as
// an array, so that a million subjects count in seconds; others in a map.
class Block
{
public:
    void add(int measure, qint64 score, qint64 times)
    {
        const qint64 window = measure == kStanding + kScores - 1 ? kWideWindow : kWindow;
        if (score >= 0 && score < window)
            m_near[size_t(offset(measure) + score)] += times;
        else
            m_far[{measure, score}] += times;
    }
    // (measure, score) -> subjects, zeros left out.
    void forEach(const std::function<void(int, qint64, qint64)> &visit) const
    {
        for (int m = 0; m < kMeasures; ++m) {
            const qint64 window = m == kStanding + kScores - 1 ? kWideWindow : kWindow;
            for (qint64 score = 0; score < window; ++score)
                if (const qint64 n = m_near[size_t(offset(m) + score)])
                    visit(m, score, n);
        }
        for (const auto &[key, n] : m_far)
            if (n)
                visit(key.first, key.second, n);
    }

private:
    static constexpr qint64 kWindow = 32, kWideWindow = 512;
    static qint64 offset(int measure) { return measure * kWindow + (measure > kStanding + kScores - 1 ? kWideWindow - kWindow : 0); }
    std::vector<qint64> m_near = std::vector<qint64>(size_t(kMeasures * kWindow + kWideWindow - kWindow));
    std::map<std::pair<int, qint64>, qint64> m_far;
};

class Counter
{
public:
    void add(const QString &sex, const QString &group, const Facts &facts, qint64 sign)
    {
        bool keyed = true;
        for (int c = 0; c < kScores; ++c)
            keyed = keyed && facts[size_t(c)].has_value();
        auto answer = [&](int item) { return facts[size_t(kScores + item - 1)]; };
        bool complete = keyed;
        for (int item = 1; item <= kItems; ++item)
            complete = complete && answer(item).has_value();
        std::array<bool, kSubscales> six{};
        for (int s = 0; s < kSubscales; ++s) {
            six[size_t(s)] = keyed;
            for (int item : sixItems(s))
                six[size_t(s)] = six[size_t(s)] && answer(item).has_value();
        }
        Block *targets[3] = {&m_blocks[0][QString()], &m_blocks[1][sex], &m_blocks[2][group]};
        for (int i = 0; i < kMeasures; ++i) {
            const Measure &m = measures()[size_t(i)];
            const bool counted = m.when == Measure::Always || (m.when == Measure::Keyed && keyed) ||
                                 (m.when == Measure::Complete && complete) ||
                                 (m.when == Measure::SixAnswered && six[size_t(m.subscale)]);
            if (!counted)
                continue;
            qint64 score = 0;
            if (m.what == Measure::Score)
                score = *facts[size_t(m.index)];
            else if (m.what == Measure::Answer)
                score = *answer(m.index);
            else if (m.what == Measure::SixSum)
                for (int item : sixItems(m.index))
                    score += *answer(item);
            for (Block *block : targets)
                block->add(i, score, sign);
        }
    }

    // (reference, value, measure, score) -> subjects, zeros left out, in one
    // order everywhere.
    using Key = std::tuple<int, QString, int, qint64>;
    std::map<Key, qint64> rows() const
    {
        std::map<Key, qint64> out;
        for (int reference = 0; reference < 3; ++reference)
            for (auto it = m_blocks[size_t(reference)].cbegin(); it != m_blocks[size_t(reference)].cend(); ++it)
                it.value().forEach([&](int measure, qint64 score, qint64 n) {
                    out[{reference, it.key().isNull() ? QStringLiteral("") : it.key(), measure, score}] += n;
                });
        return out;
    }

    // Adds the counts to the table, one prepared row at a time: Qt's binding
    // of many values to one statement costs the square of their number.
    bool write(QSqlDatabase db, QString *error) const
    {
        QSqlQuery insert(db);
        insert.prepare(QStringLiteral("INSERT INTO \"Tally\" (\"Reference\",\"Value\",\"Measure\",\"Score\",\"Subjects\") "
                                      "VALUES (?,?,?,?,?) ON CONFLICT (\"Reference\",\"Value\",\"Measure\",\"Score\") DO UPDATE "
                                      "SET \"Subjects\" = \"Tally\".\"Subjects\" + excluded.\"Subjects\""));
        for (const auto &[key, subjects] : rows()) {
            insert.addBindValue(std::get<0>(key));
            insert.addBindValue(std::get<1>(key));
            insert.addBindValue(std::get<2>(key));
            insert.addBindValue(std::get<3>(key));
            insert.addBindValue(subjects);
            if (!insert.exec())
                return fail(error, QStringLiteral("شمارش نمره ها نوشته نشد: ") + Database::errorText(insert.lastError()));
        }
        return true;
    }

private:
    std::array<QHash<QString, Block>, 3> m_blocks;
};

QString currentFacts()
{
    auto ide = [](const QString &name) { return QStringLiteral("i.") + q(name); };
    auto answer = [](int item) { return QStringLiteral("a.") + q(QString::number(item)); };
    return factsText(ide, answer);
}

// ---- The file's counts may be made in steps (the first start of a version
// counts a million subjects on a thread of its own while the windows work):
// subjects whose IDE row number is below "CountedTo" are counted, the others
// not yet. Every change is folded in by that line, so a step and a change
// never count a subject twice or not at all.

constexpr qint64 kAll = std::numeric_limits<qint64>::max();

// The row number below which subjects are counted (kAll when every one is);
// kNone while the counts are not kept (no state: the triggers are idle), -1
// when the state cannot be read.
constexpr qint64 kNone = -2;
qint64 countedTo(QSqlDatabase db)
{
    // Another layout's state (or none) keeps no counts of this program's.
    const QSqlRecord state = db.record(QStringLiteral("TallyState"));
    if (state.indexOf(QStringLiteral("CountedTo")) < 0)
        return kNone;
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT \"Layout\", \"CountedTo\" FROM \"TallyState\"")))
        return -1;
    if (!query.next() || query.value(0).toInt() != kLayout)
        return kNone;
    return query.value(1).isNull() ? kAll : query.value(1).toLongLong();
}

// True when the file's tables and triggers of the counts are of this layout
// (the subjects counted or not).
bool madeOn(QSqlDatabase db) { return countedTo(db) >= 0 && triggersInPlace(db); }

// Makes the tables and triggers anew, inside the caller's transaction; on the
// file with no subject counted yet.
bool makeOn(QSqlDatabase db, const Dialect &d, QString *error)
{
    QSqlQuery query(db);
    for (const QString &sql : dropStatements(d) + createStatements(d))
        if (!run(query, sql, error))
            return false;
    return d.server || run(query, QStringLiteral("INSERT INTO \"TallyState\" (\"Layout\", \"CountedTo\") VALUES (%1, 0)")
                                      .arg(kLayout),
                           error);
}

// Subjects from row number `from` on, at most `limit` (-1: all), counted
// from their rows; *last is the row number of the last one read (or -1).
bool countRows(QSqlDatabase db, qint64 from, qint64 limit, Counter *counter, qint64 *last, qint64 *read, QString *error)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    // One text per subject: 106 values through the driver one by one cost
    // more than the counting itself.
    if (!query.exec(QStringLiteral("SELECT i.rowid, COALESCE(i.\"Jens\", ''), COALESCE(i.\"Group\", ''), %1 FROM \"IDE\" AS i "
                                   "LEFT JOIN \"Answer\" AS a ON a.\"Code\" = TRIM(i.\"Code\") WHERE i.rowid >= %2 "
                                   "ORDER BY i.rowid LIMIT %3")
                        .arg(currentFacts())
                        .arg(from)
                        .arg(limit)))
        return fail(error, QStringLiteral("آزمودني ها براي شمارش خوانده نشدند: ") + Database::errorText(query.lastError()));
    *last = -1;
    *read = 0;
    while (query.next()) {
        *last = query.value(0).toLongLong();
        ++*read;
        counter->add(query.value(1).toString(), query.value(2).toString(), parseFacts(query.value(3).toString()), 1);
    }
    if (query.lastError().isValid())
        return fail(error, QStringLiteral("آزمودني ها براي شمارش خوانده نشدند: ") + Database::errorText(query.lastError()));
    return true;
}

// Takes the noted subjects of the file into the counts: each counted out as
// noted and in as his rows are now, where the counts hold him. Inside the
// caller's transaction, which holds the file's write lock, so no other writer
// is between the notes and this. A server folds in the store itself.
bool foldOn(QSqlDatabase db, QString *error)
{
    const qint64 counted = countedTo(db);
    if (counted == kNone)
        return true;
    if (counted < 0)
        return fail(error, QStringLiteral("شمارش نمره ها به روز نشد: وضعيت شمارش خوانده نشد"));
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT p.\"Sex\", p.\"Grp\", p.\"Facts\", i.\"Code\", COALESCE(i.\"Jens\", ''), "
                                   "COALESCE(i.\"Group\", ''), %1, p.\"Row\", i.rowid FROM \"TallyPending\" AS p "
                                   "LEFT JOIN \"IDE\" AS i ON i.\"Code\" = p.\"Code\" "
                                   "LEFT JOIN \"Answer\" AS a ON a.\"Code\" = TRIM(i.\"Code\")")
                        .arg(currentFacts())))
        return fail(error, QStringLiteral("شمارش نمره ها به روز نشد: ") + Database::errorText(query.lastError()));
    Counter counter;
    int noted = 0;
    while (query.next()) {
        ++noted;
        if (!query.value(2).isNull() && query.value(7).toLongLong() < counted)
            counter.add(query.value(0).toString(), query.value(1).toString(), parseFacts(query.value(2).toString()), -1);
        if (!query.value(3).isNull() && query.value(8).toLongLong() < counted)
            counter.add(query.value(4).toString(), query.value(5).toString(), parseFacts(query.value(6).toString()), 1);
    }
    if (query.lastError().isValid())
        return fail(error, QStringLiteral("شمارش نمره ها به روز نشد: ") + Database::errorText(query.lastError()));
    query.finish();
    if (noted == 0)
        return true;
    return counter.write(db, error) && run(query, QStringLiteral("DELETE FROM \"TallyPending\""), error);
}

bool fold(QString *error) { return foldOn(Database::connection(), error); }

// One step of the count, inside the caller's write transaction: the notes
// first, then up to `limit` subjects (-1: all that are left).
bool countStepOn(QSqlDatabase db, qint64 limit, bool *finished, QString *error)
{
    *finished = false;
    // The first step of a count makes the tables; it runs off the window
    // thread, after the pages' check.
    if (!madeOn(db) && !makeOn(db, Dialect(), error))
        return false;
    QSqlQuery index(db);
    if (!run(index, trimmedCodeIndex(Dialect()), error) || !foldOn(db, error))
        return false;
    const qint64 from = countedTo(db);
    if (from < 0)
        return fail(error, QStringLiteral("شمارش نمره ها ساخته نشده است"));
    if (from == kAll) {
        *finished = true;
        return true;
    }
    Counter counter;
    qint64 last = -1, read = 0;
    if (!countRows(db, from, limit, &counter, &last, &read, error) || !counter.write(db, error))
        return false;
    *finished = limit < 0 || read < limit;
    QSqlQuery query(db);
    return run(query,
               QStringLiteral("UPDATE \"TallyState\" SET \"CountedTo\" = %1")
                   .arg(*finished ? QStringLiteral("NULL") : QString::number(last + 1)),
               error);
}

// The counts of the file as kept, zeros left out.
bool keptRows(std::map<Counter::Key, qint64> *rows, QString *error)
{
    QSqlQuery query(Database::connection());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT \"Reference\", \"Value\", \"Measure\", \"Score\", \"Subjects\" FROM \"Tally\" "
                                   "WHERE \"Subjects\" <> 0")))
        return fail(error, QStringLiteral("شمارش نمره ها خوانده نشد: ") + Database::errorText(query.lastError()));
    while (query.next())
        (*rows)[{query.value(0).toInt(), query.value(1).toString(), query.value(2).toInt(), query.value(3).toLongLong()}] =
            query.value(4).toLongLong();
    return true;
}

// Runs one of the owner's functions of the counts on a server.
bool callServer(const Dialect &d, const QString &function, const QString &arguments, QVariant *result, QString *error)
{
    QSqlQuery query(Database::connection());
    if (!run(query, QStringLiteral("SELECT %1(%2)").arg(d.table(function), arguments), error))
        return false;
    if (result)
        *result = query.next() ? query.value(0) : QVariant();
    return true;
}

}  // namespace

bool isCurrent()
{
    if (!Database::isOpen() || !hasTable(QStringLiteral("TallyState")))
        return false;
    QSqlQuery query(Database::connection());
    return query.exec(QStringLiteral("SELECT \"Layout\", \"CountedTo\" FROM \"TallyState\"")) && query.next() &&
           query.value(0).toInt() == kLayout && query.value(1).isNull();
}

bool suspend(QString *error)
{
    if (!hasTable(QStringLiteral("TallyState")))
        return true;
    if (isServer())
        return callServer(dialect(), QStringLiteral("Tally_Suspend"), QString(), nullptr, error);
    QSqlQuery query(Database::connection());
    return run(query, QStringLiteral("DELETE FROM \"TallyState\""), error);
}

bool rebuild(QString *error)
{
    // A store that keeps no counts (a server whose owner has not made them
    // yet) is read by scanning; there is nothing to count.
    if (!hasTable(QStringLiteral("TallyState")))
        return true;
    if (isServer())
        return callServer(dialect(), QStringLiteral("Tally_Recount"), QStringLiteral("true"), nullptr, error);
    QSqlQuery query(Database::connection());
    bool finished = false;
    return run(query, QStringLiteral("DELETE FROM \"TallyState\""), error) &&
           run(query, QStringLiteral("DELETE FROM \"Tally\""), error) &&
           run(query, QStringLiteral("DELETE FROM \"TallyPending\""), error) &&
           run(query, QStringLiteral("INSERT INTO \"TallyState\" (\"Layout\", \"CountedTo\") VALUES (%1, 0)").arg(kLayout),
               error) &&
           countStepOn(Database::connection(), -1, &finished, error);
}

bool recount(bool repair, qint64 *differing, QString *error)
{
    *differing = 0;
    if (!hasTable(QStringLiteral("TallyState")))
        return fail(error, QStringLiteral("شمارش نمره ها در اين بانک اطلاعاتي ساخته نشده است؛ برنامه آزمودني ها را "
                                          "هر بار مي شمارد"));
    Database::Transaction transaction;
    if (!transaction.isActive())
        return fail(error, transaction.errorString());
    if (isServer()) {
        QVariant result;
        if (!callServer(dialect(), QStringLiteral("Tally_Recount"), repair ? QStringLiteral("true") : QStringLiteral("false"),
                        &result, error))
            return false;
        *differing = result.toLongLong();
    } else {
        // Notes left by writes outside the program's transactions are the
        // counts' too: taken in before the counts are compared.
        if (!fold(error))
            return false;
        Counter counter;
        std::map<Counter::Key, qint64> kept;
        qint64 last = 0, read = 0;
        if (!countRows(Database::connection(), 0, -1, &counter, &last, &read, error) || !keptRows(&kept, error))
            return false;
        const auto counted = counter.rows();
        for (const auto &[key, n] : counted)
            if (auto it = kept.find(key); it == kept.end() || it->second != n)
                ++*differing;
        for (const auto &[key, n] : kept)
            if (!counted.count(key))
                ++*differing;
        if (repair && (*differing > 0 || !isCurrent()) && !rebuild(error))
            return false;
    }
    if (!transaction.commit())
        return fail(error, transaction.errorString());
    return true;
}

bool prepare(QString *error)
{
    // The file's tables are made, and its subjects counted, by countStep(),
    // off the window thread; meanwhile every transaction of the program
    // folds its notes in (nothing while the counts are of another layout).
    if (!isServer()) {
        Database::setBeforeCommit(fold);
        return true;
    }
    const bool made = isCurrent() && triggersInPlace();
    if (!mayMakeCounts()) {
        if (made)
            return true;
        return fail(error, QStringLiteral("شمارش نمره ها روي سرور ساخته نشده يا کهنه است و فقط صاحب جدول ها آن را "
                                          "مي سازد (Mehrsan --connect با کاربر صاحب جدول ها)؛ تا آن زمان برنامه "
                                          "آزمودني ها را هر بار مي شمارد"));
    }
    Database::Transaction transaction;
    if (!transaction.isActive())
        return fail(error, transaction.errorString());
    QSqlQuery query(Database::connection());
    const Dialect d = dialect();
    // Dropping what is not there is no news worth printing; nothing but
    // the system's own functions and operators is found by name meanwhile.
    if (!run(query, QStringLiteral("SET LOCAL client_min_messages = warning"), error) ||
        !run(query, QStringLiteral("SET LOCAL search_path = pg_catalog, pg_temp"), error))
        return false;
    if (!made && (!makeOn(Database::connection(), d, error) ||
                  !callServer(d, QStringLiteral("Tally_Recount"), QStringLiteral("true"), nullptr, error)))
        return false;
    if (!grantReading(d, error))
        return false;
    return transaction.commit() || fail(error, transaction.errorString());
}

bool isCounting() { return !isServer() && !(isCurrent() && triggersInPlace()); }

bool countStep(QSqlDatabase db, qint64 subjects, bool *finished, QString *error)
{
    return countStepOn(db, subjects, finished, error);
}

bool ensure(QString *error)
{
    if (!prepare(error))
        return false;
    if (!isCounting())
        return true;
    Database::Transaction transaction;
    if (!transaction.isActive())
        return fail(error, transaction.errorString());
    bool finished = false;
    if (!countStep(Database::connection(), -1, &finished, error))
        return false;
    return transaction.commit() || fail(error, transaction.errorString());
}



bool read(Reference reference, const QString &value, Counts *counts, int below, QString *error)
{
    *counts = Counts();
    if (!isCurrent())
        return fail(error, QStringLiteral("شمارش نمره ها در بانک اطلاعاتي نيست"));
    // Notes left in the file by writes outside the program's transactions
    // (another program, a statement of its own) are taken in first.
    if (!isServer() && !Database::inTransaction()) {
        QSqlQuery noted(Database::connection());
        if (!noted.exec(QStringLiteral("SELECT 1 FROM \"TallyPending\" LIMIT 1")))
            return fail(error, Database::errorText(noted.lastError()));
        if (noted.next()) {
            noted.finish();
            Database::Transaction transaction;
            if (!transaction.isActive() || !transaction.commit())
                return fail(error, transaction.errorString());
        }
    } else if (!isServer() && !fold(error)) {
        return false;
    }
    QSqlQuery query(Database::connection());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT \"Measure\", \"Score\", \"Subjects\" FROM \"Tally\" WHERE \"Reference\" = ? "
                                 "AND \"Value\" = COALESCE(?, '') AND \"Measure\" < ? AND \"Subjects\" <> 0"));
    query.addBindValue(int(reference));
    query.addBindValue(reference == All ? QString() : value);
    query.addBindValue(below);
    if (!query.exec())
        return fail(error, QStringLiteral("شمارش نمره ها خوانده نشد: ") + Database::errorText(query.lastError()));
    while (query.next()) {
        const int measure = query.value(0).toInt();
        if (measure >= 0 && measure < kMeasures)
            (*counts)[size_t(measure)][query.value(1).toLongLong()] += query.value(2).toLongLong();
    }
    if (query.lastError().isValid())
        return fail(error, QStringLiteral("شمارش نمره ها خوانده نشد: ") + Database::errorText(query.lastError()));
    return true;
}

}  // namespace ScoreTally
