#include "data/Database.h"

#include "data/ServerSettings.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/ProgramFolder.h"

#include <libpq-fe.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

#include <sqlite3.h>

#include <cstdio>
#include <ctime>
#include <future>
#include <utility>

namespace Database {
namespace {
const QString kConnection = QStringLiteral("mehrsan");
const QString kCheckConnection = QStringLiteral("mehrsan-check");
const QString kRowKey = QStringLiteral("rowid");

bool s_server = false;
bool s_inTransaction = false;
std::function<bool(QString *)> s_beforeCommit;

// The quick check of a file opened without waiting for it.
qint64 s_checkAfterOpeningFrom = -1;
std::shared_future<QString> s_pendingCheck;  // its answer: empty when sound, else the refusal
std::function<void()> s_stopBeforeClose;     // ends another thread's work on the file
int s_openings = 0;                          // which opening a late answer belongs to
std::function<void(const QString &)> s_damageHandler;

// The server connection underneath Qt's driver, or null.
PGconn *serverHandle(const QSqlDatabase &db)
{
    if (!db.isValid() || !db.driver())
        return nullptr;
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || (qstrcmp(handle.typeName(), "PGconn*") != 0 && qstrcmp(handle.typeName(), "pg_conn*") != 0))
        return nullptr;
    return *static_cast<PGconn *const *>(handle.data());
}

// Each table's unique key: a subject's code, an item's number.
QString uniqueColumn(const QString &table)
{
    if (table == "IDE" || table == "Answer")
        return QStringLiteral("Code");
    if (table == "QU")
        return QStringLiteral("ID");
    return QString();
}

// The columns each table must have for the windows to work.
}  // namespace

QStringList indexedColumns(const QString &table)
{
    QStringList columns;
    if (!uniqueColumn(table).isEmpty())
        columns << uniqueColumn(table);
    if (table == QLatin1String("IDE"))
        columns << QStringLiteral("Group") << QStringLiteral("FName") << QStringLiteral("LName");
    return columns;
}

QList<QPair<QString, QStringList>> tableColumns()
{
    QStringList ide = {"Code", "FName", "LName", "Sen", "Jens", "Taahol", "Tahsil", "Group", "Date", "Time"};
    ide += scoreColumns();
    QStringList answer = {"Code"};
    for (int i = 1; i <= 90; ++i)
        answer << QString::number(i);
    return {{"Theme", {"TH", "Name", "Adress", "tafsir"}},
            {"IDE", ide},
            {"Answer", answer},
            {"QU", {"ID", "QUs"}}};
}

namespace {
bool checkTables(QSqlDatabase &db, QString *why)
{
    for (const auto &[table, columns] : tableColumns()) {
        const QSqlRecord record = db.record(db.driverName() == "QPSQL" ? quoted(table) : table);
        if (record.isEmpty()) {
            if (why)
                *why = QStringLiteral("جدول %1 در بانک اطلاعاتي نيست").arg(leftToRight(table));
            return false;
        }
        for (const QString &column : columns) {
            if (record.indexOf(column) < 0) {
                if (why)
                    *why = QStringLiteral("ستون %1 در جدول %2 نيست").arg(leftToRight(column), leftToRight(table));
                return false;
            }
        }
    }
    return true;
}

bool hasSqliteHeader(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    return f.read(16) == QByteArray("SQLite format 3\0", 16);
}
}  // namespace

QStringList scoreColumns()
{
    return {"khodagahi", "ebrazevojood", "ezatenafs", "khoodshkofaee", "esteghlal",
            "hamdeli", "masooliatpaz", "ravabet", "halemas", "vaghegaraee",
            "enetafpaz", "tahalol", "control", "khooshbini", "shadmani", "kol"};
}

QString quoted(const QString &name)
{
    QString n = name;
    n.replace('"', "\"\"");
    return '"' + n + '"';
}

