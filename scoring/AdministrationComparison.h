#pragma once
#include <QString>
#include <QStringList>

#include <array>

#include "scoring/Standing.h"

// Two keyed administrations of the questionnaire compared scale by scale:
// did the person really change, or is the difference within what the test's
// own error would give? For each of the fifteen subscales and the total the
// reliable-change index of Jacobson and Truax,
//     RCI = (after − before) / (√2 · SD · √(1 − α)),
// with SD and Cronbach's alpha of that scale among the clinic's keyed
// subjects of a reference (all, the same sex, the same group). Every scale
// reads "higher is more of the named ability", so a positive index is an
// improvement. Nothing of it is stored.
namespace AdministrationComparison {

constexpr int kScales = 16;              // the fifteen subscales in the result sheet's order, then the total
constexpr int kMinimumSample = Standing::kMinimumSample;
constexpr double kCriterion = 1.96;      // two-sided 5 per cent

// The sixteen IDE score columns in the result sheet's order (its right
// column, then its left column, the total last).
QStringList scaleColumns();
// A scale's name as the keying window shows it ("نمره كل" for the total).
QString scaleName(int scale);

// One administration as it was registered and keyed.
struct Administration {
    QString code, firstName, familyName, sex, age, group, date, time;
    qint64 key = -1;      // the order the store keeps rows in: later registrations have higher keys
    bool keyed = false;   // all sixteen scores stored as whole numbers
    std::array<qint64, kScales> scores{};
    // Every item of the scale answered (for the total: all 90); a score
    // with an unanswered item counted 0 is no measurement to compare.
    std::array<bool, kScales> complete{};
};

// What one scale's reference sample gives: its size, SD, and alpha where it
// is defined (two respondents or more and a scale that varies).
struct ScaleReference {
    qint64 n = 0;
    double sd = 0;
    bool alphaDefined = false;
    double alpha = 0;
};
using ReferenceFigures = std::array<ScaleReference, kScales>;

enum class Verdict { NotComputed, Improvement, Decline, NoChange };

struct ScaleRow {
    qint64 before = 0, after = 0, difference = 0;
    ScaleReference reference;
    bool computed = false;   // false: the index is "—" and `reason` says why
    double rci = 0;          // to two decimals, as it is shown and judged
    Verdict verdict = Verdict::NotComputed;
    QString reason;
};

struct Comparison {
    Administration before, after;
    Standing::Reference reference = Standing::Reference::All;
    QString referenceValue;        // the "before" registration's sex or group, as the reference asks
    QString referenceDescription;  // whom the figures are relative to, in Persian
    QString referenceMissing;      // not empty: no reference sample at all, and why
    std::array<ScaleRow, kScales> rows;
    QStringList warnings;          // in Persian; they never stop the comparison
};

// ---- The arithmetic, no database.

// The index unrounded; only meaningful when sd > 0 and 0 < alpha < 1.
double reliableChangeIndex(qint64 before, qint64 after, double sd, double alpha);
// Two decimals, half away from zero: the index as it is shown and judged,
// so that a printed 1.96 always reads as a reliable change.
double toTwoDecimals(double value);
Verdict verdictOf(double rci);
QString verdictText(Verdict verdict);  // "—" when not computed
// One scale's row; `referenceMissing` not empty puts it on every row.
ScaleRow scaleRow(int scale, const Administration &before, const Administration &after,
                  const ScaleReference &reference, const QString &referenceMissing = QString());

// A registration's date and time as one number that sorts as they happened
// (year, month, day, hour, minute, second); false when the date cannot be
// read. Digits may be Persian; a time with an afternoon mark counts from noon.
bool registrationMoment(const QString &date, const QString &time, qint64 *moment);
// Whole solar years from one stored date to another; false when either
// cannot be read.
bool wholeYearsBetween(const QString &from, const QString &to, int *years);

// Puts the two in order (registration date, then time; the store's order
// when those are equal or unreadable) and gathers the warnings: different
// sex, ages that cannot belong to one person, dates that run against the
// order the two were registered in, dates that cannot be read.
void order(const Administration &first, const Administration &second, Administration *before,
           Administration *after, QStringList *warnings);

// The whole comparison from two administrations and the reference's figures.
Comparison compare(const Administration &first, const Administration &second, Standing::Reference reference,
                   const QString &referenceValue, const ReferenceFigures &figures);

// ---- From the store.

// One administration by its code (as stored); false with the reason in
// Persian when there is no such subject or the store cannot be read.
bool readAdministration(const QString &code, Administration *administration, QString *error = nullptr);
// n, SD and alpha of every scale among the keyed subjects of a reference:
// a subscale over those who answered its six items (alpha from those six
// answers), the total over those who answered all 90 (alpha with the
// fifteen subscales as its parts). From the counts the store keeps when they
// are whole, else from one pass over the rows.
bool readReference(Standing::Reference reference, const QString &value, ReferenceFigures *figures,
                   QString *error = nullptr);
// Both administrations by code, then the reference of the "before" one
// (his sex or group) and the comparison. False with the reason in Persian
// when a code is not found, is not keyed, or the store cannot be read.
bool compareCodes(const QString &first, const QString &second, Standing::Reference reference, Comparison *comparison,
                  QString *error = nullptr);

// ---- Texts of the window and the sheet.

// The formula, to be laid out left to right.
QString formulaText();
// A figure as a right-to-left line shows it: a left-to-right mark before it
// keeps a minus sign at the number's left.
QString shownFigure(const QString &figure);
// The distinct reasons of the rows whose index is "—", in row order: the
// notes under the table. A row's note is its reason's place in it, from 1.
QStringList notes(const Comparison &comparison);
int noteOf(const Comparison &comparison, int scale);
// The texts of a row as the table, the sheet and the CSV show them: before,
// after, difference, n, SD, alpha, the index ("—" where not computed, with
// its note number when `numbered`) and the verdict.
QStringList rowTexts(const Comparison &comparison, int scale, bool numbered = true);
QString directionText();
// The registration line: code, names, date and time, sex, age, group.
QString registrationLine(const Administration &administration);

}  // namespace AdministrationComparison
