#include "SubjectRows.h"

#include "TestFolder.h"

#include "scoring/ScoringKey.h"

#include <QVariantList>

namespace SubjectRows {

QStringList uniform(const QString &answer)
{
    QStringList out;
    for (int i = 0; i < 90; ++i)
        out << answer;
    return out;
}

void setAnswers(const TestFolder &folder, const QString &code, const QStringList &answers)
{
    QStringList sets;
    QVariantList values;
    for (int i = 0; i < 90; ++i) {
        sets << QStringLiteral("\"%1\" = ?").arg(i + 1);
        values << answers.value(i);
    }
    values << code;
    folder.sql(QStringLiteral("UPDATE Answer SET ") + sets.join(u',') + QStringLiteral(" WHERE Code = ?"), values);
}

void addMany(const TestFolder &folder, int count, const QString &prefix, bool keyed)
{
    const QString series = QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) ")
                               .arg(count);
    const int width = qMax(4, int(QString::number(count).size()));
    // The last `width` characters of the zero-padded number, written the same way for both stores.
    const QString code = QStringLiteral("? || substr('%1' || i, length('%1' || i) - %2 + 1, %2)")
                             .arg(QString(width, u'0'))
                             .arg(width);
    folder.sql(series + QStringLiteral("INSERT INTO Answer (Code) SELECT ") + code + QStringLiteral(" FROM n"),
               {prefix});
    if (!keyed) {
        folder.sql(series + QStringLiteral("INSERT INTO IDE (Code, FName, LName, Sen, Jens, Taahol, Tahsil, \"Group\", "
                                           "Date, Time) SELECT ") +
                       code +
                       QStringLiteral(", 'نام', 'خانواده', '30', 'زن', 'مجرد', 'ليسانس', "
                                      "substr('ABCDEFG', (i % 7) + 1, 1), '1405/09/17', '10:00:00' FROM n"),
                   {prefix});
        return;
    }
    // Scores follow from i, so that every row differs and kol is their sum.
    QStringList scores, sum;
    for (int k = 0; k < 15; ++k) {
        const QString s = QStringLiteral("(6 + (i * %1 + %2) % 25)").arg(k + 7).arg(k * 3);
        scores << s;
        sum << s;
    }
    folder.sql(series + QStringLiteral("INSERT INTO IDE (Code, FName, LName, Sen, Jens, Taahol, Tahsil, \"Group\", "
                                       "Date, Time, khodagahi, ebrazevojood, ezatenafs, khoodshkofaee, esteghlal, "
                                       "hamdeli, masooliatpaz, ravabet, halemas, vaghegaraee, enetafpaz, tahalol, "
                                       "control, khooshbini, shadmani, kol) SELECT ") +
                   code +
                   QStringLiteral(", 'نام', 'خانواده', '30', 'زن', 'مجرد', 'ليسانس', "
                                  "substr('ABCDEFG', (i % 7) + 1, 1), '1405/09/17', '10:00:00', ") +
                   scores.join(u',') + u',' + sum.join(u'+') + QStringLiteral(" FROM n"),
               {prefix});
}

void addAnswered(const TestFolder &folder, const QString &code, const QStringList &answers, const QString &group,
                 const QString &sex, bool keyed)
{
    QStringList columns = {QStringLiteral("Code"), QStringLiteral("FName"), QStringLiteral("LName"), QStringLiteral("Jens"),
                           QStringLiteral("\"Group\"")};
    QVariantList values = {code, QStringLiteral("نام"), QStringLiteral("خانواده"), sex, group};
    if (keyed) {
        const QStringList scores = ScoringKey::score(answers).texts();
        const QStringList names = ScoringKey::scoreColumns();
        for (int i = 0; i < names.size(); ++i) {
            columns << names[i];
            values << scores[i];
        }
    }
    QStringList marks(columns.size(), QStringLiteral("?"));
    folder.sql(QStringLiteral("INSERT INTO IDE (%1) VALUES (%2)").arg(columns.join(u','), marks.join(u',')), values);
    folder.sql(QStringLiteral("INSERT INTO Answer (Code) VALUES (?)"), {code});
    setAnswers(folder, code, answers);
}

}  // namespace SubjectRows
