#include "scoring/Standing.h"

#include "data/Database.h"
#include "scoring/ScoreTally.h"
#include "scoring/ScoringKey.h"

#include <QSqlError>
#include <QSqlQuery>

#include <cmath>

namespace Standing {
namespace {
const QString kNone = QStringLiteral("—");

QString scoreColumnList()
{
    QStringList out;
    for (const QString &column : ScoringKey::scoreColumns())
        out << QStringLiteral("\"IDE\".") + Database::quoted(column);
    return out.join(u',');
}

QString referenceColumn(Reference reference)
{
    return reference == Reference::SameSex ? QStringLiteral("Jens") : QStringLiteral("Group");
}

QString describe(Reference reference, const QString &value, qint64 size)
{
    QString whom;
    switch (reference) {
    case Reference::All:
        whom = QStringLiteral("%1 آزمودني اين مرکز").arg(size);
        break;
    case Reference::SameSex:
        whom = QStringLiteral("%1 آزمودني اين مرکز با جنس «%2»").arg(size).arg(value);
        break;
    case Reference::SameGroup:
        whom = QStringLiteral("%1 آزمودني گروه «%2» اين مرکز").arg(size).arg(value);
        break;
    }
    return QStringLiteral("نسبت به ") + whom +
           QStringLiteral(" که به همه 90 سوال پاسخ داده و کليد گذاري شده اند (هنجار خود مرکز، نه هنجار منتشر شده)");
}

// Half away from zero, as people round.
QString whole(double value) { return QString::number(qint64(std::floor(value + 0.5))); }

bool fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}
}  // namespace

QStringList referenceCaptions()
{
    return {QStringLiteral("همه آزمودني ها"), QStringLiteral("آزمودني هاي هم جنس"), QStringLiteral("آزمودني هاي هم گروه")};
}

QString subjectsWithAnswers(const QString &join)
{
    // The answer row carries the code without surrounding blanks.
    return QStringLiteral("\"IDE\" %1 \"Answer\" ON \"Answer\".\"Code\" = TRIM(\"IDE\".\"Code\")").arg(join);
}

QString keyedCondition()
{
    QStringList parts;
    for (const QString &column : ScoringKey::scoreColumns())
        parts << QStringLiteral("\"IDE\".%1 <> ''").arg(Database::quoted(column));
    return parts.join(QStringLiteral(" AND "));
}

QString completeAndKeyedCondition()
{
    QStringList parts{keyedCondition()};
    for (int item = 1; item <= ScoringKey::kItemCount; ++item)
        parts << QStringLiteral("\"Answer\".%1 <> ''").arg(Database::quoted(QString::number(item)));
    return parts.join(QStringLiteral(" AND "));
}

bool parseScores(const QStringList &scores, Values *values)
{
    if (scores.size() < kColumns)
        return false;
    for (int c = 0; c < kColumns; ++c) {
        bool ok = false;
        (*values)[size_t(c)] = scores[c].trimmed().toLongLong(&ok);
        if (!ok)
            return false;
    }
    return true;
}

namespace {
QString sampleWhere(Reference reference)
{
    QString sql = QStringLiteral(" FROM ") + subjectsWithAnswers() + QStringLiteral(" WHERE ") + completeAndKeyedCondition();
    if (reference != Reference::All)
        sql += QStringLiteral(" AND \"IDE\".") + Database::quoted(referenceColumn(reference)) + QStringLiteral(" = ?");
    return sql;
}
}  // namespace

