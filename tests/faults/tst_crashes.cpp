// Power cuts in the middle of work: a second program registers subjects, or
// writes answers, through the program's own store and is killed with SIGKILL
// at random moments. After every kill the program's real start (lock, open
// read-write, checks) must take the database, SQLite's integrity check must
// pass, and every row the child saw acknowledged must be there.
#include "AnswerSequence.h"
#include "FaultTools.h"
#include "ScriptedDialogs.h"
#include "TestFolder.h"

#include "data/Database.h"
#include "scoring/GroupSummary.h"
#include "scoring/ScoreTally.h"
#include "data/DatabaseLock.h"
#include "shell/ProgramStart.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QtTest>

using namespace FaultTools;

namespace {
constexpr int kKills = 20;

// Starts the child on the job from `first`, lets it work for a random time
// and kills it; returns all it said.
QByteArray runAndKill(const QString &folder, const QString &job, qint64 first, int maxMs)
{
    QProcess child;
    if (!startChild(child, folder, {job, QString::number(first)}) || !waitUntilOpen(child))
        return "child did not start\n" + child.readAllStandardError();
    QThread::msleep(QRandomGenerator::global()->bounded(maxMs));
    killHard(child);
    return child.readAllStandardOutput();
}

// The program's own start on what the kill left; the lock the child left
// behind is taken over.
bool startsCleanly(ScriptedDialogs &dialogs)
{
    const bool opened = openProgramDatabase();
    if (!opened)
        qWarning("start refused: %s", qPrintable(dialogs.last().text));
    return opened;
}

// Every answer cell of the test's subjects, read in one go on the program's connection.
QHash<QPair<QString, int>, QString> storedAnswers()
{
    QHash<QPair<QString, int>, QString> cells;
    QSqlQuery q(Database::connection());
    q.exec(QStringLiteral("SELECT * FROM Answer WHERE Code LIKE 'a%'"));
    while (q.next())
        for (int item = 1; item <= 90; ++item)
            cells[{q.value(QStringLiteral("Code")).toString(), item}] = q.value(QString::number(item)).toString();
    return cells;
}

void endProgram()
{
    Database::close();
    DatabaseLock::release();
}
}  // namespace

class CrashTest : public QObject
{
    Q_OBJECT
private slots:
    void killedRegistrationLosesNothing();
    void killedAnswersLoseNothing();
};

void CrashTest::killedRegistrationLosesNothing()
{
    TestFolder folder;
    Database::close();
    ScriptedDialogs dialogs;
    qint64 next = 0;
    QSet<qint64> acked;
    int found = 0, journals = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        const QByteArray said = runAndKill(folder.path(), QStringLiteral("register"), next, 150);
        const QList<qint64> ok = acknowledged(said);
        QVERIFY2(!said.contains("refused"), said.constData());
        for (qint64 n : ok)
            acked.insert(n);
        // A journal left by the kill is rolled back by the start.
        journals += QFileInfo(folder.databaseFile() + "-journal").size() > 0;
        QVERIFY2(startsCleanly(dialogs), qPrintable(QStringLiteral("after kill %1").arg(kill)));
        QCOMPARE(integrityOf(folder.databaseFile()), QStringLiteral("ok"));
        // The kept counts went with the rows or not at all.
        GroupSummary::Summary kept, counted;
        QVERIFY(ScoreTally::isCurrent() && GroupSummary::read(true, {}, &kept) && GroupSummary::scan(true, {}, &counted));
        QCOMPARE(kept.subjects, counted.subjects);
        // Both rows of a subject or neither, and every acknowledged one.
        const QStringList codes = folder.sql("SELECT Code FROM IDE WHERE Code LIKE 's%'");
        QCOMPARE(folder.sql("SELECT count(*) FROM Answer WHERE Code LIKE 's%'").value(0).toInt(), codes.size());
        QCOMPARE(folder.sql("SELECT count(*) FROM IDE JOIN Answer ON Answer.Code = IDE.Code").value(0).toInt(),
                 codes.size());
        QSet<qint64> stored;
        for (const QString &c : codes)
            stored.insert(c.mid(1).toLongLong());
        for (qint64 n : acked)
            QVERIFY2(stored.contains(n), qPrintable(QStringLiteral("s%1 acknowledged, then lost").arg(n)));
        // At most the one registration in flight at the kill is there unacknowledged.
        QVERIFY(stored.size() - acked.size() <= kill + 1);
        next = (ok.isEmpty() ? next : ok.last() + 1) + 1;  // past the one in flight
        found = int(stored.size());
        endProgram();
    }
    QVERIFY2(acked.size() >= kKills, "the children registered too little to tell anything");
    qInfo("%d kills (%d left a journal); %lld registrations acknowledged, %d stored, none lost", kKills, journals,
          qint64(acked.size()), found);
}

void CrashTest::killedAnswersLoseNothing()
{
    TestFolder folder;
    for (int s = 0; s < AnswerSequence::kSubjects; ++s)
        folder.addSubject(AnswerSequence::code(s));
    Database::close();
    ScriptedDialogs dialogs;

    // What every answer cell must hold: replayed from the acknowledged writes.
    QHash<QPair<QString, int>, QString> expected;
    qint64 next = 0, total = 0;
    int journals = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        const QByteArray said = runAndKill(folder.path(), QStringLiteral("answer"), next, 150);
        QVERIFY2(!said.contains("refused"), said.constData());
        const QList<qint64> ok = acknowledged(said);
        total += ok.size();
        for (qint64 n : ok) {
            const auto w = AnswerSequence::write(n);
            expected[{w.code, w.item}] = w.value;
        }
        journals += QFileInfo(folder.databaseFile() + "-journal").size() > 0;
        QVERIFY2(startsCleanly(dialogs), qPrintable(QStringLiteral("after kill %1").arg(kill)));
        QCOMPARE(integrityOf(folder.databaseFile()), QStringLiteral("ok"));
        const auto stored = storedAnswers();
        QCOMPARE(stored.size(), AnswerSequence::kSubjects * 90);
        // The write in flight at the kill either landed whole or not at all.
        const qint64 inFlight = ok.isEmpty() ? next : ok.last() + 1;
        const auto w = AnswerSequence::write(inFlight);
        const QString now = stored.value({w.code, w.item});
        QVERIFY(now == expected.value({w.code, w.item}) || now == w.value);
        expected[{w.code, w.item}] = now;
        for (auto it = stored.cbegin(); it != stored.cend(); ++it)
            QVERIFY2(it.value() == expected.value(it.key()),
                     qPrintable(QStringLiteral("%1 item %2 after kill %3").arg(it.key().first).arg(it.key().second).arg(kill)));
        next = inFlight + 1;
        endProgram();
    }
    QVERIFY2(total >= kKills, "the children answered too little to tell anything");
    qInfo("%d kills (%d left a journal); %lld answers acknowledged, none lost", kKills, journals, total);
}

QTEST_MAIN(CrashTest)
#include "tst_crashes.moc"
