#include "FaultTools.h"

#include "data/Database.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>

#include <csignal>

namespace FaultTools {

bool startChild(QProcess &child, const QString &programFolder, const QStringList &arguments)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MEHRSAN_HOME"), programFolder);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::SeparateChannels);
    child.setReadChannel(QProcess::StandardOutput);
    child.start(QCoreApplication::applicationDirPath() + QStringLiteral("/fault_child"), arguments);
    return child.waitForStarted();
}

bool waitUntilOpen(QProcess &child, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    QByteArray seen;
    while (!deadline.hasExpired()) {
        if (child.canReadLine() || child.waitForReadyRead(50)) {
            while (child.canReadLine()) {
                const QByteArray line = child.readLine();
                seen += line;
                if (line.trimmed() == "open")
                    return true;
            }
        } else if (child.state() == QProcess::NotRunning) {
            // What the child said before it ended (a refused start's box) stays readable.
            qWarning("the child ended before it was open: %s", seen.constData());
            return false;
        }
    }
    return false;
}

void killHard(QProcess &child)
{
    if (child.state() == QProcess::NotRunning)
        return;
#ifdef Q_OS_WIN
    child.kill();  // TerminateProcess: no chance to clean up, as SIGKILL
#else
    ::kill(pid_t(child.processId()), SIGKILL);
#endif
    child.waitForFinished(10000);
}

QList<qint64> acknowledged(const QByteArray &output)
{
    QList<qint64> numbers;
    for (const QByteArray &line : output.split('\n'))
        if (line.startsWith("ok "))
            numbers << line.mid(3).trimmed().toLongLong();
    return numbers;
}

QString integrityOf(const QString &file) { return Database::checkFile(file, Database::Check::Full); }

QByteArray hashOf(const QString &file)
{
    QFile f(file);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (f.open(QIODevice::ReadOnly))
        hash.addData(&f);
    return hash.result();
}

bool overwrite(const QString &file, qint64 offset, const QByteArray &bytes)
{
    QFile f(file);
    return f.open(QIODevice::ReadWrite) && f.seek(offset) && f.write(bytes) == bytes.size() && f.flush();
}

qint64 inTablePage(const QString &file, const QByteArray &text)
{
    const int size = pageSize(file);
    QFile f(file);
    if (size <= 0 || !f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray all = f.readAll();
    for (qint64 p = 1; (p + 1) * size <= all.size(); ++p) {
        const int at = all.mid(p * size, size).indexOf(text);
        if (all.at(p * size) == 13 && at >= 0)
            return p * size + at;
    }
    return -1;
}

namespace {
QString askSchema(const QString &file, const QString &sql, const QVariant &value = {})
{
    QString answer;
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery q(db);
            q.prepare(sql);
            if (value.isValid())
                q.addBindValue(value);
            if (q.exec() && q.next())
                answer = q.value(0).toString();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return answer;
}
}  // namespace

int rootPage(const QString &file, const QString &name)
{
    return askSchema(file, QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name = ?"), name).toInt();
}

int pageSize(const QString &file) { return askSchema(file, QStringLiteral("PRAGMA page_size")).toInt(); }

}  // namespace FaultTools
