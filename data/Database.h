#pragma once
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlRecord>
#include <QString>

struct ServerSettings;

// The one connection of the program to DBTavor.mdb. Every table view of every
// window runs on it.
namespace Database {

// Opens the database file. A file that is missing, unreadable or not a Mehrsan
// database is never created or repaired: the reason comes back in Persian.
bool open(const QString &file, QString *error = nullptr);
bool isOpen();
void close();
// The connection every view runs on. On a server, a connection that was lost
// is opened anew here, so the operation after a failed one finds the server again.
QSqlDatabase connection();
QString fileName();

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
// True when the store refused a row because its key (a subject's code) is taken.
bool isTakenKey(const QSqlError &error);

// The four tables on a server that holds none of them yet, each with a key
// column "rowid" that keeps the order rows were stored in, as the file does.
// Runs inside the caller's transaction.
bool createServerTables(QSqlDatabase db, QString *error = nullptr);
// The names of the four tables and their columns, in stored order.
QList<QPair<QString, QStringList>> tableColumns();

// True when the file is a SQLite database holding the four tables of the
// program with their columns; otherwise *why says what is wrong, in Persian.
bool isProgramDatabase(const QString &file, QString *why = nullptr);

// The sixteen score columns of IDE in stored order: fifteen subscales, then kol.
QStringList scoreColumns();

// Quotes a table or column name for SQL ("Group", "12").
QString quoted(const QString &name);

// Several changes that are stored together or not at all. Uncommitted work is
// rolled back when the object goes out of scope.
class Transaction
{
public:
    Transaction();
    ~Transaction();
    bool commit();
    bool isActive() const { return m_active; }

private:
    bool m_active = false;
};

}  // namespace Database
