#pragma once
#include <QString>

// What the programs ask of the file system beyond Qt: whether a name holds a
// plain file its owner may use, how many names a file has, syncing to disk,
// replacing a file by another one durably, and a lock on a file held by an
// open handle. Paths are Qt's (forward slashes); on Windows they go to the
// system as UTF-16, so that Persian folder names work.
namespace FileSystem {

struct Entry {
    bool exists = false;          // anything at the name, a link that leads nowhere included
    bool regular = false;         // a plain file (not a folder, not a link when not followed)
    bool ownerReadWrite = false;  // its mode lets its owner read and write it
    bool ownerWritable = false;   // its mode lets its owner write it (not made read-only)
    qint64 links = 0;             // names the file has
};
// What is at path; followLinks=false looks at a symbolic link itself.
Entry entry(const QString &path, bool followLinks);

// Whether this process may read and write (or only write) the file now.
bool mayReadWrite(const QString &path);
bool mayWrite(const QString &path);

// Whether the file belongs to the user this program runs as.
bool ownedByMe(const QString &path);

// Flushes the file's bytes (a folder's names, where the system has that) to disk.
bool syncFile(const QString &path);
bool syncFolder(const QString &folder);

// Puts from in place of to (which may exist) in one step, on disk when it
// returns true; *why holds the system's reason otherwise.
bool replace(const QString &from, const QString &to, QString *why = nullptr);

// A file made new for its owner alone (0600 where the system has modes), at a
// free name of prefix and six letters in folder; its descriptor, or -1 with
// errno set. *name is the name taken.
int createPrivateFile(const QString &folder, const QString &prefix, QString *name);
// All of size bytes written to the descriptor: 0, or the system's error number.
int writeAll(int fd, const char *data, qint64 size);
// The descriptor's bytes on disk and their count: 0, or the error number.
int flushToDisk(int fd, qint64 *size);
int closeFile(int fd);
void removeFile(const QString &path);

// A second name for the file (a hard link), on the same disk.
bool hardLink(const QString &file, const QString &newName);

// An exclusive lock held for as long as the handle is open, taken without
// waiting. It does not disturb SQLite's own locks on the same file.
using LockHandle = qintptr;
constexpr LockHandle NoLock = -1;
// NoLock with *blocked false: the file could not be opened (for the caller's
// own open to report). NoLock with *blocked true: another holds the lock.
LockHandle lockFile(const QString &file, bool *blocked);
void unlockFile(LockHandle handle);

}  // namespace FileSystem
