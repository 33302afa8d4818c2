#include "scoring/ScoreTally.h"

#include "data/Database.h"
#include "scoring/ScoringKey.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <optional>
#include <vector>

namespace ScoreTally {
namespace {

// Raised whenever the measures or the tables change, so that counts of
// another layout are made anew.
constexpr int kLayout = 1;
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
// refuses to cast text that is not a number, so there the leading number
// is cut out first and anything else counts 0.
QString number(const QString &text, bool server)
{
    if (!server)
        return QStringLiteral("CAST(%1 AS INTEGER)").arg(text);
    return QStringLiteral("CASE WHEN %1 ~ '^\\s*[-+]?[0-9]{1,18}' THEN CAST(substring(%1 from '^\\s*([-+]?[0-9]{1,18})') "
                          "AS BIGINT) ELSE 0 END")
        .arg(text);
}

// The facts of one subject in one text, as the counts read them: his sixteen
// scores, then his 90 answers, each a number or empty, separated by commas.
// `ide` and `answer` name where a column of his IDE and Answer rows is read.
QString factsText(const std::function<QString(const QString &)> &ide, const std::function<QString(int)> &answer,
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
    // format() writes NULL as nothing on both stores, and builds the text at
    // once instead of one concatenation at a time; a server takes at most
    // 100 arguments to a function, so two halves.
    QStringList halves;
    for (const QStringList &half : {values.mid(0, values.size() / 2), values.mid(values.size() / 2)})
        halves << QStringLiteral("format('%1', %2)").arg(QStringList(half.size(), QStringLiteral("%s")).join(u','), half.join(u','));
    return halves.join(QStringLiteral(" || ',' || "));
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
// change in (fold()); a new subject is noted as not counted.

QString column(const QString &row, const QString &name) { return row + u'.' + q(name); }

// Notes the subjects of `from` (rows i of IDE, or the trigger's own row as i)
// with their facts as counted before the write.
QString noteSubjects(const QString &code, const QString &facts, const QString &from, const QString &where)
{
    return QStringLiteral("INSERT INTO \"TallyPending\" (\"Code\", \"Sex\", \"Grp\", \"Facts\") SELECT %1, %2 FROM %3 "
                          "WHERE %4 ON CONFLICT (\"Code\") DO NOTHING")
        .arg(code, facts, from, where);
}

QString noteIdeRow(const QString &row, bool server)
{
    auto ide = [&](const QString &name) { return column(row, name); };
    auto answer = [](int item) { return QStringLiteral("a.") + q(QString::number(item)); };
    const QString facts = QStringLiteral("COALESCE(%1, ''), COALESCE(%2, ''), %3")
                              .arg(ide(QStringLiteral("Jens")), ide(QStringLiteral("Group")), factsText(ide, answer, server));
    return noteSubjects(ide(QStringLiteral("Code")), facts,
                        QStringLiteral("(SELECT 1 AS one) AS one LEFT JOIN \"Answer\" AS a ON a.\"Code\" = TRIM(%1)")
                            .arg(ide(QStringLiteral("Code"))),
                        QStringLiteral("1 = 1"));
}

QString noteNewSubject(const QString &row, const QString &condition)
{
    return QStringLiteral("INSERT INTO \"TallyPending\" (\"Code\", \"Sex\", \"Grp\", \"Facts\") SELECT %1, '', '', NULL "
                          "WHERE %2 ON CONFLICT (\"Code\") DO NOTHING")
        .arg(column(row, QStringLiteral("Code")), condition);
}

// The subjects whose trimmed code is the Answer row's code, with `answers`
// ("OLD", or empty: none yet).
QString noteAnswerSubjects(const QString &key, const QString &answers, const QString &condition, bool server)
{
    auto ide = [](const QString &name) { return QStringLiteral("i.") + q(name); };
    auto answer = [&](int item) {
        return answers.isEmpty() ? QStringLiteral("CAST(NULL AS TEXT)") : column(answers, QString::number(item));
    };
    const QString facts = QStringLiteral("COALESCE(i.\"Jens\", ''), COALESCE(i.\"Group\", ''), %1").arg(factsText(ide, answer, server));
    return noteSubjects(QStringLiteral("i.\"Code\""), facts, QStringLiteral("\"IDE\" AS i"),
                        QStringLiteral("TRIM(i.\"Code\") = %1 AND %2").arg(key, condition));
}

QStringList triggerStatements(const QString &table, const QString &op, bool server)
{
    const QString always = QStringLiteral("1 = 1"), moved = QStringLiteral("OLD.\"Code\" <> NEW.\"Code\"");
    const QString oldKey = QStringLiteral("OLD.\"Code\""), newKey = QStringLiteral("NEW.\"Code\"");
    if (table == QLatin1String("IDE")) {
        if (op == QLatin1String("INSERT"))
            return {noteNewSubject(QStringLiteral("NEW"), always)};
        if (op == QLatin1String("DELETE"))
            return {noteIdeRow(QStringLiteral("OLD"), server)};
        return {noteIdeRow(QStringLiteral("OLD"), server), noteNewSubject(QStringLiteral("NEW"), moved)};
    }
    if (op == QLatin1String("INSERT"))
        return {noteAnswerSubjects(newKey, QString(), always, server)};
    if (op == QLatin1String("DELETE"))
        return {noteAnswerSubjects(oldKey, QStringLiteral("OLD"), always, server)};
    // A changed code leaves the old code's subjects without these answers and
    // gives them to the new code's subjects, who had none.
    return {noteAnswerSubjects(oldKey, QStringLiteral("OLD"), always, server),
            noteAnswerSubjects(newKey, QString(), moved, server)};
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

QStringList dropStatements(bool server)
{
    QStringList out;
    if (server) {
        out << QStringLiteral("DROP FUNCTION IF EXISTS \"Tally_IDE\"() CASCADE")
            << QStringLiteral("DROP FUNCTION IF EXISTS \"Tally_Answer\"() CASCADE");
    } else {
        for (const QString &table : {QStringLiteral("IDE"), QStringLiteral("Answer")})
            for (const QString &op : kOps)
                out << QStringLiteral("DROP TRIGGER IF EXISTS \"Tally_%1_%2\"").arg(table, op);
    }
    out << QStringLiteral("DROP TABLE IF EXISTS \"TallyState\"") << QStringLiteral("DROP TABLE IF EXISTS \"TallyPending\"")
        << QStringLiteral("DROP TABLE IF EXISTS \"Tally\"") << QStringLiteral("DROP INDEX IF EXISTS \"IDE_TrimmedCode\"");
    return out;
}

QStringList createStatements(bool server)
{
    const QString text = server ? QStringLiteral("text COLLATE \"C\"") : QStringLiteral("TEXT");
    QStringList out;
    out << QStringLiteral("CREATE TABLE \"Tally\" (\"Reference\" INTEGER NOT NULL, \"Value\" %1 NOT NULL, "
                          "\"Measure\" INTEGER NOT NULL, \"Score\" BIGINT NOT NULL, \"Subjects\" BIGINT NOT NULL, "
                          "PRIMARY KEY (\"Reference\", \"Value\", \"Measure\", \"Score\"))%2")
               .arg(text, server ? QString() : QStringLiteral(" WITHOUT ROWID"))
        << QStringLiteral("CREATE TABLE \"TallyPending\" (\"Code\" %1 NOT NULL PRIMARY KEY, \"Sex\" %1 NOT NULL, "
                          "\"Grp\" %1 NOT NULL, \"Facts\" %1)").arg(text)
        << QStringLiteral("CREATE TABLE \"TallyState\" (\"Layout\" INTEGER NOT NULL)")
        // A change to Answer finds its subjects by their trimmed code.
        << QStringLiteral("CREATE INDEX \"IDE_TrimmedCode\" ON \"IDE\" ((TRIM(\"Code\")))");
    const QString idle = QStringLiteral("EXISTS (SELECT 1 FROM \"TallyState\")");
    auto events = [](const QString &table, const QString &op) {
        return op == QLatin1String("UPDATE") && table == QLatin1String("IDE")
                   ? QStringLiteral("UPDATE OF ") + countedIdeColumns().join(u',')
                   : op;
    };
    for (const QString &table : {QStringLiteral("IDE"), QStringLiteral("Answer")}) {
        auto body = [&](const QString &op) { return triggerStatements(table, op, server).join(QStringLiteral("; ")); };
        if (server) {
            out << QStringLiteral("CREATE FUNCTION \"Tally_%1\"() RETURNS trigger LANGUAGE plpgsql AS $tally$ BEGIN "
                                  "IF NOT %2 THEN RETURN NULL; END IF; "
                                  "IF TG_OP = 'INSERT' THEN %3; ELSIF TG_OP = 'UPDATE' THEN %4; ELSE %5; END IF; "
                                  "RETURN NULL; END $tally$")
                       .arg(table, idle, body(kOps[0]), body(kOps[1]), body(kOps[2]));
            QStringList on;
            for (const QString &op : kOps)
                on << events(table, op);
            out << QStringLiteral("CREATE TRIGGER \"Tally_%1\" AFTER %2 ON %3 FOR EACH ROW EXECUTE FUNCTION \"Tally_%1\"()")
                       .arg(table, on.join(QStringLiteral(" OR ")), q(table));
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

bool hasTable(const QString &table) { return !Database::record(table).isEmpty(); }

bool triggersInPlace()
{
    QSqlQuery query(Database::connection());
    const bool server = isServer();
    const bool ok = query.exec(
        server ? QStringLiteral("SELECT COUNT(*) FROM pg_trigger WHERE NOT tgisinternal AND tgenabled <> 'D' AND "
                                "tgname IN ('Tally_IDE', 'Tally_Answer')")
               : QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type = 'trigger' AND name LIKE 'Tally\\_%' ESCAPE '\\'"));
    return ok && query.next() && query.value(0).toInt() == (server ? 2 : 6);
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

    // Adds the counts to the table, in one order everywhere, so that two
    // computers adding at once never wait on each other in a circle.
    bool write(QString *error) const
    {
        struct Row {
            int reference;
            QString value;
            int measure;
            qint64 score, subjects;
        };
        std::vector<Row> rows;
        for (int reference = 0; reference < 3; ++reference)
            for (auto it = m_blocks[size_t(reference)].cbegin(); it != m_blocks[size_t(reference)].cend(); ++it)
                it.value().forEach([&](int measure, qint64 score, qint64 n) {
                    rows.push_back({reference, it.key(), measure, score, n});
                });
        std::sort(rows.begin(), rows.end(), [](const Row &a, const Row &b) {
            return std::tie(a.reference, a.value, a.measure, a.score) < std::tie(b.reference, b.value, b.measure, b.score);
        });
        // Many rows to a statement on a server, against the trips there; one
        // prepared row at a time on the file, where Qt's binding of many
        // values to one statement costs the square of their number.
        const size_t kChunk = isServer() ? 500 : 1;
        QSqlQuery insert(Database::connection());
        for (size_t first = 0; first < rows.size(); first += kChunk) {
            const size_t last = std::min(rows.size(), first + kChunk);
            QStringList marks;
            for (size_t i = first; i < last; ++i)
                marks << QStringLiteral("(?,?,?,?,?)");
            if (first == 0 || last - first != kChunk)
                insert.prepare(QStringLiteral("INSERT INTO \"Tally\" (\"Reference\",\"Value\",\"Measure\",\"Score\",\"Subjects\") "
                                          "VALUES %1 ON CONFLICT (\"Reference\",\"Value\",\"Measure\",\"Score\") DO UPDATE "
                                          "SET \"Subjects\" = \"Tally\".\"Subjects\" + excluded.\"Subjects\"")
                               .arg(marks.join(u',')));
            for (size_t i = first; i < last; ++i) {
                insert.addBindValue(rows[i].reference);
                insert.addBindValue(rows[i].value.isNull() ? QStringLiteral("") : rows[i].value);
                insert.addBindValue(rows[i].measure);
                insert.addBindValue(rows[i].score);
                insert.addBindValue(rows[i].subjects);
            }
            if (!insert.exec())
                return fail(error, QStringLiteral("شمارش نمره ها نوشته نشد: ") + Database::errorText(insert.lastError()));
        }
        return true;
    }

private:
    std::array<QHash<QString, Block>, 3> m_blocks;
};

QString currentFacts(bool server)
{
    auto ide = [](const QString &name) { return QStringLiteral("i.") + q(name); };
    auto answer = [](int item) { return QStringLiteral("a.") + q(QString::number(item)); };
    return factsText(ide, answer, server);
}

// Every subject counted from his rows.
bool recount(QString *error)
{
    const bool server = isServer();
    QSqlQuery query(Database::connection());
    query.setForwardOnly(true);
    // One text per subject: 106 values through the driver one by one cost
    // more than the counting itself.
    if (!query.exec(QStringLiteral("SELECT COALESCE(i.\"Jens\", ''), COALESCE(i.\"Group\", ''), %1 FROM \"IDE\" AS i "
                                   "LEFT JOIN \"Answer\" AS a ON a.\"Code\" = TRIM(i.\"Code\")")
                        .arg(currentFacts(server))))
        return fail(error, QStringLiteral("آزمودني ها براي شمارش خوانده نشدند: ") + Database::errorText(query.lastError()));
    Counter counter;
    while (query.next())
        counter.add(query.value(0).toString(), query.value(1).toString(), parseFacts(query.value(2).toString()), 1);
    if (query.lastError().isValid())
        return fail(error, QStringLiteral("آزمودني ها براي شمارش خوانده نشدند: ") + Database::errorText(query.lastError()));
    query.finish();
    return counter.write(error);
}

// Takes the noted subjects into the counts: each counted out as noted and in
// as his rows are now. Inside the caller's transaction.
bool fold(QString *error)
{
    const bool server = isServer();
    QSqlQuery query(Database::connection());
    query.setForwardOnly(true);
    // On a server, the notes another computer may be folding wait for it.
    if (!query.exec(QStringLiteral("SELECT p.\"Sex\", p.\"Grp\", p.\"Facts\", i.\"Code\", COALESCE(i.\"Jens\", ''), "
                                   "COALESCE(i.\"Group\", ''), %1 FROM \"TallyPending\" AS p "
                                   "LEFT JOIN \"IDE\" AS i ON i.\"Code\" = p.\"Code\" "
                                   "LEFT JOIN \"Answer\" AS a ON a.\"Code\" = TRIM(i.\"Code\")%2")
                        .arg(currentFacts(server), server ? QStringLiteral(" FOR UPDATE OF p") : QString())))
        return fail(error, QStringLiteral("شمارش نمره ها به روز نشد: ") + Database::errorText(query.lastError()));
    Counter counter;
    int noted = 0;
    while (query.next()) {
        ++noted;
        if (!query.value(2).isNull())
            counter.add(query.value(0).toString(), query.value(1).toString(), parseFacts(query.value(2).toString()), -1);
        if (!query.value(3).isNull())
            counter.add(query.value(4).toString(), query.value(5).toString(), parseFacts(query.value(6).toString()), 1);
    }
    if (query.lastError().isValid())
        return fail(error, QStringLiteral("شمارش نمره ها به روز نشد: ") + Database::errorText(query.lastError()));
    query.finish();
    if (noted == 0)
        return true;
    return counter.write(error) && run(query, QStringLiteral("DELETE FROM \"TallyPending\""), error);
}

}  // namespace

bool isCurrent()
{
    if (!Database::isOpen() || !hasTable(QStringLiteral("TallyState")))
        return false;
    QSqlQuery query(Database::connection());
    return query.exec(QStringLiteral("SELECT \"Layout\" FROM \"TallyState\"")) && query.next() &&
           query.value(0).toInt() == kLayout;
}

bool suspend(QString *error)
{
    if (!hasTable(QStringLiteral("TallyState")))
        return true;
    QSqlQuery query(Database::connection());
    return run(query, QStringLiteral("DELETE FROM \"TallyState\""), error);
}

bool rebuild(QString *error)
{
    // A store that keeps no counts (a server whose owner has not made them
    // yet) is read by scanning; there is nothing to count.
    if (!hasTable(QStringLiteral("TallyState")))
        return true;
    QSqlQuery query(Database::connection());
    // No one else changes a subject or a count until this transaction ends.
    if (isServer() && !run(query, QStringLiteral("LOCK TABLE \"IDE\", \"Answer\" IN SHARE MODE"), error))
        return false;
    if (isServer() &&
        !run(query, QStringLiteral("LOCK TABLE \"Tally\", \"TallyPending\", \"TallyState\" IN EXCLUSIVE MODE"), error))
        return false;
    return run(query, QStringLiteral("DELETE FROM \"TallyState\""), error) &&
           run(query, QStringLiteral("DELETE FROM \"Tally\""), error) &&
           run(query, QStringLiteral("DELETE FROM \"TallyPending\""), error) && recount(error) &&
           run(query, QStringLiteral("INSERT INTO \"TallyState\" (\"Layout\") VALUES (%1)").arg(kLayout), error);
}

bool ensure(QString *error)
{
    if (!isCurrent() || !triggersInPlace()) {
        const bool server = isServer();
        Database::Transaction transaction;
        if (!transaction.isActive())
            return fail(error, transaction.errorString());
        QSqlQuery query(Database::connection());
        // Dropping what is not there is no news worth printing.
        if (server && !run(query, QStringLiteral("SET LOCAL client_min_messages = warning"), error))
            return false;
        for (const QString &sql : dropStatements(server) + createStatements(server))
            if (!run(query, sql, error))
                return false;
        if (!rebuild(error))
            return false;
        if (!transaction.commit())
            return fail(error, transaction.errorString());
    }
    // Every transaction of the program takes its notes in before it commits;
    // installed only now that the tables are there, and dropped with the store.
    Database::setBeforeCommit(fold);
    return true;
}

bool read(Reference reference, const QString &value, Counts *counts, int below, QString *error)
{
    *counts = Counts();
    if (!isCurrent())
        return fail(error, QStringLiteral("شمارش نمره ها در بانک اطلاعاتي نيست"));
    // Notes left by writes outside the program's transactions (another
    // program, a statement of its own) are taken in first.
    if (!Database::inTransaction()) {
        QSqlQuery noted(Database::connection());
        if (!noted.exec(QStringLiteral("SELECT 1 FROM \"TallyPending\" LIMIT 1")))
            return fail(error, Database::errorText(noted.lastError()));
        if (noted.next()) {
            noted.finish();
            Database::Transaction transaction;
            if (!transaction.isActive() || !transaction.commit())
                return fail(error, transaction.errorString());
        }
    } else if (!fold(error)) {
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