namespace {
bool fail(QString *why, const QString &text)
{
    if (why)
        *why = text;
    return false;
}

// What the file looks like before SQLite is asked: there, and a SQLite file.
bool looksLikeDatabase(const QString &file, QString *why)
{
    if (!QFileInfo(file).isFile())
        return fail(why, QStringLiteral("فايل پيدا نشد"));
    if (!hasSqliteHeader(file))
        return fail(why, QStringLiteral("اين فايل بانک اطلاعاتي اين برنامه نيست"));
    return true;
}

// The first line of a check pragma's answer: "ok" or the first fault found.
QString runCheck(QSqlDatabase &db, Check check)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(check == Check::Quick ? QStringLiteral("PRAGMA quick_check") : QStringLiteral("PRAGMA integrity_check")))
        return q.lastError().text();
    if (!q.next())
        return q.lastError().isValid() ? q.lastError().text() : QStringLiteral("no answer");
    return q.value(0).toString();
}

QString damagedText(const QString &detail)
{
    return QStringLiteral("بانک اطلاعاتي آسيب ديده است.") + technicalDetail(detail);
}

// Runs `work` on a read-only connection of its own to the file.
template<typename Work>
void withReadOnlyConnection(const QString &name, const QString &file, Work work)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
        db.setDatabaseName(file);
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        work(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}
}  // namespace

bool isProgramDatabase(const QString &file, QString *why)
{
    if (!looksLikeDatabase(file, why))
        return false;
    bool ok = false;
    withReadOnlyConnection(kCheckConnection, file, [&](QSqlDatabase &db) {
        if (!db.open())
            fail(why, QStringLiteral("بانک اطلاعاتي باز نشد"));
        else
            ok = checkTables(db, why);
    });
    return ok;
}

QString checkFile(const QString &file, Check check)
{
    QString result = QStringLiteral("the file did not open");
    withReadOnlyConnection(kCheckConnection, file, [&](QSqlDatabase &db) {
        if (db.open())
            result = runCheck(db, check);
    });
    return result;
}

