#include "testrun/AnswerCoding.h"

#include <algorithm>
#include <array>

namespace AnswerCoding {
namespace {
// The 42 items on which agreeing stores the low value.
constexpr std::array<int, 42> kAscendingItems = {
    2,  11, 12, 15, 17, 18, 19, 20, 21, 22, 26, 27, 33, 34, 35, 36, 37, 40, 41, 45, 48,
    50, 52, 56, 58, 61, 63, 64, 67, 71, 72, 75, 77, 78, 79, 80, 81, 82, 84, 86, 87, 90};

// Stored value of option 1..5, one row per direction.
constexpr std::array<std::array<char, OptionCount>, 2> kValues = {{
    {'1', '2', '3', '4', '5'},  // ascending
    {'5', '4', '3', '2', '1'},  // descending
}};

const std::array<char, OptionCount> &valuesOf(Direction direction)
{
    return kValues[direction == Direction::Ascending ? 0 : 1];
}
}  // namespace

Direction directionOf(int item)
{
    return std::binary_search(kAscendingItems.begin(), kAscendingItems.end(), item) ? Direction::Ascending
                                                                                     : Direction::Descending;
}

bool isAscending(int item) { return directionOf(item) == Direction::Ascending; }

QString storedValue(Direction direction, int option)
{
    if (option < 1 || option > OptionCount)
        return QString();
    return QString(QChar::fromLatin1(valuesOf(direction)[option - 1]));
}

QString storedValue(int item, int option) { return storedValue(directionOf(item), option); }

int optionFor(Direction direction, const QString &stored)
{
    const QString value = stored.trimmed();
    if (value.size() != 1)
        return 0;
    const auto &values = valuesOf(direction);
    for (int i = 0; i < OptionCount; ++i)
        if (value.at(0) == QLatin1Char(values[i]))
            return i + 1;
    return 0;
}

int optionFor(int item, const QString &stored) { return optionFor(directionOf(item), stored); }

}  // namespace AnswerCoding

int digitOf(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 0x06f0 && u <= 0x06f9)  // Persian digits
        return u - 0x06f0;
    if (u >= 0x0660 && u <= 0x0669)  // Arabic-Indic digits
        return u - 0x0660;
    return -1;
}

CounterText CounterText::read(const QString &text)
{
    CounterText out;
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return out;

    QString digits;
    bool negative = false;
    for (int i = 0; i < trimmed.size(); ++i) {
        const QChar c = trimmed.at(i);
        if (i == 0 && (c == QLatin1Char('-') || c == QChar(0x2212))) {
            negative = true;
            continue;
        }
        const int d = digitOf(c);
        if (d < 0) {
            out.kind = NotANumber;
            out.plain = text;
            return out;
        }
        digits += QChar('0' + d);
    }
    if (digits.isEmpty()) {
        out.kind = NotANumber;
        out.plain = text;
        return out;
    }
    while (digits.size() > 1 && digits.startsWith(QLatin1Char('0')))
        digits.remove(0, 1);
    // Nine digits stay well inside an int; anything longer is far past the last item.
    const int magnitude = digits.size() > 9 ? 1000000000 : digits.toInt();
    out.kind = Number;
    out.value = negative ? -magnitude : magnitude;
    out.plain = digits.size() > 9 ? (negative ? QStringLiteral("-") : QString()) + digits
                                  : QString::number(out.value);
    return out;
}
