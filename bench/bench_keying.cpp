// The keying window with few and with many subjects: time to open it and to
// key the last registered subject (the row farthest from the start).
// usage: bench_keying
#include "ScriptedDialogs.h"
#include "SubjectRows.h"
#include "TestFolder.h"

#include "platform/Startup.h"
#include "keying/KeyingWindow.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>

static void measure(int subjects)
{
    TestFolder folder;
    SubjectRows::addMany(folder, subjects, QStringLiteral("K"), false);
    const QString code = QStringLiteral("K") + QString::number(subjects).rightJustified(qMax(4, int(QString::number(subjects).size())), u'0');
    SubjectRows::setAnswers(folder, code, SubjectRows::uniform(QStringLiteral("3")));
    ScriptedDialogs dialogs;

    QElapsedTimer timer;
    timer.start();
    auto *window = new KeyingWindow;
    window->show();
    QCoreApplication::processEvents();
    const double openMs = timer.nsecsElapsed() / 1e6;

    constexpr int kRounds = 20;
    timer.restart();
    for (int i = 0; i < kRounds; ++i)
        window->key(code);
    const double keyMs = timer.nsecsElapsed() / 1e6 / kRounds;
    const bool stored = folder.sql(QStringLiteral("SELECT kol FROM IDE WHERE Code = ?"), {code}).value(0) == QLatin1String("270");
    printf("%7d subjects: open %.1f ms, keying %.2f ms%s\n", subjects, openMs, keyMs, stored ? "" : " (NOT STORED)");
    delete window;
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    setUpApplication(app);
    for (int subjects : {10, 100000})
        measure(subjects);
    return 0;
}
