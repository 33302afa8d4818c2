#pragma once
#include <QList>
#include <QString>
#include <QStringList>

#include <array>

// The scoring key of the questionnaire: fifteen subscales of six items each,
// and the total. Pure arithmetic on the stored answers, no windows, no database.
namespace ScoringKey {

constexpr int kItemCount = 90;
constexpr int kSubscaleCount = 15;

struct Subscale {
    const char *column;        // its IDE column
    const char *caption;       // its caption in the keying window
    const char *abbreviation;  // its heading in the table of all subjects
    int baseItem;              // items baseItem, +15, +30, +45, +60, +75
    const char *legendLine;    // its line in the keying window's legend
};

// The fifteen subscales in legend order (ES, AS, SR, ..., HA).
const std::array<Subscale, kSubscaleCount> &subscales();
// The six items of a subscale with the given base item, ascending.
std::array<int, 6> itemsOf(int baseItem);
// Index in subscales() of the subscale with this IDE column; -1 when none.
int indexOfColumn(const QString &column);
// The sixteen IDE score columns: the fifteen subscales in legend order, then kol.
QStringList scoreColumns();
inline QString totalColumn() { return QStringLiteral("kol"); }

// The value of a stored answer: its leading digits, blanks before them
// skipped; an empty or non-numeric answer counts 0.
qint64 itemValue(const QString &stored);

struct Scores {
    std::array<qint64, kSubscaleCount> subscale{};  // legend order
    qint64 kol = 0;
    // The sixteen values as stored: subscales in legend order, then kol.
    QStringList texts() const;
};

// answers[i] is the stored answer to item i + 1 (missing entries count 0).
Scores score(const QStringList &answers);
// Items (1 to 90) whose answer is empty, ascending.
QList<int> unansweredItems(const QStringList &answers);
// The text of the warning box for unanswered items: the sentence, two line
// breaks, then " n  " for every item.
QString unansweredWarning(const QList<int> &items);

}  // namespace ScoringKey
