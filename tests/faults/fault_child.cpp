// The other program in the fault tests: it starts the way Mehrsan starts
// (lock, open, checks) and then does one job through the program's own code
// until it is killed, saying on stdout what the store has acknowledged.
//
//   fault_child register <first>   registers s<first>, s<first+1>, ... forever
//   fault_child answer <first>     writes answer number <first>, <first+1>, ... (see AnswerSequence.h)
//   fault_child hold               starts, says "open" and waits for a line on stdin, then ends
//   fault_child start              starts and ends at once
//
// Every box the start would show is written as a line "box <title>: <text>".
// Exit code 3: the start refused.
#include "AnswerSequence.h"
#include "ScriptedDialogs.h"

#include "data/Database.h"
#include "data/DatabaseLock.h"
#include "data/TableView.h"
#include "shell/ProgramStart.h"
#include "shell/Registration.h"

#include <QCoreApplication>

#include <cstdio>

namespace {
void say(const QString &line)
{
    std::fputs(qPrintable(line + '\n'), stdout);
    std::fflush(stdout);
}

void registerForever(qint64 first)
{
    TableView subjects(QStringLiteral("IDE"));
    TableView answers(QStringLiteral("Answer"));
    for (qint64 i = first;; ++i) {
        const QString code = QStringLiteral("s%1").arg(i);
        subjects.addNew();
        subjects.setField(QStringLiteral("Code"), code);
        subjects.setField(QStringLiteral("FName"), QStringLiteral("نام %1").arg(i));
        subjects.setField(QStringLiteral("LName"), QStringLiteral("خانواده"));
        subjects.setField(QStringLiteral("Group"), QStringLiteral("A"));
        QString why;
        const auto stored = Registration::storeSubject(subjects, answers, code, &why);
        if (stored == Registration::Stored::Yes)
            say(QStringLiteral("ok %1").arg(i));
        else
            say(QStringLiteral("refused %1 %2").arg(i).arg(why));
        subjects.reread();
        answers.reread();
    }
}

void answerForever(qint64 first)
{
    TableView answers(QStringLiteral("Answer"));
    for (qint64 i = first;; ++i) {
        const AnswerSequence::Write w = AnswerSequence::write(i);
        answers.filter(QStringLiteral("code='%1'").arg(w.code));
        answers.setField(QString::number(w.item), w.value);
        if (answers.commit())
            say(QStringLiteral("ok %1").arg(i));
        else
            say(QStringLiteral("refused %1 %2").arg(i).arg(answers.lastError()));
    }
}
}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    ScriptedDialogs dialogs;
    dialogs.onShow = [](const ScriptedDialogs::Shown &box) {
        QString text = box.text;
        say(QStringLiteral("box %1: %2").arg(box.title, text.replace('\n', QStringLiteral(" | "))));
    };
    const QString job = app.arguments().value(1);
    const qint64 first = app.arguments().value(2).toLongLong();
    if (!openProgramDatabase())
        return 3;
    say(QStringLiteral("open"));
    if (job == QLatin1String("register"))
        registerForever(first);
    else if (job == QLatin1String("answer"))
        answerForever(first);
    else if (job == QLatin1String("hold")) {
        char line[16];
        if (!std::fgets(line, sizeof line, stdin))
            line[0] = 0;
    }
    Database::close();
    DatabaseLock::release();
    return 0;
}
