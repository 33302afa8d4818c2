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

QString codePoint(char16_t code)
{
    return QStringLiteral("U+") + QString::number(uint(code), 16).toUpper().rightJustified(4, QLatin1Char('0'));
}
}  // namespace

bool isHiddenCharacter(const QString &text, qsizetype at)
{
    const char16_t c = text.at(at).unicode();
    if ((c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0x200B || c == 0x2028 || c == 0x2029)
        return true;
    if (QChar::isHighSurrogate(c))
        return at + 1 >= text.size() || !text.at(at + 1).isLowSurrogate();
    if (QChar::isLowSurrogate(c))
        return at == 0 || !text.at(at - 1).isHighSurrogate();
    return false;
}

QString withoutHiddenCharacters(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i)
        if (!isHiddenCharacter(text, i))
            out += text.at(i);
    return out;
}

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
    for (qsizetype i = 0; i < value.size(); ++i)
        if ((!isControl(value.at(i)) || (lines && value.at(i) == '\n')) && !isHiddenCharacter(value, i))
            out += value.at(i);
    out.truncate(maxLength(table, column));
    // A cut between the halves of a pair leaves no half behind.
    if (!out.isEmpty() && out.back().isHighSurrogate())
        out.chop(1);
    return out;
}

QString problem(const QString &table, const QString &column, const QString &value)
{
    const bool lines = keepsLineBreaks(table, column);
    for (QChar c : value)
        if (isControl(c) && !(lines && c == '\n'))
            return QStringLiteral("%1 نويسه کنترلي (U+%2) دارد").arg(column).arg(c.unicode(), 4, 16, QChar('0'));
    for (qsizetype i = 0; i < value.size(); ++i)
        if (isHiddenCharacter(value, i))
            return QStringLiteral("%1 نويسه نامرئي %2 دارد که ترتيب نمايش متن را به هم مي زند؛ آن را پاک کنيد")
                .arg(column, codePoint(value.at(i).unicode()));
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
