#pragma once
#include <QString>

// The answers the crash test's child writes, one numbered write after another:
// write i sets one item of one of a few subjects, so every cell is written
// again and again with changing values. Both sides compute the same sequence.
namespace AnswerSequence {

constexpr int kSubjects = 5;

inline QString code(int subject) { return QStringLiteral("a%1").arg(subject); }

struct Write {
    QString code;
    int item;
    QString value;
};

inline Write write(qint64 i)
{
    const qint64 cell = i % (kSubjects * 90);
    const qint64 pass = i / (kSubjects * 90);
    return {code(int(cell / 90)), int(cell % 90) + 1, QString::number(1 + (i + pass) % 5)};
}

}  // namespace AnswerSequence
