#pragma once
#include <QSqlDatabase>
#include <QString>

#include <array>
#include <functional>
#include <map>

// The standing and the group summary of a million subjects cannot scan them
// all each time a subject is keyed. Every figure they show follows from how
// many subjects have each value of a score, of an answer and of a subscale's
// six answers added up, since all of these are small whole numbers. The store
// keeps these counts for every reference (all subjects, each sex, each group)
// in the table "Tally", and triggers of the store itself change them in the
// same transaction as every write to "IDE" or "Answer", whichever program
// makes it. On a server only functions of the tables' owner write the
// counts, and each subject's change is folded in by one transaction at a
// time, so the counts equal a recount whatever several computers do at once.
//
// A count is of subjects: row (reference, value, measure, score) holds how
// many subjects of the reference have that score in that measure. The
// one-row table "TallyState" says the counts are whole and of which layout;
// while it is empty the triggers do nothing and readers scan the rows instead.
namespace ScoreTally {

enum Reference { All = 0, Sex = 1, Group = 2 };

// What a measure counts; its score is the number named.
constexpr int kStanding = 0;     // + column (0-15): the stored score, of those who answered all 90 and were keyed
constexpr int kSubscale = 16;    // + subscale (0-14): the stored score, keyed and the subscale's six answered
constexpr int kRegistered = 31;  // every subject, score 0
constexpr int kKeyed = 32;       // keyed subjects, score 0
constexpr int kItem = 33;        // + 6 * subscale + k: the answer to the subscale's k-th item, keyed and six answered
constexpr int kSixSum = 123;     // + subscale: its six answers added up, keyed and six answered
constexpr int kMeasures = 138;

// The counts of one reference: per measure, score -> subjects.
using Counts = std::array<std::map<qint64, qint64>, kMeasures>;

// True when the store holds whole counts of this layout.
bool isCurrent();
// Makes the tables and triggers of this layout when any is missing or of
// another; from then on every change is folded in. A server counts at once;
// on the file the subjects are left to countStep() (isCounting() until they
// are all counted; readers scan meanwhile). False with the reason in Persian
// when the store cannot be changed (a server role that does not own the tables).
bool prepare(QString *error = nullptr);
// True while the file's subjects are not all counted yet.
bool isCounting();
// One step of the file's count on connection `db` (the program's, or one of
// a thread of its own), inside the caller's write transaction: up to
// `subjects` more subjects (-1: all that are left). A step cut off by a
// crash is rolled back with its transaction; the next start goes on from there.
bool countStep(QSqlDatabase db, qint64 subjects, bool *finished, QString *error = nullptr);
// Makes the counts whole at once (prepare(), then every step on the
// program's connection). False with the reason in Persian when
// the store cannot be changed (a server role without the right); readers
// then scan the rows.
bool ensure(QString *error = nullptr);
// Counts every subject anew, inside the caller's transaction; true at once
// on a store that keeps no counts.
bool rebuild(QString *error = nullptr);
// Counts every subject from the rows and compares with the kept counts:
// *differing is how many counts differed (0 when they are right). With
// `repair` the kept counts become the recount, in a transaction of its own.
bool recount(bool repair, qint64 *differing, QString *error = nullptr);
// Marks the counts as not whole, inside the caller's transaction, before a
// bulk change of the rows that is followed by rebuild(): the triggers then
// stay idle instead of running once per row.
bool suspend(QString *error = nullptr);

// The counts of one reference value (ignored for All), measures below `below`
// only; false when they are not current or could not be read.
bool read(Reference reference, const QString &value, Counts *counts, int below = kMeasures,
          QString *error = nullptr);

}  // namespace ScoreTally
