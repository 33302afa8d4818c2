#include "data/FieldRules.h"

#include "data/Database.h"

#include <QStringList>

namespace FieldRules {
namespace {
struct Limit {
    const char *table;
    const char *column;
    int length;
};
// The typed fields: a code, names and education fit one line of the result
// sheet and the subject table; the clinic's name and address their header and
// footer; an item its frame in the test run. The rest hold what the program
// writes itself (dates, scores, answers, choices from lists).
constexpr Limit kLimits[] = {
    {"IDE", "Code", 30},     {"Answer", "Code", 30}, {"IDE", "FName", 50},    {"IDE", "LName", 50},
    {"IDE", "Tahsil", 50},   {"IDE", "Sen", 3},      {"Theme", "Name", 100},  {"Theme", "Adress", 200},
    {"Theme", "tafsir", 20000}, {"QU", "QUs", 500},
};
constexpr int kOtherColumns = 50;
// The longest text an indexed column may hold on the server: its b-tree
// index takes at most 2704 bytes a row, and a character is up to 4 bytes.
constexpr int kServerIndexed = 600;

bool isControl(QChar c) { return c.category() == QChar::Other_Control; }
}  // namespace

int maxLength(const QString &table, const QString &column)
{
    for (const Limit &l : kLimits)
        if (table.compare(QLatin1String(l.table), Qt::CaseInsensitive) == 0 &&
            column.compare(QLatin1String(l.column), Qt::CaseInsensitive) == 0)
            return l.length;
    return kOtherColumns;
}

bool keepsLineBreaks(const QString &table, const QString &column)
{
    return (table == QLatin1String("QU") && column.compare(QLatin1String("QUs"), Qt::CaseInsensitive) == 0) ||
           (table == QLatin1String("Theme") && column.compare(QLatin1String("tafsir"), Qt::CaseInsensitive) == 0);
}

QString accepted(const QString &table, const QString &column, const QString &value)
{
    const bool lines = keepsLineBreaks(table, column);
    QString out;
    out.reserve(value.size());
    for (QChar c : value)
        if (!isControl(c) || (lines && c == '\n'))
            out += c;
    return out.left(maxLength(table, column));
}

QString problem(const QString &table, const QString &column, const QString &value)
{
    const bool lines = keepsLineBreaks(table, column);
    for (QChar c : value)
        if (isControl(c) && !(lines && c == '\n'))
            return QStringLiteral("%1 نويسه کنترلي (U+%2) دارد").arg(column).arg(c.unicode(), 4, 16, QChar('0'));
    if (value.size() > maxLength(table, column))
        return QStringLiteral("%1 بيش از %2 نويسه است").arg(column).arg(maxLength(table, column));
    return QString();
}

QString serverProblem(const QString &table, const QString &column, const QString &value)
{
    if (value.contains(QChar(0)))
        return QStringLiteral("%1 نويسه NUL دارد").arg(column);
    if (value.size() > kServerIndexed && Database::indexedColumns(table).contains(column))
        return QStringLiteral("%1 بيش از %2 نويسه است").arg(column).arg(kServerIndexed);
    return QString();
}

}  // namespace FieldRules
