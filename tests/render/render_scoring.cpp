#include "Render.h"
#include "ScriptedDialogs.h"
#include "SubjectRows.h"
#include "TestFolder.h"

#include "data/TableView.h"
#include "scoring/DataR1.h"
#include "scoring/DataRPrint.h"
#include "scoring/FrmkLID.h"
#include "scoring/ReportPreview.h"

#include <QApplication>
#include <QDir>
#include <QFrame>
#include <QPushButton>

namespace {
void prepare(TestFolder &folder)
{
    folder.sql("UPDATE Theme SET Name = ?, Adress = ?",
               {QStringLiteral("کلينيک روان شناسي مهرسان"), QStringLiteral("تهران، خيابان وليعصر، کوچه مهر، پلاک 12")});
    folder.addSubject("1001", "B", QStringLiteral("مريم"), QStringLiteral("احمدي"));
    QStringList answers;
    for (int i = 0; i < 90; ++i)
        answers << QString::number(1 + (i * 7) % 5);
    SubjectRows::setAnswers(folder, "1001", answers);
}

void closeKeying(FrmkLID *window)
{
    // Closing brings a main window back; close that one quietly too.
    window->close();
    QCoreApplication::processEvents();
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("Frm1"))
            w->hide();
}
}  // namespace

static RenderRegistration keyingWindow("FrmkLID", [](const QString &outDir) {
    for (const char *theme : {"9", "2", "11"}) {
        TestFolder folder;
        prepare(folder);
        folder.sql("UPDATE Theme SET TH = ?", {QString::fromLatin1(theme)});
        ScriptedDialogs dialogs;
        auto *window = new FrmkLID;
        const QString suffix = QStringLiteral("-theme") + QString::fromLatin1(theme);
        savePicture(window, outDir, "FrmkLID-open" + suffix);
        window->key("1001");
        savePicture(window, outDir, "FrmkLID-keyed" + suffix);
        window->findChild<QPushButton *>("Command2")->click();
        savePicture(window, outDir, "FrmkLID-help" + suffix);
        closeKeying(window);
    }
});

static RenderRegistration scoringReports("reports", [](const QString &outDir) {
    TestFolder folder;
    prepare(folder);
    ScriptedDialogs dialogs;
    auto *window = new FrmkLID;
    window->key("1001");
    // The result sheet, as the one-subject print fills it.
    DataR1 sheet;
    for (const QString &column : DataR1::valueColumns())
        sheet.setCaption(DataR1::valueLabelFor(column), window->shownValue(column));
    sheet.setCaption(DataR1::addressLabel(), QStringLiteral("تهران، خيابان وليعصر، کوچه مهر، پلاک 12"));
    sheet.saveAsPdf(QDir(outDir).filePath("DataR1.pdf"));
    sheet.show();
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *preview = qobject_cast<ReportPreview *>(w)) {
            preview->resize(900, 760);
            savePicture(preview, outDir, "DataR1-preview");
            preview->close();
        }
    closeKeying(window);

    SubjectRows::addMany(folder, 250, "S", true);
    TableView all("IDE");
    saveSubjectTablePdf(all, QStringLiteral("کلينيک روان شناسي مهرسان"),
                        QStringLiteral("تهران، خيابان وليعصر، کوچه مهر، پلاک 12"),
                        QDir(outDir).filePath("DataRPrint.pdf"));
    showSubjectTable(all, QStringLiteral("کلينيک روان شناسي مهرسان"),
                     QStringLiteral("تهران، خيابان وليعصر، کوچه مهر، پلاک 12"));
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *preview = qobject_cast<ReportPreview *>(w); preview && preview->isVisible()) {
            preview->resize(1000, 760);
            savePicture(preview, outDir, "DataRPrint-preview");
            preview->showPage(7);
            savePicture(preview, outDir, "DataRPrint-preview-last");
            preview->zoomIn();
            preview->zoomIn();
            savePicture(preview, outDir, "DataRPrint-preview-zoomed");
            preview->close();
        }
    printf("%s\n%s\n", qPrintable(QDir(outDir).filePath("DataR1.pdf")), qPrintable(QDir(outDir).filePath("DataRPrint.pdf")));
});