bool readSample(Reference reference, const QString &value, const Values &around, Sample *sample, QString *error)
{
    *sample = Sample();
    sample->reference = reference;
    sample->value = value;
    // Five sums per column in one pass; nothing per row leaves the database.
    // Each score is read as a number once, in an inner query that the
    // database must not merge into the outer one (an OFFSET keeps it apart).
    QStringList casts;
    QStringList sums;
    for (int c = 0; c < kColumns; ++c) {
        const QString x = QStringLiteral("v%1").arg(c);
        casts << QStringLiteral("CAST(\"IDE\".%1 AS INTEGER) AS %2").arg(Database::quoted(ScoringKey::scoreColumns()[c]), x);
        sums << QStringLiteral("SUM(%1)").arg(x) << QStringLiteral("SUM(%1 * %1)").arg(x)
             << QStringLiteral("SUM(CASE WHEN %1 < ? THEN 1 ELSE 0 END)").arg(x)
             << QStringLiteral("SUM(CASE WHEN %1 = ? THEN 1 ELSE 0 END)").arg(x);
    }
    const bool sqlite = Database::connection().driverName() == QLatin1String("QSQLITE");
    const QString fence = sqlite ? QStringLiteral(" LIMIT -1 OFFSET 0") : QStringLiteral(" OFFSET 0");
    QSqlQuery query(Database::connection());
    query.setForwardOnly(true);
    if (!query.prepare(QStringLiteral("SELECT COUNT(*), ") + sums.join(u',') + QStringLiteral(" FROM (SELECT ") +
                       casts.join(u',') + sampleWhere(reference) + fence + QStringLiteral(") AS sample")))
        return fail(error, QStringLiteral("خواندن گروه مرجع ممکن نشد: ") + query.lastError().text());
    for (int c = 0; c < kColumns; ++c) {
        query.addBindValue(around[size_t(c)]);
        query.addBindValue(around[size_t(c)]);
    }
    if (reference != Reference::All)
        query.addBindValue(value);
    if (!query.exec() || !query.next())
        return fail(error, QStringLiteral("خواندن گروه مرجع ممکن نشد: ") + query.lastError().text());
    const qint64 count = query.value(0).toLongLong();
    for (int c = 0; c < kColumns; ++c) {
        Position &p = sample->columns[size_t(c)];
        p.count = count;
        p.sum = query.value(1 + 4 * c).toLongLong();
        p.squares = query.value(2 + 4 * c).toLongLong();
        p.below = query.value(3 + 4 * c).toLongLong();
        p.equal = query.value(4 + 4 * c).toLongLong();
    }
    return true;
}

namespace {
// The distribution from the counts the store keeps; false when they are not whole.
bool keptDistribution(Reference reference, const QString &value, Distribution *distribution)
{
    ScoreTally::Counts counts;
    if (!ScoreTally::read(ScoreTally::Reference(reference), value, &counts, ScoreTally::kStanding + kColumns))
        return false;
    *distribution = Distribution();
    distribution->reference = reference;
    distribution->value = value;
    for (int c = 0; c < kColumns; ++c)
        for (const auto &[score, subjects] : counts[size_t(ScoreTally::kStanding + c)])
            distribution->columns[size_t(c)].add(score, subjects);
    return true;
}
}  // namespace

bool readDistribution(Reference reference, const QString &value, Distribution *distribution, QString *error)
{
    return keptDistribution(reference, value, distribution) || scanDistribution(reference, value, distribution, error);
}

bool scanDistribution(Reference reference, const QString &value, Distribution *distribution, QString *error)
{
    *distribution = Distribution();
    distribution->reference = reference;
    distribution->value = value;
    QStringList casts;
    for (const QString &column : ScoringKey::scoreColumns())
        casts << QStringLiteral("CAST(\"IDE\".%1 AS INTEGER)").arg(Database::quoted(column));
    QSqlQuery query(Database::connection());
    query.setForwardOnly(true);
    if (!query.prepare(QStringLiteral("SELECT ") + casts.join(u',') + sampleWhere(reference)))
        return fail(error, QStringLiteral("خواندن گروه مرجع ممکن نشد: ") + query.lastError().text());
    if (reference != Reference::All)
        query.addBindValue(value);
    if (!query.exec())
        return fail(error, QStringLiteral("خواندن گروه مرجع ممکن نشد: ") + query.lastError().text());
    while (query.next())
        for (int c = 0; c < kColumns; ++c)
            distribution->columns[size_t(c)].add(query.value(c).toLongLong());
    if (query.lastError().isValid())
        return fail(error, QStringLiteral("خواندن گروه مرجع ممکن نشد: ") + query.lastError().text());
    return true;
}

Sample Distribution::around(const Values &values) const
{
    Sample out;
    out.reference = reference;
    out.value = value;
    for (int c = 0; c < kColumns; ++c)
        out.columns[size_t(c)] = columns[size_t(c)].positionOf(values[size_t(c)]);
    return out;
}

