#pragma once
#include <QSqlDatabase>
#include <QString>
#include <QtGlobal>
#include <functional>

// Moves the rows of the four tables between the server the program is open on
// and a database file of the usual SQLite format, so that a backup taken from
// a server restores on a single computer and the other way round.
namespace StoreCopy {

// Called with the rows copied so far and the rows in all.
using Progress = std::function<void(qint64 done, qint64 total)>;

// Writes every row of the server's four tables, in stored order, into a new
// database file, all read from one consistent snapshot while others go on
// writing. The file is built beside `destination` and takes its name only once
// it is complete and on disk; a failure leaves `destination` as it was.
bool writeServerToFile(const QString &destination, const Progress &progress, QString *why);

// Replaces the rows of the server's four tables by those of a database file, in
// one transaction: afterwards the server holds exactly the file's rows, or,
// after any failure, exactly what it held before. With refuseIfSubjects a
// server that already holds subjects is left alone. `beforeRows` and
// `afterRows` run inside the same transaction around the rows' copy (what
// the store keeps about the rows is set aside and made anew there).
using InTransaction = std::function<bool(QString *why)>;
bool replaceServerRows(const QString &file, bool refuseIfSubjects, const Progress &progress, QString *why,
                       const InTransaction &beforeRows = {}, const InTransaction &afterRows = {});

// Makes an empty server database ready: the four tables, with the settings
// row and the item texts of the local database file, in one transaction.
bool fillNewServer(QSqlDatabase server, const QString &localFile, QString *why);

}  // namespace StoreCopy
