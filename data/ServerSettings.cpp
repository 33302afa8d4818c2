#include "data/ServerSettings.h"

#include "platform/ProgramFolder.h"

#include <QFileInfo>
#include <QHostAddress>
#include <QSaveFile>
#include <QSettings>
#include <QUrl>
#include <QUrlQuery>

namespace {
const QStringList kSslModes = {"disable", "allow", "prefer", "require", "verify-ca", "verify-full"};
const QString kGroup = QStringLiteral("server");
}  // namespace

QString ServerSettings::display() const
{
    return QStringLiteral("%1@%2:%3/%4").arg(user, host).arg(port).arg(database);
}

namespace {
// A value in libpq's connection string: quoted, with ' and \ escaped (Qt's
// driver puts the options in as they are, ';' turned into blanks).
QString libpqQuoted(QString value)
{
    value.replace('\\', QStringLiteral("\\\\"));
    value.replace('\'', QStringLiteral("\\'"));
    return '\'' + value + '\'';
}
}  // namespace

bool ServerSettings::isLoopback(const QString &host)
{
    if (host.startsWith('/') || host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

QString ServerSettings::connectOptions() const
{
    // A server that does not answer is given up after a few seconds, not minutes.
    QString options = QStringLiteral("sslmode=%1;connect_timeout=5;application_name=Mehrsan").arg(sslMode);
    if (!sslRootCert.isEmpty())
        options += QStringLiteral(";sslrootcert=") + libpqQuoted(sslRootCert);
    if (!hostAddress.isEmpty())
        options += QStringLiteral(";hostaddr=") + hostAddress;
    return options;
}

void ServerSettings::applyTo(QSqlDatabase &db) const
{
    db.setHostName(host);
    db.setPort(port);
    db.setDatabaseName(database);
    db.setUserName(user);
    db.setConnectOptions(connectOptions());
}

bool ServerSettings::fromUrl(const QString &text, ServerSettings *out, QString *why)
{
    auto fail = [why](const QString &reason) {
        if (why)
            *why = reason;
        return false;
    };
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || (url.scheme() != "postgresql" && url.scheme() != "postgres"))
        return fail(QStringLiteral("آدرس سرور بايد به شکل postgresql://کاربر@ميزبان:درگاه/بانک باشد"));
    if (!url.password().isEmpty())
        return fail(QStringLiteral("رمز عبور را در آدرس ننويسيد؛ آن را در فايل رمز PostgreSQL (pgpass) يا PGPASSWORD بگذاريد"));
    ServerSettings s;
    s.host = url.host();
    s.port = url.port(5432);
    s.database = url.path().mid(1);
    s.user = url.userName();
    const QUrlQuery query(url);
    s.hostAddress = query.queryItemValue("hostaddr");
    if (!s.hostAddress.isEmpty() && QHostAddress(s.hostAddress).isNull())
        return fail(QStringLiteral("hostaddr بايد نشاني IP باشد: %1").arg(s.hostAddress));
    // Over a network the server's certificate is checked against its name,
    // unless a weaker mode is written out; what counts is the address
    // actually dialled, not a loopback name given beside it.
    s.sslMode = query.hasQueryItem("sslmode") ? query.queryItemValue("sslmode")
                : s.isLocal()                 ? QStringLiteral("prefer")
                                              : QStringLiteral("verify-full");
    if (!kSslModes.contains(s.sslMode))
        return fail(QStringLiteral("حالت TLS ناشناخته است: %1").arg(s.sslMode));
    s.sslRootCert = query.queryItemValue("sslrootcert", QUrl::FullyDecoded);
    if (s.sslRootCert.isEmpty() && s.sslMode.startsWith(QLatin1String("verify-")))
        s.sslRootCert = systemCertificates();
    if (s.sslRootCert.contains(';') || s.sslRootCert.contains('\n'))
        return fail(QStringLiteral("نام فايل گواهي نبايد ; يا سطر تازه داشته باشد"));
    if (!s.isValid() || s.database.contains('/'))
        return fail(QStringLiteral("ميزبان، کاربر و نام بانک اطلاعاتي در آدرس لازم است"));
    *out = s;
    return true;
}

QString ServerSettings::file() { return ProgramFolder::file(QStringLiteral("DBServer.ini")); }

bool ServerSettings::exists() { return QFileInfo::exists(file()); }

bool ServerSettings::read(ServerSettings *out, QString *why)
{
    QSettings ini(file(), QSettings::IniFormat);
    ServerSettings s;
    ini.beginGroup(kGroup);
    s.host = ini.value("host").toString();
    s.port = ini.value("port", 5432).toInt();
    s.database = ini.value("database").toString();
    s.user = ini.value("user").toString();
    s.sslMode = ini.value("sslmode", "prefer").toString();
    s.sslRootCert = ini.value("sslrootcert").toString();
    s.hostAddress = ini.value("hostaddr").toString();
    ini.endGroup();
    if (ini.status() != QSettings::NoError || !s.isValid() || s.port <= 0 || !kSslModes.contains(s.sslMode)) {
        if (why)
            *why = QStringLiteral("فايل اتصال به سرور ناقص است:\n%1").arg(file());
        return false;
    }
    // A file that calls a network address by a loopback name without checking
    // its certificate (as an older version wrote one) would send the records
    // over the network unchecked.
    if (isLoopback(s.host) && !s.isLocal() && s.isUnverified()) {
        if (why)
            *why = QStringLiteral("فايل اتصال، سرور را با نام %1 مي خواند ولي به نشاني %2 در شبکه وصل مي شود و گواهي "
                                  "آن را نمي سنجد؛ پرونده ها بي حفاظ از شبکه مي گذرند. Mehrsan --connect را دوباره اجرا "
                                  "کنيد تا اتصال با sslmode=verify-full نوشته شود.\n%3")
                       .arg(s.host, s.hostAddress, file());
        return false;
    }
    *out = s;
    return true;
}

bool ServerSettings::write(QString *why) const
{
    // Written whole through a temporary file, so a cut-off write leaves the old one.
    QSaveFile out(file());
    QByteArray text = "; Mehrsan keeps its tables on this PostgreSQL server.\n"
                      "; The password is not kept here: use ~/.pgpass (PGPASSFILE) or PGPASSWORD.\n"
                      "[server]\n";
    text += "host=" + host.toUtf8() + "\n";
    text += "port=" + QByteArray::number(port) + "\n";
    text += "database=" + database.toUtf8() + "\n";
    text += "user=" + user.toUtf8() + "\n";
    text += "sslmode=" + sslMode.toUtf8() + "\n";
    if (!sslRootCert.isEmpty())
        text += "sslrootcert=" + sslRootCert.toUtf8() + "\n";
    if (!hostAddress.isEmpty())
        text += "hostaddr=" + hostAddress.toUtf8() + "\n";
    // It names the server and the user of the records: its owner's alone.
    if (!out.open(QIODevice::WriteOnly) || !out.setPermissions(QFile::ReadOwner | QFile::WriteOwner) ||
        out.write(text) != text.size() || !out.flush() || !out.commit()) {
        if (why)
            *why = QStringLiteral("فايل اتصال نوشته نشد: %1\n%2").arg(file(), out.errorString());
        return false;
    }
    return true;
}