namespace {
// The file and its journal copied aside before SQLite plays the journal
// back, so that a rollback whose result fails the checks can be undone.
class KeptAside
{
public:
    KeptAside(const QString &file, const QString &journal) : m_file(file), m_journal(journal) {}
    ~KeptAside() { discard(); }
    bool keep()
    {
        for (const QString &original : {m_file, m_journal}) {
            const QString copy = asideName(original);
            QFile::remove(copy);
            if (!QFile::copy(original, copy))
                return false;
        }
        m_kept = true;
        return true;
    }
    bool putBack()
    {
        bool ok = m_kept;
        for (const QString &original : {m_file, m_journal})
            ok = ok && FileSystem::replace(asideName(original), original);
        m_kept = false;
        return ok;
    }
    void discard()
    {
        for (const QString &original : {m_file, m_journal})
            QFile::remove(asideName(original));
        m_kept = false;
    }

private:
    static QString asideName(const QString &file)
    {
        const QFileInfo fi(file);
        return fi.absolutePath() + QStringLiteral("/.") + fi.fileName() + QStringLiteral(".before-rollback");
    }
    QString m_file, m_journal;
    bool m_kept = false;
};

// A journal SQLite would play back: one that has begun with its header. A
// journal whose header was never written (SQLite zeroes it until the journal
// is synced) changed nothing in the file and is passed over by SQLite.
bool isHotJournal(const QString &journal)
{
    // Only a plain file is read: opening a FIFO or a device at the name would
    // hold the start; strayFileBeside() names anything else that is there.
    if (!FileSystem::entry(journal, false).regular)
        return false;
    QFile f(journal);
    char first = 0;
    return f.open(QIODevice::ReadOnly) && f.getChar(&first) && first != 0;
}

// A WAL file of any database beside this one (the program never uses WAL),
// or at the journal's name something SQLite could not use as its own
// journal: a folder, a link, a file its owner may not read and write.
QString strayFileBeside(const QString &file)
{
    for (const char *suffix : {"-wal", "-shm"})
        if (FileSystem::entry(file + QLatin1String(suffix), false).exists)
            return file + QLatin1String(suffix);
    const QString journal = file + QStringLiteral("-journal");
    const FileSystem::Entry j = FileSystem::entry(journal, false);
    if (j.exists && (!j.regular || !j.ownerReadWrite || !FileSystem::mayReadWrite(journal)))
        return journal;
    return QString();
}

// Why the file must not be written by this program, or empty: a second name
// of the same file lets a second program write it with a lock and a journal
// of its own; a file made read-only stays as it was made.
QString refusalOfFile(const QString &file)
{
    const FileSystem::Entry st = FileSystem::entry(file, true);
    if (!st.exists || !st.regular)
        return QString();
    if (st.links > 1)
        return QStringLiteral("اين فايل در جاي ديگري هم با نام ديگري هست (%1 نام براي يک فايل)؛ "
                              "اگر برنامه ديگري از راه آن نام در همين فايل بنويسد، داده ها از بين مي روند.\n"
                              "بانک اطلاعاتي دست نخورده است. نام ديگر را پاک کنيد يا به جاي آن يک نسخه "
                              "جداگانه بگذاريد و برنامه را دوباره باز کنيد.")
            .arg(st.links);
    if (!st.ownerWritable || !FileSystem::mayWrite(file))
        return QStringLiteral("اين فايل فقط خواندني است و برنامه در آن چيزي نمي نويسد.\n"
                              "بانک اطلاعاتي دست نخورده است. اگر بايد در آن ثبت شود، اجازه نوشتن در آن را "
                              "بدهيد و برنامه را دوباره باز کنيد.");
    return QString();
}

QString strayFileText(const QString &stray)
{
    // Whose the file is cannot be known: another program may have left it.
    return QStringLiteral("کنار بانک اطلاعاتي فايل %1 هست که معلوم نيست از کدام برنامه مانده است؛ به کار بردن آن "
                          "ممکن است داده ها را تغيير دهد.\nبانک اطلاعاتي دست نخورده است. اين فايل را از پوشه "
                          "%2 به جاي ديگري ببريد و برنامه را دوباره باز کنيد.")
        .arg(leftToRight(QFileInfo(stray).fileName()), leftToRight(QFileInfo(stray).dir().dirName()));
}

namespace {
// The limit in milliseconds rides in the handler's own pointer.
int tryAgainInAMillisecond(void *limit, int tries)
{
    if (tries >= int(reinterpret_cast<intptr_t>(limit)))
        return 0;
    const timespec millisecond{0, 1000000};
    nanosleep(&millisecond, nullptr);
    return 1;
}
}  // namespace

// The first check of a file opened read-write: tables, columns and, unless
// they are checked while the windows come up, pages.
bool checkOpened(QSqlDatabase &db, QString *why, bool pagesLater)
{
    waitForLocksClosely(db, 5000);
    if (!checkTables(db, why))
        return false;
    if (pagesLater)
        return true;
    // A damaged page must never pass for an empty or shorter table.
    const QString check = runCheck(db, Check::Quick);
    if (check != QLatin1String("ok"))
        return fail(why, damagedText(check));
    return true;
}

QString refusalText(const QString &file, const QString &why)
{
    return QStringLiteral("بانک اطلاعاتي برنامه قابل استفاده نيست:\n%1\n%2").arg(leftToRight(file), why);
}

// The quick check on a read-only connection of its own thread; a damaged
// file is reported to the window thread.
void checkPagesMeanwhile(const QString &file)
{
    const int opening = ++s_openings;
    s_pendingCheck = std::async(std::launch::async, [file, opening] {
                         QString check = QStringLiteral("the file did not open");
                         withReadOnlyConnection(QStringLiteral("mehrsan-pages-check"), file, [&](QSqlDatabase &db) {
                             if (db.open())
                                 check = runCheck(db, Check::Quick);
                         });
                         if (check == QLatin1String("ok"))
                             return QString();
                         const QString refusal = refusalText(file, damagedText(check));
                         if (QCoreApplication *app = QCoreApplication::instance())
                             QMetaObject::invokeMethod(app, [refusal, opening] {
                                 if (opening == s_openings && s_damageHandler)
                                     s_damageHandler(refusal);
                             }, Qt::QueuedConnection);
                         return refusal;
                     }).share();
}

// Waits for the pages' check of the open file; false with its refusal when
// it found damage.
bool pagesAreSound(QString *refusal)
{
    if (!s_pendingCheck.valid())
        return true;
    *refusal = s_pendingCheck.get();
    return refusal->isEmpty();
}

void forgetPagesCheck()
{
    if (s_pendingCheck.valid())
        s_pendingCheck.wait();
    s_pendingCheck = {};
    ++s_openings;
}
}  // namespace

