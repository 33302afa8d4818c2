// The subject-code window with 10 and with 100,000 subjects: opening it,
// filtering by group and deleting one subject. Medians of repeated runs.
#include "BenchTools.h"
#include "SubjectGenerator.h"

#include "ScriptedDialogs.h"
#include "data/Database.h"
#include "data/TableView.h"
#include "platform/Startup.h"
#include "records/SubjectListWindow.h"

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <cstdio>


int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    setUpApplication(app);
    ScriptedDialogs dialogs;
    printf("| subjects | open the window | filter by group | delete one subject | last page by key | last page by offset |\n"
           "|---:|---:|---:|---:|---:|---:|\n");
    const int largest = argc > 1 ? atoi(argv[1]) : 100000;
    for (int count : {10, largest}) {
        QTemporaryDir dir;
        makeProgramFolder(dir.path(), QStringLiteral(MEHRSAN_PROGRAM_DIR));
        generateSubjects(dir.path() + "/DBTavor/DBTavor.mdb", count);
        Database::open(dir.path() + "/DBTavor/DBTavor.mdb");
        const double open = 1e3 * medianSeconds(15, [] {
            SubjectListWindow window;
            window.show();
            QCoreApplication::processEvents();
        });
        SubjectListWindow window;
        window.show();
        QCoreApplication::processEvents();
        const double filter = 1e3 * medianSeconds(15, [&] {
            window.filterByGroup("B");
            QCoreApplication::processEvents();
        });
        int next = count;
        const double remove = 1e3 * medianSeconds(9, [&] {
            window.findChild<QLineEdit *>("Text5")->setText("S" + QString::number(next--));
            dialogs.buttonAnswers << QMessageBox::Yes;
            window.deleteSubject();
            QCoreApplication::processEvents();
        });
        if (!dialogs.texts().contains(QStringLiteral("حذف با موفقيت انجام گرفت")))
            qFatal("nothing was deleted");
        dialogs.clear();
        // A page of the grid at the end of the list: from the key the page
        // before it ended on, against counting the rows up to it.
        TableView all(QStringLiteral("IDE"));
        const QStringList columns = {"Code", "FName", "LName", "Group"};
        qint64 key = -1, pageKey = -1;
        for (int read = 0;;) {
            pageKey = key;
            const int got = int(all.rowsAfter(key, 100, columns, nullptr, &key).size());
            read += got;
            if (got < 100)
                break;
        }
        const double byKey = 1e3 * medianSeconds(15, [&] { all.rowsAfter(pageKey, 100, columns); });
        const double byOffset = 1e3 * medianSeconds(15, [&] { all.rows(qMax(0, count - 100), 100, columns); });
        printf("| %d | %.1f ms | %.1f ms | %.1f ms | %.2f ms | %.2f ms |\n", count, open, filter, remove, byKey, byOffset);
        window.hide();
        Database::close();
    }
    return 0;
}
