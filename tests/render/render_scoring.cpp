#include "Render.h"
#include "ScriptedDialogs.h"
#include "SubjectRows.h"
#include "TestFolder.h"

#include "data/TableView.h"
#include "reports/ResultSheet.h"
#include "reports/SubjectTableReport.h"
#include "keying/KeyingWindow.h"
#include "reports/ReportPreview.h"

#include <QApplication>
#include <QDir>
#include <QFrame>
#include <QPointer>
#include <QProcess>
#include <QPushButton>

#include <string_view>

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
    // The clinic's earlier subjects: the reference of the standing figures.
    for (int n = 0; n < 60; ++n) {
        QStringList earlier;
        for (int i = 0; i < 90; ++i)
            earlier << QString::number(1 + (i * (n % 9 + 2) + n * n / 3 + i / 15 * (n % 4)) % 5);
        SubjectRows::addAnswered(folder, QStringLiteral("R%1").arg(n), earlier, QString(QChar(u'A' + n % 3)),
                                 n % 2 ? QStringLiteral("زن") : QStringLiteral("مرد"));
    }
}

// The open previews, guarded: taking a picture lets pending deletions of
// other closed windows run.
QList<QPointer<ReportPreview>> previews()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QList<QPointer<ReportPreview>> out;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *preview = qobject_cast<ReportPreview *>(w); preview && preview->isVisible())
            out << preview;
    return out;
}

void closeKeying(KeyingWindow *window)
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
        auto *window = new KeyingWindow;
        const QString suffix = QStringLiteral("-theme") + QString::fromLatin1(theme);
        savePicture(window, outDir, "FrmkLID-open" + suffix);
        window->key("1001");
        savePicture(window, outDir, "FrmkLID-keyed" + suffix);
        // A subject with unanswered items and a tall profile, for the chart.
        if (theme == std::string_view("9")) {
            folder.addSubject("1002", "B", QStringLiteral("علي"), QStringLiteral("رضايي"));
            QStringList answers(90, QStringLiteral("5"));
            for (int i = 0; i < 90; i += 4)
                answers[i] = QStringLiteral("2");
            for (int i = 2; i < 90; i += 15)
                answers[i].clear();
            SubjectRows::setAnswers(folder, "1002", answers);
            window->key("1002");
            savePicture(window, outDir, "FrmkLID-keyed-chart" + suffix);
        }
        window->findChild<QPushButton *>("Command2")->click();
        savePicture(window, outDir, "FrmkLID-help" + suffix);
        closeKeying(window);
    }
});

static RenderRegistration scoringReports("reports", [](const QString &outDir) {
    TestFolder folder;
    prepare(folder);
    ScriptedDialogs dialogs;
    auto *window = new KeyingWindow;
    window->key("1001");
    QCoreApplication::processEvents();  // the standing follows the keying
    // The result sheet, as the one-subject print fills it.
    ResultSheet sheet;
    for (const QString &column : ResultSheet::valueColumns())
        sheet.setCaption(ResultSheet::valueLabelFor(column), window->shownValue(column));
    sheet.setCaption(ResultSheet::addressLabel(), QStringLiteral("تهران، خيابان وليعصر، کوچه مهر، پلاک 12"));
    sheet.setStanding(window->standing());
    sheet.saveAsPdf(QDir(outDir).filePath("DataR1.pdf"));
    // The page as a reader of the PDF sees it, as a PNG beside the PDF.
    QProcess::execute(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("110"),
                                                   QDir(outDir).filePath("DataR1.pdf"),
                                                   QDir(outDir).filePath("DataR1-page")});
    sheet.show();
    for (const QPointer<ReportPreview> &preview : previews())
        if (preview) {
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
    for (const QPointer<ReportPreview> &preview : previews())
        if (preview) {
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
