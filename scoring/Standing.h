#pragma once
#include <QString>
#include <QStringList>

#include <array>

#include "scoring/Statistics.h"

// Where a subject's scores stand among this clinic's own subjects: the
// percentile rank and the standard score (mean 100, SD 15) of each subscale
// and of the total against a reference sample read from the database when
// asked. These are the clinic's own figures, not published norms; nothing of
// them is stored.
namespace Standing {

constexpr int kColumns = 16;         // the fifteen subscales in legend order, then kol
constexpr int kMinimumSample = 30;   // fewer reference subjects give no figures

// Whom a subject is compared with.
enum class Reference { All, SameSex, SameGroup };
// The choices as the keying window offers them, in Reference order.
QStringList referenceCaptions();

using Values = std::array<qint64, kColumns>;
// The sixteen stored score texts as numbers; false when any is not a whole
// number (the subject is not keyed).
bool parseScores(const QStringList &scores, Values *values);

// The reference sample: subjects who answered all 90 items and were keyed
// (all sixteen scores stored), optionally only those whose Jens or Group
// equals `value`. For one subject it is summed up around his values; for
// many (an export) it is counted by value. The store keeps the counts by
// value up to date; the scans are what they must always agree with.
struct Sample {
    Reference reference = Reference::All;
    QString value;
    std::array<Position, kColumns> columns;  // around the subject's values
    qint64 size() const { return columns[kColumns - 1].count; }
};
struct Distribution {
    Reference reference = Reference::All;
    QString value;
    std::array<ValueCounts, kColumns> columns;
    qint64 size() const { return columns[kColumns - 1].count(); }
    Sample around(const Values &values) const;
};
// One aggregate query over the qualifying rows; false with the reason in
// Persian when the database could not be read.
bool readSample(Reference reference, const QString &value, const Values &around, Sample *sample,
                QString *error = nullptr);
// The counts the store keeps (see ScoreTally) when they are whole, else
// scanDistribution.
bool readDistribution(Reference reference, const QString &value, Distribution *distribution,
                      QString *error = nullptr);
// One pass streaming the qualifying rows' scores.
bool scanDistribution(Reference reference, const QString &value, Distribution *distribution,
                      QString *error = nullptr);

// The figures of one subject against a sample.
struct Figures {
    bool available = false;     // false: every figure is "—" and `reason` says why
    QString reason;             // why figures are missing (whole or in part), in Persian
    QString description;        // what the figures are relative to, in Persian
    std::array<QString, kColumns> percentile;  // "73", or "—"
    std::array<QString, kColumns> standard;    // "108", or "—"
    std::array<double, kColumns> percentileValue{};
    std::array<double, kColumns> standardValue{};
};
// `scores` are the subject's sixteen stored score texts (subscales in legend
// order, then kol); `answeredAll` whether all 90 of his items are answered;
// `subjectValue` his sex or group, as the reference asks (empty: not recorded).
Figures figures(const QStringList &scores, bool answeredAll, const QString &subjectValue, const Sample &sample);

// The standing of a stored subject, read from the database: his answers
// and scores, then the reference sample.
Figures standingOf(const QString &code, Reference reference, QString *error = nullptr);

// The SQL condition of the reference sample over IDE joined with Answer.
QString completeAndKeyedCondition();
// The SQL condition of a keyed subject: all sixteen scores stored.
QString keyedCondition();
// The SQL join of IDE with each subject's Answer row ("JOIN" or "LEFT JOIN").
QString subjectsWithAnswers(const QString &join = QStringLiteral("JOIN"));

}  // namespace Standing
