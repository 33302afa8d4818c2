#include "shell/ServerCommands.h"

#include "platform/Dialogs.h"

#include "data/Database.h"
#include "data/ServerSettings.h"
#include "data/StoreCopy.h"
#include "platform/ProgramFolder.h"
#include "scoring/ScoreTally.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>

#include <cstdio>

namespace ServerCommands {
namespace {

// A message as the terminal shows it: the sentence, then its technical
// detail on lines of their own.
QString onTerminal(const QString &text)
{
    const MessageParts parts = splitMessage(text);
    return parts.details.isEmpty() ? parts.sentence : parts.sentence + '\n' + parts.details;
}

int say(int status, const QString &text)
{
    std::FILE *out = status == Done ? stdout : stderr;
    std::fputs((onTerminal(text) + '\n').toUtf8().constData(), out);
    std::fflush(out);
    return status;
}

// A warning on the error output; the command goes on.
void warn(const QString &text)
{
    std::fputs((onTerminal(text) + '\n').toUtf8().constData(), stderr);
    std::fflush(stderr);
}

// How many of the program's four tables the server database holds already.
int tablesPresent(QSqlDatabase db)
{
    int present = 0;
    for (const auto &table : Database::tableColumns())
        if (!db.record(Database::quoted(table.first)).isEmpty())
            ++present;
    return present;
}

// The schema that holds the program's tables on the open server.
QString schemaOfTables()
{
    QSqlQuery query(Database::connection());
    query.exec(QStringLiteral("SELECT n.nspname FROM pg_catalog.pg_class AS c JOIN pg_catalog.pg_namespace AS n "
                              "ON n.oid = c.relnamespace WHERE c.oid = pg_catalog.to_regclass('\"IDE\"')"));
    return query.next() ? query.value(0).toString() : QStringLiteral("public");
}

// The roles other than the schema's owner that may create objects in the
// schema of the program's tables ("PUBLIC" for everyone), or empty.
QString rolesThatMayCreate()
{
    QSqlQuery query(Database::connection());
    query.prepare(QStringLiteral(
        "SELECT string_agg(DISTINCT CASE WHEN a.grantee = 0 THEN 'PUBLIC' ELSE pg_catalog.pg_get_userbyid(a.grantee) END, ', ') "
        "FROM pg_catalog.pg_namespace AS n, pg_catalog.aclexplode(COALESCE(n.nspacl, pg_catalog.acldefault('n', n.nspowner))) AS a "
        "WHERE n.nspname = ? AND a.privilege_type = 'CREATE' AND a.grantee <> n.nspowner"));
    query.addBindValue(schemaOfTables());
    return query.exec() && query.next() ? query.value(0).toString() : QString();
}

int connect(const QString &url)
{
    ServerSettings settings;
    QString why;
    if (!ServerSettings::fromUrl(url, &settings, &why))
        return say(BadArguments, why);
    if (settings.isUnverified())
        warn(QStringLiteral("هشدار: با sslmode=%1 گواهي سرور %2 با نام آن سنجيده نمي شود؛ هر کس در راه شبکه "
                                 "باشد مي تواند خود را به جاي سرور جا بزند و پرونده ها را بخواند. در شبکه اي که از آن "
                                 "شما نيست sslmode=verify-full (پيش فرض) را به کار ببريد.")
                      .arg(settings.sslMode, settings.host));
    const QString localFile = ProgramFolder::databaseFile();
    if (!Database::isProgramDatabase(localFile, &why))
        return say(Failed, QStringLiteral("بانک اطلاعاتي اين رايانه قابل استفاده نيست:\n%1\n%2").arg(localFile, why));

    const QString name = QStringLiteral("mehrsan-connect-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    int status = Done;
    QString text;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        settings.applyTo(db);
        if (!db.open()) {
            status = Unreachable;
            text = QStringLiteral("سرور بانک اطلاعاتي %1 در درگاه %2 در دسترس نيست:\n%3")
                       .arg(settings.host)
                       .arg(settings.port)
                       .arg(db.lastError().databaseText().trimmed());
        } else {
            const int present = tablesPresent(db);
            if (present == 0 && !StoreCopy::fillNewServer(db, localFile, &why)) {
                status = Failed;
                text = QStringLiteral("جدول هاي برنامه روي سرور ساخته نشد:\n%1").arg(why);
            } else if (present != 0 && present != int(Database::tableColumns().size())) {
                status = Refused;
                text = QStringLiteral("بانک اطلاعاتي %1 فقط بخشي از جدول هاي برنامه را دارد؛ به آن دست زده نشد")
                           .arg(settings.display());
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    if (status != Done)
        return say(status, text);
    // The tables must now be as the program needs them, whoever made them.
    if (!Database::openServer(settings, &why))
        return say(Refused, why);
    // The score counts are made by whoever may make tables (the owner);
    // without them the program scans the subjects instead.
    QString countsWhy;
    if (!ScoreTally::ensure(&countsWhy))
        warn(countsWhy);
    const QString others = rolesThatMayCreate();
    if (!others.isEmpty())
        warn(QStringLiteral("هشدار: در طرح %1 اين بانک اطلاعاتي نقش هاي ديگر (%2) مي توانند تابع و جدول بسازند؛ "
                            "چنين تابعي مي تواند به جاي توابع خود PostgreSQL در کار ديگران اجرا شود. مدير سرور "
                            "اين اجازه را بردارد: REVOKE CREATE ON SCHEMA %1 FROM PUBLIC")
                 .arg(schemaOfTables(), others));
    Database::close();
    if (!settings.write(&why))
        return say(Failed, why);
    return say(Done, QStringLiteral("اين رايانه از اين پس با بانک اطلاعاتي %1 کار مي کند.\nفايل اتصال: %2")
                         .arg(settings.display(), ServerSettings::file()));
}

// Opens the server of the connection file, or says why not.
int openServer()
{
    if (!ServerSettings::exists())
        return say(BadArguments, QStringLiteral("اين رايانه به سروري وصل نشده است؛ اول Mehrsan --connect را اجرا کنيد"));
    QString why;
    if (!Database::openStore(&why))
        return say(Unreachable, why);
    return Done;
}

int copyToServer(const QString &file)
{
    QString why;
    if (!Database::isProgramDatabase(file, &why))
        return say(BadArguments, QStringLiteral("بانک اطلاعاتي قابل استفاده نيست:\n%1\n%2").arg(file, why));
    if (const int status = openServer(); status != Done)
        return status;
    const bool copied = StoreCopy::replaceServerRows(file, true, {}, &why, ScoreTally::suspend, ScoreTally::rebuild);
    const QString server = Database::storeName();
    Database::close();
    if (!copied)
        return say(Refused, QStringLiteral("اطلاعات به سرور %1 منتقل نشد:\n%2").arg(server, why));
    return say(Done, QStringLiteral("اطلاعات %1 به سرور %2 منتقل شد").arg(file, server));
}

int copyFromServer(const QString &file)
{
    if (file.isEmpty())
        return say(BadArguments, QStringLiteral("نام فايل تازه را بدهيد: Mehrsan --copy-from-server <فايل>"));
    if (QFileInfo::exists(file))
        return say(Refused, QStringLiteral("اين فايل از پيش هست و جايگزين نمي شود: %1").arg(file));
    if (const int status = openServer(); status != Done)
        return status;
    QString why;
    const bool copied = StoreCopy::writeServerToFile(file, {}, &why);
    const QString server = Database::storeName();
    Database::close();
    if (!copied)
        return say(Failed, QStringLiteral("اطلاعات سرور %1 در فايل نوشته نشد:\n%2").arg(server, why));
    return say(Done, QStringLiteral("اطلاعات سرور %1 در فايل %2 نوشته شد").arg(server, file));
}

// Counts every subject anew from the rows and compares with the kept counts;
// what differed is repaired. Exits 1 when any differed.
int recount()
{
    QString why;
    if (!Database::openStore(&why))
        return say(Unreachable, why);
    qint64 differing = 0;
    const bool counted = ScoreTally::recount(true, &differing, &why);
    const QString store = Database::storeName();
    Database::close();
    if (!counted)
        return say(Failed, QStringLiteral("شمارش نمره هاي %1 از نو انجام نشد:\n%2").arg(store, why));
    if (differing == 0)
        return say(Done, QStringLiteral("شمارش نمره هاي %1 با شمارش دوباره از رديف ها يکي است: 0 شمارش متفاوت.").arg(store));
    return say(Differed, QStringLiteral("در %1، %2 شمارش با شمارش دوباره از رديف ها فرق داشت و درست شد. اگر اين "
                                        "دوباره پيش آمد، به پشتيباني خبر دهيد.")
                             .arg(store)
                             .arg(differing));
}

}  // namespace

int run(const QStringList &arguments)
{
    const QString command = arguments.value(1);
    const QString operand = arguments.value(2);
    if (command == QLatin1String("--connect"))
        return operand.isEmpty() ? say(BadArguments, QStringLiteral("آدرس سرور را بدهيد: Mehrsan --connect postgresql://کاربر@ميزبان:درگاه/بانک"))
                                 : connect(operand);
    if (command == QLatin1String("--copy-to-server"))
        return copyToServer(operand.isEmpty() ? ProgramFolder::databaseFile() : operand);
    if (command == QLatin1String("--copy-from-server"))
        return copyFromServer(operand);
    if (command == QLatin1String("--recount"))
        return recount();
    return NotACommand;
}

}  // namespace ServerCommands
