#pragma once
#include <QByteArray>
#include <QString>

// The setup that runs is the one whose bytes were checked, checked just
// before it runs. The downloaded file lies in the program folder, where
// others may be able to change or swap it while a box waits; so it is copied
// into a new folder of this program's own (0700, in a parent only its user
// can write), hashed as the copy is written, and only that copy is run. No
// one but the user can open, change or replace it after the check.
namespace VerifiedCopy {

// The copy of `file` under the same name in a new private folder, when it
// has exactly `size` bytes with this SHA-256 (32 bytes); otherwise empty,
// with *why in Persian, and no copy left behind.
QString make(const QString &file, qint64 size, const QByteArray &sha256, QString *why);

// The refusal when the file is not what the publisher signed any more.
QString changedAfterCheckText(const QString &file);

// Where the private folders are made: the user's own runtime folder.
QString parentFolder();

}  // namespace VerifiedCopy
