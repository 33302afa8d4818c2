#pragma once
#include <QString>

#include <array>

#include "scoring/Statistics.h"

// The summary of a group of subjects (or of every subject) for the clinic and
// for research: for each subscale and the total the count, mean, standard
// deviation, minimum, median and maximum of the stored scores, and each
// subscale's internal consistency over its six stored answers.
namespace GroupSummary {

constexpr int kColumns = 16;  // the fifteen subscales in legend order, then kol

struct Summary {
    bool everyone = true;  // false: only the subjects whose Group is `group`
    QString group;
    QString sex;           // not empty: only the subjects whose Jens is `sex` (everyone is then false)
    qint64 subjects = 0;   // registered subjects of the group
    qint64 keyed = 0;      // of them, with stored scores
    // A subscale counts the keyed subjects who answered its six items; the
    // total those who answered all 90.
    std::array<ValueCounts, kColumns> scores;
    // Over the subjects who answered all six items of the subscale.
    std::array<ItemConsistency, kColumns - 1> consistency;

    // "گروه B" or "همه آزمودني ها".
    QString title() const;
};

// everyone: all subjects; otherwise those whose Group equals `group` exactly
// (an empty text: the subjects outside every group). From the counts the
// store keeps (see ScoreTally) when they are whole, else scan.
bool read(bool everyone, const QString &group, Summary *summary, QString *error = nullptr);
// The same figures from one pass over the subjects' rows.
bool scan(bool everyone, const QString &group, Summary *summary, QString *error = nullptr);

// The same figures over the subjects whose Jens equals `sex` (not empty),
// from the counts the store keeps when they are whole, else from a scan.
bool readSex(const QString &sex, Summary *summary, QString *error = nullptr);
bool scanSex(const QString &sex, Summary *summary, QString *error = nullptr);

}  // namespace GroupSummary
