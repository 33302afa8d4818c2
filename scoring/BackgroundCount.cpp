#include "scoring/BackgroundCount.h"

#include "data/Database.h"
#include "scoring/ScoreTally.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <algorithm>

namespace {
// Subjects a step counts: about a tenth of a second of the file's write lock.
constexpr qint64 kStep = 8000;
}  // namespace

BackgroundCount::BackgroundCount(const QString &file, std::shared_future<QString> pagesCheck, QObject *parent)
    : QThread(parent), m_file(file), m_pagesCheck(std::move(pagesCheck))
{
}

BackgroundCount::~BackgroundCount() { stop(); }

void BackgroundCount::stop()
{
    m_stop = true;
    wait();
}

void BackgroundCount::run()
{
    if (m_pagesCheck.valid()) {
        const QString refusal = m_pagesCheck.get();
        if (!refusal.isEmpty()) {
            emit done(false, refusal);
            return;
        }
    }
    const QString connection = QStringLiteral("mehrsan-count-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QString why;
    bool counted = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(m_file);
        if (db.open()) {
            // A save of the windows waits for the step in hand, as this waits for it.
            Database::waitForLocksClosely(db, 5000);
            counted = countAll(connection, &why);
        }
        else
            why = Database::errorText(db.lastError());
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    if (!m_stop)
        emit done(counted, why);
}

bool BackgroundCount::countAll(const QString &connection, QString *why)
{
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    QSqlQuery query(db);
    query.exec(QStringLiteral("PRAGMA synchronous=FULL"));
    qint64 last = 0;
    if (query.exec(QStringLiteral("SELECT MAX(rowid) FROM \"IDE\"")) && query.next())
        last = query.value(0).toLongLong();
    query.finish();
    bool finished = false;
    int busy = 0;
    while (!finished && !m_stop) {
        if (!query.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
            // The windows hold the file longer than a step waits: try again.
            if (++busy > 20) {
                *why = Database::errorText(query.lastError());
                return false;
            }
            continue;
        }
        busy = 0;
        if (!ScoreTally::countStep(db, kStep, &finished, why) || !query.exec(QStringLiteral("COMMIT"))) {
            if (why->isEmpty())
                *why = Database::errorText(query.lastError());
            query.exec(QStringLiteral("ROLLBACK"));
            return false;
        }
        QSqlQuery state(db);
        if (last > 0 && state.exec(QStringLiteral("SELECT \"CountedTo\" FROM \"TallyState\"")) && state.next())
            emit progressed(state.value(0).isNull() ? 100 : int(std::clamp<qint64>(state.value(0).toLongLong() * 100 / last, 0, 99)));
    }
    return finished;
}