void checkAfterOpeningFrom(qint64 bytes) { s_checkAfterOpeningFrom = bytes; }
std::shared_future<QString> pagesCheck() { return s_pendingCheck; }
void setStopBeforeClose(std::function<void()> stop) { s_stopBeforeClose = std::move(stop); }
void setDamageHandler(std::function<void(const QString &refusal)> handler) { s_damageHandler = std::move(handler); }

bool open(const QString &file, QString *error, Journal journal, Failure *failure)
{
    close();
    s_server = false;
    QString why;
    Failure kind = Failure::Other;
    const QString journalFile = file + QStringLiteral("-journal");
    const bool hot = isHotJournal(journalFile);
    // After a crash the pages are checked before anything else happens.
    const bool pagesLater = !hot && journal == Journal::Foreign && s_checkAfterOpeningFrom >= 0 && QFileInfo(file).size() >= s_checkAfterOpeningFrom;
    KeptAside aside(file, journalFile);
    // A file the program must not write is never offered a restore, even
    // when its header looks damaged.
    if (const QString refusal = refusalOfFile(file); !refusal.isEmpty()) {
        why = refusal;
    } else if (!looksLikeDatabase(file, &why)) {
        const QFileInfo fi(file);
        kind = !fi.isFile() ? Failure::Missing : fi.isReadable() ? Failure::Damaged : Failure::Other;
    } else if (const QString stray = strayFileBeside(file); !stray.isEmpty()) {
        // SQLite would play a -wal back into any file beside it.
        why = strayFileText(stray);
        kind = Failure::StrayFile;
    } else if (hot && journal == Journal::Foreign) {
        why = strayFileText(journalFile);
        kind = Failure::StrayFile;
    } else if (hot && !aside.keep()) {
        why = QStringLiteral("براي برگرداندن کار نيمه تمام، جاي نگه داشتن نسخه اي از بانک اطلاعاتي نيست");
    } else {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", kConnection);
        db.setDatabaseName(file);
        // Read-write from the first read on: a journal a crash left beside the
        // file is rolled back by SQLite before anything is read, which a
        // read-only connection cannot do.
        if (!db.open()) {
            why = QStringLiteral("بانک اطلاعاتي باز نشد.") + technicalDetail(db.lastError().text());
        } else if (checkOpened(db, &why, pagesLater)) {
            aside.discard();
            // At rest the one file is the whole database, so a byte copy of it is a backup.
            QSqlQuery q(db);
            q.exec("PRAGMA journal_mode=DELETE");
            q.exec("PRAGMA synchronous=FULL");
            if (pagesLater)
                checkPagesMeanwhile(file);
            return true;
        } else {
            kind = Failure::Damaged;
        }
    }
    close();
    // What the journal made of the file is not kept: the file and the journal
    // go back as they were.
    aside.putBack();
    if (failure)
        *failure = kind;
    return fail(error, refusalText(file, why));
}

ReadSnapshot::ReadSnapshot(const QString &file)
    : m_connection(QStringLiteral("mehrsan-snapshot-%1").arg(quintptr(this), 0, 16))
{
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", m_connection);
    db.setDatabaseName(file);
    db.setConnectOptions("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=30000");
    if (!db.open()) {
        m_error = db.lastError().text();
        return;
    }
    // BEGIN alone takes no lock; the first read takes the shared lock that
    // keeps every writer from committing until it is released.
    QSqlQuery q(db);
    if (!q.exec("BEGIN") || !q.exec("SELECT count(*) FROM sqlite_master") || !q.next()) {
        m_error = q.lastError().text();
        return;
    }
    q.finish();
    m_held = true;
}

