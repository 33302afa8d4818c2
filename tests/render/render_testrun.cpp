#include "Render.h"
#include "TestFolder.h"

#include "data/TableView.h"
#include "testrun/TestRunWindow.h"

#include <QLineEdit>
#include <QPushButton>

namespace {
// The window as the main window hands it over: narrowed to one subject.
TestRunWindow *windowFor(const QString &code)
{
    TestRunWindow *w = TestRunWindow::loaded();
    w->answerView->filter("code='" + code + "'");
    w->subjectView->filter("code='" + code + "'");
    return w;
}
}  // namespace

static RenderRegistration testRun("FrmTest", [](const QString &outDir) {
    TestFolder folder;
    folder.addSubject(QStringLiteral("k12"), QStringLiteral("B"), QStringLiteral("مريم"), QStringLiteral("احمدي"));
    folder.sql(QStringLiteral("UPDATE Answer SET \"12\" = '2' WHERE Code = 'k12'"));
    folder.sql(QStringLiteral("UPDATE QU SET QUs = QUs || ' ' || QUs || ' ' || QUs || ' ' || QUs || ' ' || QUs "
                              "WHERE ID = '13'"));
    for (const QString theme : {QStringLiteral("8"), QStringLiteral("2"), QStringLiteral("3"), QString()}) {
        folder.sql(QStringLiteral("UPDATE Theme SET TH = ?"), {theme});
        const QString suffix = theme.isEmpty() ? QStringLiteral("noskin") : "theme" + theme;
        TestRunWindow *w = windowFor(QStringLiteral("k12"));
        savePicture(w, outDir, "FrmTest-instructions-" + suffix);
        w->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
        w->findChild<QLineEdit *>(QStringLiteral("Text6"))->setText(QStringLiteral("12"));
        savePicture(w, outDir, "FrmTest-item-" + suffix);
        if (theme == QLatin1String("8")) {
            // An item text made long in the question editor still fits.
            w->findChild<QLineEdit *>(QStringLiteral("Text6"))->setText(QStringLiteral("13"));
            savePicture(w, outDir, "FrmTest-longitem");
        }
        w->close();
        // The page the next subject starts from.
        TestRunWindow::prepareNextRun();
        savePicture(windowFor(QStringLiteral("k12")), outDir, "FrmTest-nextrun-" + suffix);
        TestRunWindow::unload();
    }
});
