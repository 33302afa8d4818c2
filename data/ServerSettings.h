#pragma once
#include <QSqlDatabase>
#include <QString>

// Where the program finds a PostgreSQL server that holds its tables instead of
// the SQLite file: host, port, database, user and TLS mode. The password is
// never part of it: PostgreSQL's own password file (~/.pgpass, $PGPASSFILE) or
// $PGPASSWORD supply it.
struct ServerSettings
{
    QString host;
    int port = 5432;
    QString database;
    QString user;
    QString sslMode = QStringLiteral("prefer");

    bool isValid() const { return !host.isEmpty() && !database.isEmpty() && !user.isEmpty(); }
    // "user@host:port/database", for messages: never a password.
    QString display() const;
    // The options handed to the driver beside host, port, database and user.
    QString connectOptions() const;
    // Sets a PostgreSQL connection to this server (the password left to libpq).
    void applyTo(QSqlDatabase &db) const;

    // "postgresql://user@host:port/database?sslmode=require". A password in the
    // address, an unknown TLS mode or a missing part is refused with *why in Persian.
    static bool fromUrl(const QString &url, ServerSettings *out, QString *why);

    // The connection file in the program folder; its absence means the SQLite file.
    static QString file();
    static bool exists();
    static bool read(ServerSettings *out, QString *why);
    bool write(QString *why) const;
};
