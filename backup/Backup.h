#pragma once
#include "platform/SafeFile.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>

class QWidget;

// The module that copies the database out to a backup file and back.
namespace Backup {

// Bytes moved per step: small and fixed, so memory stays flat whatever the size.
constexpr qint64 kChunk = 4048;

// Called after every chunk with the bytes copied so far and the total.
using Progress = std::function<void(qint64 copied, qint64 total)>;

// Copies source to destination in 4048-byte chunks (progress is told of every
// one), letting the window events run between chunks every 16 ms at the most. The bytes go into a temporary file beside the
// destination, which is flushed to disk and then renamed over the destination
// in one step: the destination is either left as it was or is a whole, exact
// copy. Every write is checked, and the file's length on disk after the last
// one; `verify`, when given, checks the whole copy before it goes in place.
// Returns 1 on success; 0 after it has shown its own error message.
int CopyFileInChunks(const QString &source, const QString &destination, QWidget *owner = nullptr,
                     const Progress &progress = {}, const SafeFile::Verify &verify = {});

// The copy without the message: false with the system's description in *error.
bool copyFile(const QString &source, const QString &destination, const Progress &progress, QString *error,
              const SafeFile::Verify &verify = {});

// Copies the program's database to the target while a read transaction holds
// it, so the copy is one consistent state even when another program commits
// meanwhile; the copy must pass SQLite's integrity check before it replaces
// the target. On a server, a file of the same format is written from one
// snapshot of its rows. Returns 1 on success; 0 after it has shown its error message.
int BackupDatabase(const QString &target, QWidget *owner, const Progress &progress = {});

// SQLite's full integrity check of a database file; *why says what is wrong.
bool isSoundDatabase(const QString &file, QString *why = nullptr);

// True when the file can stand in for the database: a database of this
// program, as long as its own header says, and passing SQLite's integrity check.
// Otherwise *why says what is wrong, in Persian.
bool isRestorableBackup(const QString &file, QString *why = nullptr);

// The schema of the open database file as the program made it: what a
// restored copy may keep (empty on a server or with no database open).
QStringList ownSchema();

// Leaves in a database file (a copy on its way to replace the database) only
// the program's own tables, their indexes named by the program, and what of
// `kept` (ownSchema() of the database it replaces) it holds exactly as there:
// every other trigger, view, index and table is dropped. Then checks the file
// as isSoundDatabase does.
bool keepOnlyOwnSchema(const QString &file, const QStringList &kept, QString *why = nullptr);

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
