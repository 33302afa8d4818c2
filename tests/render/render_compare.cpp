#include "Render.h"
#include "SubjectRows.h"
#include "TestFolder.h"

#include "records/ComparisonWindow.h"
#include "records/SubjectListWindow.h"
#include "reports/ComparisonSheet.h"

#include <QApplication>
#include <QDir>
#include <QItemSelectionModel>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTableView>

// Two administrations of one person, half a year apart, among sixty others;
// the window from the subject list, and its page.
static RenderRegistration comparison("Compare", [](const QString &outDir) {
    TestFolder folder;
    QRandomGenerator random(1405);
    auto answers = [&](int leaning, int lift) {
        QStringList out;
        for (int i = 0; i < 90; ++i)
            out << QString::number(qBound(1, leaning + int(random.bounded(3)) - 1 + (i % 15 == lift ? 1 : 0), 5));
        return out;
    };
    for (int n = 0; n < 60; ++n)
        SubjectRows::addAnswered(folder, QString::number(3000 + n), answers(1 + int(random.bounded(5)), -1),
                                 QString(QChar(u'A' + n % 3)), n % 2 ? QStringLiteral("زن") : QStringLiteral("مرد"));
    QStringList before = SubjectRows::uniform("3");
    QStringList after = SubjectRows::uniform("3");
    for (int i = 0; i < 90; ++i) {
        before[i] = QString::number(2 + (i % 3 == 0));
        // More self-regard, stress tolerance and optimism; less in relationships, a little less empathy.
        const int base = i % 15 + 1;
        after[i] = QString::number(base == 10 || base == 4 || base == 9 ? 4 + (i % 2)
                                   : base == 14                         ? 1 + (i % 2)
                                   : base == 8                          ? 1
                                                                        : 2 + (i % 3 == 0));
    }
    SubjectRows::addAnswered(folder, "1403-017", before, "B", QStringLiteral("زن"));
    SubjectRows::addAnswered(folder, "1403-117", after, "B", QStringLiteral("زن"));
    folder.sql("UPDATE IDE SET FName = ?, LName = ?, Sen = '34', Date = '1403/02/15', Time = '10:20:41' WHERE Code = '1403-017'",
               {QStringLiteral("مريم"), QStringLiteral("احمدي")});
    folder.sql("UPDATE IDE SET FName = ?, LName = ?, Sen = '34', Date = '1403/08/03', Time = '16:05:12' WHERE Code = '1403-117'",
               {QStringLiteral("مريم"), QStringLiteral("احمدي")});
    auto *list = new SubjectListWindow;
    list->show();
    auto *grid = list->findChild<QTableView *>("DataGrid1");
    const int rows = grid->model()->rowCount();
    grid->selectionModel()->select(grid->model()->index(rows - 2, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    grid->selectionModel()->select(grid->model()->index(rows - 1, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    grid->scrollToBottom();
    savePicture(list, outDir, "Compare-list");
    list->findChild<QPushButton *>("CmdCompare")->click();
    if (auto *window = list->findChild<ComparisonWindow *>()) {
        window->resize(1180, 800);
        savePicture(window, outDir, "Compare-window");
        const QString pdf = QDir(outDir).filePath("Compare.pdf");
        ComparisonSheet(window->comparison()).saveAsPdf(pdf);
        QProcess::execute(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("110"),
                                                       QStringLiteral("-singlefile"), pdf,
                                                       QDir(outDir).filePath("Compare-pdf")});
    }
    for (QWidget *w : QApplication::topLevelWidgets())
        w->close();
});
