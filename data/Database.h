#pragma once
#include <QSqlDatabase>
#include <QString>

// The one connection of the program to DBTavor.mdb. Every table view of every
// window runs on it.
namespace Database {

// Opens the database file. A file that is missing, unreadable or not a Mehrsan
// database is never created or repaired: the reason comes back in Persian.
bool open(const QString &file, QString *error = nullptr);
bool isOpen();
void close();
QSqlDatabase connection();
QString fileName();

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
