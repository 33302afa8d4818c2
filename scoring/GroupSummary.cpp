#include "scoring/GroupSummary.h"

#include "scoring/Standing.h"

#include "data/Database.h"
#include "platform/Dialogs.h"
#include "scoring/ScoreTally.h"
#include "scoring/ScoringKey.h"

#include <QSqlError>
#include <QSqlQuery>

namespace GroupSummary {

QString Summary::title() const
{
    if (!sex.isEmpty())
        return QStringLiteral("آزمودني هاي با جنس «%1»").arg(sex);
    if (everyone)
        return QStringLiteral("همه آزمودني ها");
    if (group.trimmed().isEmpty())
        return QStringLiteral("آزمودني هاي بدون گروه");
    return QStringLiteral("گروه ") + group;
}

namespace {
// Six item values in one number, three decimal places each (answers are 1 to
// 5), so that a row brings 31 numbers out of the database instead of 106.
constexpr qint64 kPlace = 1000;

QString packedItems(const std::array<int, 6> &items)
{
    QStringList answered;
    QString packed;
    for (int item : items) {
        const QString column = QStringLiteral("\"Answer\".") + Database::quoted(QString::number(item));
        answered << column + QStringLiteral(" <> ''");
        const QString value = QStringLiteral("CAST(%1 AS BIGINT)").arg(column);
        packed = packed.isEmpty() ? value : QStringLiteral("(%1) * %2 + %3").arg(packed).arg(kPlace).arg(value);
    }
    // NULL unless all six are answered.
    return QStringLiteral("CASE WHEN %1 THEN %2 END").arg(answered.join(QStringLiteral(" AND ")), packed);
}
}  // namespace

namespace {
// The summary from the counts the store keeps; false when they are not whole.
bool kept(ScoreTally::Reference reference, const QString &value, Summary *summary)
{
    ScoreTally::Counts counts;
    if (!ScoreTally::read(reference, value, &counts))
        return false;
    *summary = Summary();
    summary->everyone = reference == ScoreTally::All;
    if (reference == ScoreTally::Group)
        summary->group = value;
    if (reference == ScoreTally::Sex)
        summary->sex = value;
    auto single = [&](int measure) {
        const auto &byScore = counts[size_t(measure)];
        return byScore.empty() ? 0 : byScore.begin()->second;
    };
    summary->subjects = single(ScoreTally::kRegistered);
    summary->keyed = single(ScoreTally::kKeyed);
    for (int s = 0; s < kColumns - 1; ++s) {
        for (const auto &[score, n] : counts[size_t(ScoreTally::kSubscale + s)])
            summary->scores[size_t(s)].add(score, n);
        for (const auto &[total, n] : counts[size_t(ScoreTally::kSixSum + s)])
            summary->consistency[size_t(s)].addScaleTotals(total, n);
        for (int k = 0; k < ItemConsistency::kItems; ++k)
            for (const auto &[answer, n] : counts[size_t(ScoreTally::kItem + 6 * s + k)])
                summary->consistency[size_t(s)].addItemAnswers(k, answer, n);
    }
    for (const auto &[score, n] : counts[size_t(ScoreTally::kStanding + kColumns - 1)])
        summary->scores[kColumns - 1].add(score, n);
    return true;
}

// One pass over the subjects whose `column` is `value` (an empty text: empty
// or never written), or over everyone when `column` is empty.
bool scanWhere(const QString &whoseColumn, const QString &value, Summary *summary, QString *error)
{
    const QString whose = QStringLiteral("\"IDE\".") + Database::quoted(whoseColumn);
    const bool bindGroup = !whoseColumn.isEmpty() && !value.isEmpty();
    QString where;
    if (bindGroup)
        where = QStringLiteral(" WHERE ") + whose + QStringLiteral(" = ?");
    else if (!whoseColumn.isEmpty())
        where = QStringLiteral(" WHERE COALESCE(") + whose + QStringLiteral(", '') = ''");
    const QString &group = value;
    QStringList select;
    for (const QString &column : ScoringKey::scoreColumns())
        select << QStringLiteral("CAST(\"IDE\".%1 AS INTEGER)").arg(Database::quoted(column));
    const auto &subscales = ScoringKey::subscales();
    for (const auto &subscale : subscales)
        select << packedItems(ScoringKey::itemsOf(subscale.baseItem));

    QSqlQuery query(Database::connection());
    query.setForwardOnly(true);
    auto failed = [&] {
        if (error)
            *error = QStringLiteral("خلاصه آماري ساخته نشد: خواندن آزمودني ها از بانک اطلاعاتي ممکن نشد. آزمودني ها "
                                    "دست نخورده اند؛ اگر ديسک موقت پر است، جا باز کنيد و دوباره بخواهيد.") +
                     technicalDetail(Database::errorText(query.lastError()));
        return false;
    };
    auto run = [&](const QString &sql) {
        if (!query.prepare(sql))
            return false;
        if (bindGroup)
            query.addBindValue(group);
        return query.exec();
    };
    if (!run(QStringLiteral("SELECT COUNT(*) FROM \"IDE\"") + where) || !query.next())
        return failed();
    summary->subjects = query.value(0).toLongLong();

    // Only keyed subjects, with their answers where they have any.
    const QString sql = QStringLiteral("SELECT ") + select.join(u',') + QStringLiteral(" FROM ") +
                        Standing::subjectsWithAnswers(QStringLiteral("LEFT JOIN")) +
                        (where.isEmpty() ? QStringLiteral(" WHERE ") : where + QStringLiteral(" AND ")) +
                        Standing::keyedCondition();
    if (!run(sql))
        return failed();
    constexpr int kSubscales = ScoringKey::kSubscaleCount;
    while (query.next()) {
        ++summary->keyed;
        bool all = true;
        for (int s = 0; s < kSubscales; ++s) {
            const QVariant packed = query.value(kColumns + s);
            if (packed.isNull()) {
                all = false;
                continue;
            }
            qint64 rest = packed.toLongLong();
            std::array<qint64, ItemConsistency::kItems> six{};
            for (int i = ItemConsistency::kItems - 1; i >= 0; --i) {
                six[size_t(i)] = rest % kPlace;
                rest /= kPlace;
            }
            summary->scores[size_t(s)].add(query.value(s).toLongLong());
            summary->consistency[size_t(s)].add(six);
        }
        if (all)
            summary->scores[kColumns - 1].add(query.value(kColumns - 1).toLongLong());
    }
    if (query.lastError().isValid())
        return failed();
    return true;
}
}  // namespace

bool read(bool everyone, const QString &group, Summary *summary, QString *error)
{
    return kept(everyone ? ScoreTally::All : ScoreTally::Group, group, summary) || scan(everyone, group, summary, error);
}

bool scan(bool everyone, const QString &group, Summary *summary, QString *error)
{
    *summary = Summary();
    summary->everyone = everyone;
    summary->group = group;
    // An empty group text: the subjects outside every group, whether their
    // Group is empty or was never written.
    return scanWhere(everyone ? QString() : QStringLiteral("Group"), group, summary, error);
}

bool readSex(const QString &sex, Summary *summary, QString *error)
{
    return kept(ScoreTally::Sex, sex, summary) || scanSex(sex, summary, error);
}

bool scanSex(const QString &sex, Summary *summary, QString *error)
{
    *summary = Summary();
    summary->everyone = false;
    summary->sex = sex;
    return scanWhere(QStringLiteral("Jens"), sex, summary, error);
}

}  // namespace GroupSummary
