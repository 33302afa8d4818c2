#pragma once
#include <QString>

// How a subject's choice is stored. Option 1 ("کاملا موافقم") to option 5
// ("کاملا مخالفم") store 1 to 5 on the ascending items and 5 to 1 on all
// others, so the stored answers are already turned the right way for scoring.
namespace AnswerCoding {

constexpr int ItemCount = 90;
constexpr int OptionCount = 5;

enum class Direction { Ascending, Descending };

// The direction of an item 1..90; anything outside counts as descending.
Direction directionOf(int item);
bool isAscending(int item);

// The value option 1..5 stores in the given direction; empty for any other option.
QString storedValue(Direction direction, int option);
QString storedValue(int item, int option);

// The option (1..5) a stored value selects in the given direction; 0 when the
// value is empty or is not one of the five values.
int optionFor(Direction direction, const QString &stored);
int optionFor(int item, const QString &stored);

}  // namespace AnswerCoding

// 0 to 9 for an ASCII, Persian or Arabic-Indic digit; -1 for anything else.
int digitOf(QChar c);

// The item counter's text read as an item number. Only a plain whole number
// (an optional minus sign and digits) is a number; blanks around it and
// Persian or Arabic-Indic digits are accepted and written back as plain ASCII,
// leading zeros are dropped ("05" is 5). Anything else is not a number.
struct CounterText {
    enum Kind { Empty, Number, NotANumber };
    Kind kind = Empty;
    // The plain form of the text: "" for Empty, the number as written by
    // QString::number for Number, the text unchanged otherwise.
    QString plain;
    // The number; numbers too long to matter are held as a large value of their sign.
    int value = 0;

    static CounterText read(const QString &text);
};
