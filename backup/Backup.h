#pragma once
#include "data/BackupFile.h"

class QWidget;

// The module that copies the database out to a backup file and back, telling
// the user of a failure in a box of its own.
namespace Backup {

// Copies source to destination in 4048-byte chunks (progress is told of every
// one), letting the window events run between chunks every 16 ms at the most. The bytes go into a temporary file beside the
// destination, which is flushed to disk and then renamed over the destination
// in one step: the destination is either left as it was or is a whole, exact
// copy. Every write is checked, and the file's length on disk after the last
// one; `verify`, when given, checks the whole copy before it goes in place.
// Returns 1 on success; 0 after it has shown its own error message.
int CopyFileInChunks(const QString &source, const QString &destination, QWidget *owner = nullptr,
                     const Progress &progress = {}, const SafeFile::Verify &verify = {});

// Copies the program's database to the target while a read transaction holds
// it, so the copy is one consistent state even when another program commits
// meanwhile; the copy must pass SQLite's integrity check before it replaces
// the target. On a server, a file of the same format is written from one
// snapshot of its rows. Returns 1 on success; 0 after it has shown its error message.
int BackupDatabase(const QString &target, QWidget *owner, const Progress &progress = {});

enum class RestoreResult {
    Refused,       // the file is no database of this program; nothing was touched
    CopyFailed,    // the copy reported its error; the old database is back in use
    Restored,      // the backup is now the database, and it is open
    OtherFailure,  // the database could not be replaced or reopened (*why)
};

// Replaces the program's database by the backup file (on a server: the rows of
// its four tables, in one transaction): checks the file first,
// closes the connection (every table view then reads nothing), copies, and
// opens the database again. A failure at any point leaves the old database whole.
RestoreResult RestoreDatabase(const QString &source, QWidget *owner, const Progress &progress,
                              QString *why = nullptr);

}  // namespace Backup
