#pragma once
#include "platform/SafeFile.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>

// The database file's copies, without windows: the chunked copy, the checks a
// file passes before it may stand in for the database, and the schema a
// restored copy may keep. The backup window, the exit prompt and the start's
// offer for a damaged file use them.
namespace Backup {

// Bytes moved per step: small and fixed, so memory stays flat whatever the size.
constexpr qint64 kChunk = 4048;

// The file dialogs' type of backup files.
inline QString fileFilter() { return QStringLiteral("Database Backup |*.mdbB"); }

// Called after every chunk with the bytes copied so far and the total.
using Progress = std::function<void(qint64 copied, qint64 total)>;

// Copies source to destination in steps of kChunk bytes (progress is told of
// every one), letting the window events run every 16 ms at the most. The bytes
// go into a hidden file beside the destination, flushed to disk and renamed
// over it in one step once `verify` (when given) passed: the destination is
// either as it was or a whole, exact copy. False with the system's
// description in *error.
bool copyFile(const QString &source, const QString &destination, const Progress &progress, QString *error,
              const SafeFile::Verify &verify = {});

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

}  // namespace Backup