Figures figures(const QStringList &scores, bool answeredAll, const QString &subjectValue, const Sample &sample)
{
    Figures out;
    out.percentile.fill(kNone);
    out.standard.fill(kNone);
    const qint64 size = sample.size();
    // Until the sample is read, only whom it would be.
    out.description = QStringLiteral("گروه مرجع: ") + referenceCaptions().value(int(sample.reference));

    Values values{};
    if (!parseScores(scores, &values)) {
        out.reason = QStringLiteral("آزمودني هنوز کليد گذاري نشده است.");
        return out;
    }
    if (!answeredAll) {
        out.reason = QStringLiteral("آزمودني به همه 90 سوال پاسخ نداده است؛ نمره هاي او با گروه مرجع قياس پذير نيست.");
        return out;
    }
    if (sample.reference != Reference::All && subjectValue.trimmed().isEmpty()) {
        out.reason = sample.reference == Reference::SameSex
                         ? QStringLiteral("جنس آزمودني ثبت نشده است؛ گروه مرجع هم جنس ندارد.")
                         : QStringLiteral("آزمودني در هيچ گروهي نيست؛ گروه مرجع هم گروه ندارد.");
        return out;
    }
    out.description = describe(sample.reference, subjectValue, size);
    if (size < kMinimumSample) {
        out.reason = QStringLiteral("گروه مرجع %1 آزمودني دارد؛ براي رتبه و نمره استاندارد دست کم %2 آزمودني لازم است.")
                         .arg(size)
                         .arg(kMinimumSample);
        return out;
    }
    out.available = true;
    QStringList flat;
    for (int c = 0; c < kColumns; ++c) {
        const Position &column = sample.columns[size_t(c)];
        out.percentileValue[size_t(c)] = column.percentileRank();
        out.percentile[size_t(c)] = whole(out.percentileValue[size_t(c)]);
        if (column.standardDeviation() == 0) {
            flat << (c < ScoringKey::kSubscaleCount
                         ? QString::fromLatin1(ScoringKey::subscales()[size_t(c)].abbreviation)
                         : QStringLiteral("نمره كل"));
            continue;
        }
        out.standardValue[size_t(c)] = column.standardScore(values[size_t(c)]);
        out.standard[size_t(c)] = whole(out.standardValue[size_t(c)]);
    }
    if (!flat.isEmpty())
        out.reason = QStringLiteral("در گروه مرجع همه نمره هاي %1 برابرند؛ نمره استاندارد ندارد.")
                         .arg(flat.join(QStringLiteral("، ")));
    return out;
}

Figures standingOf(const QString &code, Reference reference, QString *error)
{
    Figures none;
    none.percentile.fill(kNone);
    none.standard.fill(kNone);
    none.description = QStringLiteral("گروه مرجع: ") + referenceCaptions().value(int(reference));
    QSqlQuery query(Database::connection());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT \"IDE\".\"Jens\", \"IDE\".%1, %2, CASE WHEN \"Answer\".\"Code\" IS NOT NULL AND %3 THEN 1 ELSE 0 END "
                                 "FROM %4 WHERE \"IDE\".\"Code\" = ?")
                      .arg(Database::quoted(QStringLiteral("Group")), scoreColumnList(), completeAndKeyedCondition(),
                           subjectsWithAnswers(QStringLiteral("LEFT JOIN"))));
    query.addBindValue(code);
    if (!query.exec() || !query.next()) {
        const QString why = query.lastError().isValid() ? query.lastError().text() : QStringLiteral("آزمودني پيدا نشد");
        none.reason = QStringLiteral("رتبه آزمودني خوانده نشد: ") + why;
        if (error)
            *error = none.reason;
        return none;
    }
    const QString sex = query.value(0).toString();
    const QString group = query.value(1).toString();
    QStringList scores;
    for (int c = 0; c < kColumns; ++c)
        scores << query.value(2 + c).toString();
    const bool answeredAll = query.value(2 + kColumns).toInt() == 1;
    query.finish();

    const QString value = reference == Reference::SameSex ? sex : reference == Reference::SameGroup ? group : QString();
    Values values{};
    Sample sample;
    sample.reference = reference;
    QString why;
    // Nothing to compare for a subject not yet keyed or outside the reference.
    const bool comparable = parseScores(scores, &values) && answeredAll &&
                            (reference == Reference::All || !value.trimmed().isEmpty());
    // The kept counts when they are whole; one aggregate query otherwise.
    Distribution distribution;
    if (comparable && keptDistribution(reference, value, &distribution))
        sample = distribution.around(values);
    else if (comparable && !readSample(reference, value, values, &sample, &why)) {
        none.reason = why;
        if (error)
            *error = why;
        return none;
    }
    return figures(scores, answeredAll, value, sample);
}

}  // namespace Standing
