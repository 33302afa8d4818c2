#pragma once
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlRecord>
#include <QString>

#include <functional>
#include <future>

struct ServerSettings;

// The one connection of the program to DBTavor.mdb. Every table view of every
// window runs on it.
namespace Database {

// Whose a rollback journal left beside the file may be. Only this program's
// own crash journal may be played back: one found while the lock of a program
// that no longer runs was taken over. Any other is foreign.
enum class Journal { Foreign, MayBeOwn };
// Why open() refused a file.
enum class Failure { None, Missing, StrayFile, Damaged, Other };

// Opens the database file read-write, so that SQLite rolls back what a crash
// left half-written, and only then checks it: the tables and columns the
// windows need, and SQLite's quick check of every page. A file that is missing,
// unreadable, not a Mehrsan database or damaged is never created, repaired or
// shown as empty: the reason comes back in Persian and nothing is written.
// A -wal or -shm file beside it (the program never uses WAL), or a journal
// that is not known to be the program's own, refuses the start untouched. A
// journal that may be its own is rolled back with the file and the journal
// kept aside; when the file then fails its checks, both are put back byte for
// byte.
bool open(const QString &file, QString *error = nullptr, Journal journal = Journal::Foreign,
          Failure *failure = nullptr);

// A file of at least `bytes` (-1: none, the default) that nothing was rolled
// back in is opened without waiting for the quick check of every page: the
// check runs on a connection of its own while the windows come up, and every
// Transaction waits for its answer, so nothing is written to a damaged file.
// When the check finds damage, the handler is called on the window thread
// with the same refusal open() would have given; until the file is closed
// every Transaction is refused with it.
void checkAfterOpeningFrom(qint64 bytes);
// The answer of the pages' check in progress (empty when the file is sound),
// to be waited for on another thread; invalid when none runs.
std::shared_future<QString> pagesCheck();
// Work of another thread on the open file (the first count of the scores)
// that must end before the file is closed: `stop` is called, and cleared,
// by close().
void setStopBeforeClose(std::function<void()> stop);
void setDamageHandler(std::function<void(const QString &refusal)> handler);
// A connection to the file that meets another's lock tries again every
// millisecond for up to `milliseconds`, instead of SQLite's own waits, which
// grow to a tenth of a second: so a window waits for a commit only as long
// as the commit takes.
void waitForLocksClosely(QSqlDatabase db, int milliseconds);
bool isOpen();
void close();
// The connection every view runs on. On a server, a connection that was lost
// is opened anew here, so the operation after a failed one finds the server again.
QSqlDatabase connection();
QString fileName();
// The reason a statement failed, as the store gave it; when a statement
// never reached the store (no connection), why the connection failed.
QString errorText(const QSqlError &error);

// The program's store: the server named by the connection file in the program
// folder when there is one, else the database file. *error is in Persian.
bool openStore(QString *error = nullptr);
// Opens the tables on a PostgreSQL server; *error names the host and the reason.
bool openServer(const ServerSettings &settings, QString *error = nullptr);
bool isServer();
// The store in words for messages: the file, or user@host:port/database.
QString storeName();

// A table's columns as stored (on a server the names keep their case).
QSqlRecord record(const QString &table);
// True while a Transaction is open on the connection.
bool inTransaction();

// The four tables on a server that holds none of them yet, each with a key
// column "rowid" that keeps the order rows were stored in, as the file does.
// Runs inside the caller's transaction.
bool createServerTables(QSqlDatabase db, QString *error = nullptr);
// The columns of a table that have an index on the server (a unique key
// first): their values must fit the index's row size.
QStringList indexedColumns(const QString &table);
// The names of the four tables and their columns, in stored order.
QList<QPair<QString, QStringList>> tableColumns();

// True when the file is a SQLite database holding the four tables of the
// program with their columns; otherwise *why says what is wrong, in Persian.
// Opens the file read-only: meant for files other than the open database
// (backups), which no crash of this program can have left a journal for.
bool isProgramDatabase(const QString &file, QString *why = nullptr);

// SQLite's own check of a file, opened read-only: "ok", or what is wrong.
// The full check also compares every index with its table; the quick one
// checks every page but not the index entries.
enum class Check { Quick, Full };
QString checkFile(const QString &file, Check check);

// A read transaction on a connection of its own: while it is held no commit,
// of this process or another, can change the file, so a byte copy taken
// meanwhile is a consistent database. Waits for a commit in progress to end.
class ReadSnapshot
{
public:
    explicit ReadSnapshot(const QString &file);
    ~ReadSnapshot();
    bool isHeld() const { return m_held; }
    QString errorString() const { return m_error; }

private:
    QString m_connection;
    bool m_held = false;
    QString m_error;
};

// The sixteen score columns of IDE in stored order: fifteen subscales, then kol.
QStringList scoreColumns();

// Quotes a table or column name for SQL ("Group", "12").
QString quoted(const QString &name);

// Work that runs inside every Transaction just before it commits (what the
// store keeps about the rows follows them); its failure rolls the
// transaction back. Cleared when the store is closed.
void setBeforeCommit(std::function<bool(QString *why)> work);

// True when the program is on a server and its connection is gone (the
// server restarted or went away); the next operation connects anew.
bool connectionLost();

// How a write on a server lost its connection: before the COMMIT was sent, so
// the server rolled everything back, or while the COMMIT was under way, so the
// changes may or may not be stored.
enum class Loss { None, BeforeCommit, DuringCommit };

// Several changes that are stored together or not at all. Uncommitted work is
// rolled back when the object goes out of scope.
class Transaction
{
public:
    Transaction();
    ~Transaction();
    bool commit();
    bool isActive() const { return m_active; }
    // Why the transaction could not begin or commit (a full disk, a file
    // that is read-only or locked).
    QString errorString() const { return m_error; }
    // Whether a failure so far came from a lost server connection; a write
    // that failed so may be run again once on a new connection.
    Loss loss() const;

private:
    bool m_active = false;
    bool m_lostInCommit = false;
    bool m_lostBeforeCommit = false;
    QString m_error;
};

}  // namespace Database
