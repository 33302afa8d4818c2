// One operator at one computer, as a process of its own: registers subjects and
// answers their 90 items through the same table views and transactions as the
// registration panel and the test-run window, on the store the program folder
// names ($MEHRSAN_HOME). Used by the concurrency tests and the benchmark.
//
//   store_operator <code prefix> <subjects> [first number]
//
// Writes one line per operation: "ack <code>" once a subject's row and answer
// row are stored, "taken <code>" when the store refused the code as taken,
// "answered <code>" after its 90 answers, "error <code> <why>" otherwise, and
// "latency <microseconds>" for every commit.
#include "data/Database.h"
#include "data/TableView.h"
#include "scoring/ScoreTally.h"
#include "shell/Registration.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <cstdio>

namespace {
void line(const QString &text)
{
    std::fputs((text + '\n').toUtf8().constData(), stdout);
    std::fflush(stdout);
}

QString oneLine(QString text) { return text.replace('\n', ' '); }

void latency(const QElapsedTimer &t) { line(QStringLiteral("latency %1").arg(t.nsecsElapsed() / 1000)); }
}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString prefix = app.arguments().value(1);
    const int subjects = app.arguments().value(2).toInt();
    const int first = app.arguments().value(3, QStringLiteral("1")).toInt();
    QString why;
    if (!Database::openStore(&why)) {
        line(QStringLiteral("error - ") + oneLine(why));
        return 1;
    }
    // As the program's start: the kept score counts follow every commit.
    ScoreTally::ensure();
    TableView subjectView(QStringLiteral("IDE"));
    TableView answerView(QStringLiteral("Answer"));
    for (int n = first; n < first + subjects; ++n) {
        const QString code = prefix + QString::number(n);
        QElapsedTimer timer;
        timer.start();
        // The registration panel's row and its way of storing it.
        subjectView.addNew();
        const QList<QPair<QString, QString>> typed = {
            {"Code", code}, {"FName", "سارا"}, {"LName", "احمدي"}, {"Sen", "24"}, {"Jens", "زن"},
            {"Taahol", "مجرد"}, {"Tahsil", "ليسانس"}, {"Group", prefix}, {"Date", "1405/09/17"},
            {"Time", "10:00:00"}};
        for (const auto &[column, value] : typed)
            subjectView.setField(column, value);
        QString why;
        const Registration::Stored stored = Registration::storeSubject(subjectView, answerView, code, &why);
        if (stored != Registration::Stored::Yes) {
            line((stored == Registration::Stored::CodeTaken ? QStringLiteral("taken ") : QStringLiteral("error ")) +
                 code + ' ' + oneLine(why));
            subjectView.reread();
            answerView.reread();
            continue;
        }
        latency(timer);
        line(QStringLiteral("ack ") + code);
        subjectView.reread();
        answerView.reread();

        // The test-run window: the subject's answer row, one commit per item.
        answerView.filterBy(QStringLiteral("Code"), Registration::answerCode(code));
        bool answered = answerView.hasCurrent();
        for (int item = 1; item <= 90 && answered; ++item) {
            timer.restart();
            answered = answerView.setField(QString::number(item), QString::number(1 + (n + item) % 5)) &&
                       answerView.commit();
            if (answered)
                latency(timer);
        }
        line((answered ? QStringLiteral("answered ") : QStringLiteral("error ")) + code + ' ' +
             oneLine(answerView.lastError()));
        answerView.reread();
    }
    Database::close();
    return 0;
}
