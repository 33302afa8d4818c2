// The subject-code window with 10 and with 100,000 subjects: opening it,
// filtering by group and deleting one subject. Medians of repeated runs.
#include "BenchTools.h"
#include "SubjectGenerator.h"

#include "ScriptedDialogs.h"
#include "data/Database.h"
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
    printf("| subjects | open the window | filter by group | delete one subject |\n|---:|---:|---:|---:|\n");
    for (int count : {10, 100000}) {
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
        printf("| %d | %.1f ms | %.1f ms | %.1f ms |\n", count, open, filter, remove);
        window.hide();
        Database::close();
    }
    return 0;
}
