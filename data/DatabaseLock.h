#pragma once
#include <QString>

// One program per database: a lock file beside the database, held for as long
// as the program runs. A second start, on this machine or on another one that
// shares the folder, finds it held and must end without touching the
// database. A lock left by a program that crashed on this machine is taken
// over; one left by another machine stays until that machine's program ends.
namespace DatabaseLock {

enum class Result {
    Taken,         // this process holds the lock now (or already did)
    HeldElsewhere, // another running program holds it: *why names it
    Failed,        // the lock file could not be made: *why says why
};
Result take(const QString &databaseFile, QString *why = nullptr);
// Lets the lock go (the program is ending).
void release();
// The lock file of a database: beside it, with ".lock" appended.
QString lockFileFor(const QString &databaseFile);

}  // namespace DatabaseLock
