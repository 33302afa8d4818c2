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
    // The CA file that vouches for the server's certificate (verify-ca,
    // verify-full): the one the clinic's IT person names, else the system's.
    QString sslRootCert;
    // Where to reach the host when no name server knows it (libpq's hostaddr);
    // the certificate is still checked against the host's name.
    QString hostAddress;

    // A host on this computer: the loopback names and addresses, or a socket folder.
    static bool isLoopback(const QString &host);
    // The system's store of trusted certificate authorities.
    static QString systemCertificates() { return QStringLiteral("/etc/ssl/certs/ca-certificates.crt"); }
    // True when the connection stays on this computer: the host and the
    // address actually dialled (hostaddr, when given) are both loopback.
    bool isLocal() const { return isLoopback(host) && (hostAddress.isEmpty() || isLoopback(hostAddress)); }
    // True when the server is reached over a network without the certificate
    // checked against its name: anyone on the way could stand in for it.
    bool isUnverified() const { return !isLocal() && sslMode != QLatin1String("verify-full"); }

    bool isValid() const { return !host.isEmpty() && !database.isEmpty() && !user.isEmpty(); }
    // "user@host:port/database", for messages: never a password.
    QString display() const;
    // The options handed to the driver beside host, port, database and user.
    QString connectOptions() const;
    // Sets a PostgreSQL connection to this server (the password left to libpq).
    void applyTo(QSqlDatabase &db) const;

    // "postgresql://user@host:port/database?sslmode=…&sslrootcert=…&hostaddr=…".
    // Without sslmode a connection that leaves this computer (by its host or
    // its hostaddr) gets verify-full, with the system's CA store unless
    // sslrootcert names a CA file; one that stays on it keeps prefer. A weaker mode for a network host is taken only as written
    // out. A password in the address, an unknown TLS mode or a missing part is
    // refused with *why in Persian.
    static bool fromUrl(const QString &url, ServerSettings *out, QString *why);

    // The connection file in the program folder; its absence means the SQLite file.
    static QString file();
    static bool exists();
    static bool read(ServerSettings *out, QString *why);
    bool write(QString *why) const;
};
