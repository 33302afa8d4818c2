#include "records/CsvStandingColumns.h"

#include "scoring/ScoringKey.h"
#include "scoring/Standing.h"

#include <memory>

namespace CsvStandingColumns {

bool make(CsvExport::ExtraColumns *columns, QString *error)
{
    auto distribution = std::make_shared<Standing::Distribution>();
    if (!Standing::readDistribution(Standing::Reference::All, QString(), distribution.get(), error))
        return false;
    QStringList names;
    for (const QString &prefix : {QStringLiteral("PR_"), QStringLiteral("SS_")}) {
        for (const auto &subscale : ScoringKey::subscales())
            names << prefix + QLatin1String(subscale.abbreviation);
        names << prefix + QStringLiteral("kol");
    }
    // Where a row's scores (in legend order) and answers stand among its fields.
    const QStringList header = CsvExport::header();
    QList<int> scoreFields;
    for (const QString &column : ScoringKey::scoreColumns())
        scoreFields << int(header.indexOf(column));
    const int firstAnswer = int(header.indexOf(QStringLiteral("Q1")));
    columns->names = names;
    columns->values = [distribution, scoreFields, firstAnswer, count = int(names.size())](const QStringList &row) {
        QStringList scores;
        for (int field : scoreFields)
            scores << row.value(field);
        bool answeredAll = row.size() >= firstAnswer + ScoringKey::kItemCount;
        for (int i = 0; answeredAll && i < ScoringKey::kItemCount; ++i)
            answeredAll = !row[firstAnswer + i].isEmpty();
        Standing::Values values{};
        QStringList out;
        if (!answeredAll || !Standing::parseScores(scores, &values))
            return QStringList(count, QString());
        const Standing::Figures figures =
            Standing::figures(scores, answeredAll, QString(), distribution->around(values));
        if (!figures.available)
            return QStringList(count, QString());
        for (const QString &text : figures.percentile)
            out << text;
        for (const QString &text : figures.standard)
            out << (text == QStringLiteral("—") ? QString() : text);
        return out;
    };
    return true;
}

}  // namespace CsvStandingColumns