ReadSnapshot::~ReadSnapshot()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        if (m_held) {
            QSqlQuery q(db);
            q.exec("COMMIT");
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

void waitForLocksClosely(QSqlDatabase db, int milliseconds)
{
    const QVariant handle = db.driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return;
    if (sqlite3 *file = *static_cast<sqlite3 *const *>(handle.constData()))
        sqlite3_busy_handler(file, tryAgainInAMillisecond, reinterpret_cast<void *>(intptr_t(milliseconds)));
}

bool isOpen() { return QSqlDatabase::contains(kConnection) && connection().isOpen(); }

void close()
{
    if (auto stop = std::exchange(s_stopBeforeClose, nullptr))
        stop();
    forgetPagesCheck();
    if (!QSqlDatabase::contains(kConnection))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(kConnection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(kConnection);
    s_inTransaction = false;
    s_server = false;
    s_beforeCommit = nullptr;
}

void setBeforeCommit(std::function<bool(QString *why)> work) { s_beforeCommit = std::move(work); }

QSqlDatabase connection()
{
    QSqlDatabase db = QSqlDatabase::database(kConnection, false);
    // A lost server connection is opened anew before the next operation, never
    // inside a transaction: its remaining statements must fail, not run alone.
    if (s_server && !s_inTransaction && db.isValid()) {
        PGconn *handle = serverHandle(db);
        if (!db.isOpen() || !handle || PQstatus(handle) == CONNECTION_BAD) {
            db.close();
            db.open();
        }
    }
    return db;
}

QString errorText(const QSqlError &error)
{
    if (!error.text().trimmed().isEmpty())
        return error.text();
    const QSqlError connectionError = QSqlDatabase::database(kConnection, false).lastError();
    if (!connectionError.text().trimmed().isEmpty())
        return connectionError.text();
    return QStringLiteral("ارتباط با بانک اطلاعاتي برقرار نيست");
}

QString fileName() { return isOpen() && !s_server ? connection().databaseName() : QString(); }

bool isServer() { return s_server && QSqlDatabase::contains(kConnection); }

QString storeName()
{
    if (!isServer())
        return fileName();
    const QSqlDatabase db = QSqlDatabase::database(kConnection, false);
    return QStringLiteral("%1@%2:%3/%4").arg(db.userName(), db.hostName()).arg(db.port()).arg(db.databaseName());
}

QSqlRecord record(const QString &table)
{
    QSqlDatabase db = connection();
    if (!s_server)
        return db.record(table);
    QSqlRecord r = db.record(quoted(table));
    const int key = r.indexOf(kRowKey);
    if (key >= 0)
        r.remove(key);
    return r;
}

bool inTransaction() { return s_inTransaction; }

bool openServer(const ServerSettings &settings, QString *error)
{
    close();
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", kConnection);
        settings.applyTo(db);
        QString why;
        if (!db.open()) {
            if (error)
                *error = QStringLiteral("سرور بانک اطلاعاتي %1 در درگاه %2 در دسترس نيست.")
                             .arg(leftToRight(settings.host))
                             .arg(settings.port) +
                         technicalDetail(db.lastError().databaseText().trimmed());
        } else if (!checkTables(db, &why)) {
            if (error)
                *error = QStringLiteral("بانک اطلاعاتي %1 روي سرور براي اين برنامه آماده نيست:\n%2")
                             .arg(settings.display(), why);
        } else {
            ok = true;
        }
    }
    if (!ok) {
        QSqlDatabase::removeDatabase(kConnection);
        return false;
    }
    s_server = true;
    return true;
}

bool openStore(QString *error)
{
    if (!ServerSettings::exists())
        return open(ProgramFolder::databaseFile(), error);
    ServerSettings settings;
    return ServerSettings::read(&settings, error) && openServer(settings, error);
}

bool createServerTables(QSqlDatabase db, QString *error)
{
    // Text compared byte by byte ("C"), as the file compares it: the same order
    // of names in the lists and the same matches in the filters.
    QStringList statements;
    for (const auto &[table, columns] : tableColumns()) {
        QStringList defs = {kRowKey + " bigint GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY"};
        for (const QString &c : columns) {
            QString def = quoted(c) + " text COLLATE \"C\"";
            if (c == uniqueColumn(table))
                def += " NOT NULL UNIQUE";
            defs << def;
        }
        statements << "CREATE TABLE " + quoted(table) + " (" + defs.join(", ") + ")";
    }
    for (const QString &c : indexedColumns(QStringLiteral("IDE")))
        if (c != uniqueColumn(QStringLiteral("IDE")))
            statements << QStringLiteral("CREATE INDEX \"IDE_%1\" ON \"IDE\" (%2)").arg(c, quoted(c));
    QSqlQuery q(db);
    for (const QString &statement : statements) {
        if (!q.exec(statement)) {
            if (error)
                *error = q.lastError().databaseText();
            return false;
        }
    }
    return true;
}

bool connectionLost()
{
    if (!s_server || !QSqlDatabase::contains(kConnection))
        return false;
    const QSqlDatabase db = QSqlDatabase::database(kConnection, false);
    PGconn *handle = serverHandle(db);
    return !db.isOpen() || !handle || PQstatus(handle) == CONNECTION_BAD;
}

Transaction::Transaction()
{
    // Nothing is written to a file whose pages are not known to be sound.
    if (!pagesAreSound(&m_error))
        return;
    QSqlQuery q(connection());
    // On the file, the write lock is taken at once, so two writers queue instead of deadlocking.
    m_active = q.exec(s_server ? "BEGIN" : "BEGIN IMMEDIATE");
    s_inTransaction = m_active;
    if (!m_active) {
        m_error = errorText(q.lastError());
        m_lostBeforeCommit = connectionLost();
    }
}

Loss Transaction::loss() const
{
    if (m_lostInCommit)
        return Loss::DuringCommit;
    // A statement inside that failed because the server was gone.
    if (m_lostBeforeCommit || (m_active && connectionLost()))
        return Loss::BeforeCommit;
    return Loss::None;
}

Transaction::~Transaction()
{
    if (m_active) {
        QSqlQuery q(connection());
        q.exec("ROLLBACK");
        s_inTransaction = false;
    }
}

bool Transaction::commit()
{
    if (!m_active)
        return false;
    QString why;
    if (s_beforeCommit && !s_beforeCommit(&why)) {
        m_error = why;
        m_lostBeforeCommit = connectionLost();
        QSqlQuery(connection()).exec("ROLLBACK");
        m_active = false;
        s_inTransaction = false;
        return false;
    }
    QSqlDatabase db = connection();
    QSqlQuery q(db);
    // A server answers COMMIT of a transaction that had a failed statement by
    // rolling it back without an error: that must not read as stored.
    PGconn *handle = s_server ? serverHandle(db) : nullptr;
    const bool failedInside = s_server && (!handle || PQtransactionStatus(handle) == PQTRANS_INERROR ||
                                           PQtransactionStatus(handle) == PQTRANS_UNKNOWN);
    if (failedInside || !q.exec("COMMIT")) {
        m_error = failedInside ? QStringLiteral("تراکنش روي سرور پذيرفته نشد") : errorText(q.lastError());
        // Lost with the COMMIT on its way: the server may have stored it.
        if (connectionLost())
            (failedInside ? m_lostBeforeCommit : m_lostInCommit) = true;
        q.exec("ROLLBACK");
        m_active = false;
        s_inTransaction = false;
        return false;
    }
    m_active = false;
    s_inTransaction = false;
    return true;
}

}  // namespace Database
