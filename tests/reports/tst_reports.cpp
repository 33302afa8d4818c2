#include "DesignedKey.h"
#include "PdfTools.h"
#include "ScriptedDialogs.h"
#include "SubjectRows.h"
#include "TestFolder.h"

#include "data/TableView.h"
#include "platform/Startup.h"
#include "reports/ResultSheet.h"
#include "reports/SubjectTableReport.h"
#include "reports/ReportPreview.h"
#include "data/Database.h"
#include "keying/KeyingWindow.h"
#include "records/SubjectListWindow.h"
#include "scoring/GroupSummary.h"

#include <QApplication>
#include <QComboBox>
#include <QSqlQuery>
#include <QFile>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString kClinic = QStringLiteral("کلينيک روان شناسي مهرسان");
// (pdftotext loses the lam-alef ligature and moves commas: the address avoids both.)
const QString kAddress = QStringLiteral("تهران خيابان مهر شماره 12");

// A4 with the report's margins: the printable height in twips.
double pageHeight()
{
    return SubjectTableReport::designedLayout().paintRect(QPageLayout::Point).height() * 20.0;
}

void closePreviews()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<ReportPreview *>(w))
            w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
}  // namespace

class ReportsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup() { closePreviews(); }
    void paginationOfTheTable();
    void tableOf250SubjectsOverSeveralPages();
    void headingsStandOverTheirColumns();
    void neverKeyedSubjectsHaveEmptyScoreCells();
    void groupViewGivesOnlyItsRowsAndAnEmptyGroupOnlyHeadings();
    void rowNumbersRestartAtOneEveryTime();
    void reportKeepsTheRowsItWasGiven();
    void resultSheetOfOneSubject();
    void resultSheetChartBelowTheBand();
    void previewSavesThePdfItShows();
    void unwritableFileIsReportedAndNothingWritten();
    void reportThatCannotBeMadeSaysSo_data();
    void reportThatCannotBeMadeSaysSo();
    void printingFromThePreview();
    void previewOfAMillionRowsReachesItsLastPage();

private:
    QTemporaryDir m_out;
};

void ReportsTest::initTestCase()
{
    setUpApplication(*qobject_cast<QApplication *>(QCoreApplication::instance()));
    QVERIFY(m_out.isValid());
}

void ReportsTest::paginationOfTheTable()
{
    const double h = pageHeight();
    // No rows: one page with the headings and the footer.
    auto pages = SubjectTableReport::paginate(0, h);
    QCOMPARE(pages.size(), 1);
    QVERIFY(pages[0].reportHeader && pages[0].reportFooter);
    QCOMPARE(pages[0].rowCount, 0);

    // Every row on exactly one page, in order, the header on the first page
    // and the footer on the last.
    for (int rows : {1, 35, 36, 74, 250, 10000}) {
        pages = SubjectTableReport::paginate(rows, h);
        int next = 0;
        for (int p = 0; p < pages.size(); ++p) {
            QCOMPARE(pages[p].firstRow, next);
            next += pages[p].rowCount;
            QCOMPARE(pages[p].reportHeader, p == 0);
            QCOMPARE(pages[p].reportFooter, p == pages.size() - 1);
        }
        QCOMPARE(next, rows);
    }
    // A4: 35 rows under the report header, 39 on the later pages.
    QCOMPARE(SubjectTableReport::paginate(250, h).first().rowCount, 35);
    QCOMPARE(SubjectTableReport::paginate(250, h).at(1).rowCount, 39);
    QCOMPARE(SubjectTableReport::paginate(250, h).size(), 7);

    // A page filled by its rows sends the footer to a page of its own.
    const int onFirst = SubjectTableReport::paginate(1000, h).first().rowCount;
    pages = SubjectTableReport::paginate(onFirst, h);
    QCOMPARE(pages.size(), 2);
    QCOMPARE(pages[1].rowCount, 0);
    QVERIFY(pages[1].reportFooter);

    // A page too short for any row still prints every row, one per page.
    pages = SubjectTableReport::paginate(3, 500);
    int rows = 0;
    for (const auto &p : pages)
        rows += p.rowCount;
    QCOMPARE(rows, 3);
    QVERIFY(pages.size() <= 5);
}

void ReportsTest::tableOf250SubjectsOverSeveralPages()
{
    TestFolder folder;
    SubjectRows::addMany(folder, 250, "S", true);
    TableView all("IDE");
    const QString file = m_out.filePath("all.pdf");
    QString error;
    QVERIFY2(saveSubjectTablePdf(all, kClinic, kAddress, file, &error), qPrintable(error));

    const int pages = PdfTools::pageCount(file);
    QCOMPARE(pages, SubjectTableReport::paginate(250, pageHeight()).size());
    QCOMPARE(pages, 7);
    // The column headings on every page.
    for (int p = 1; p <= pages; ++p) {
        const QString text = PdfTools::text(file, p, p);
        for (const char *heading : {"ES", "PS", "HA"})
            QVERIFY2(text.contains(QLatin1String(heading)), qPrintable(QStringLiteral("page %1").arg(p)));
    }
    // The clinic name on the first page only, the address at the end.
    QVERIFY(PdfTools::plain(PdfTools::text(file, 1, 1)).contains(PdfTools::plain(kClinic)));
    QVERIFY(!PdfTools::plain(PdfTools::text(file, 2, 2)).contains(PdfTools::plain(kClinic)));
    QVERIFY(PdfTools::plain(PdfTools::text(file, pages, pages)).contains(PdfTools::plain(kAddress)));

    // First and last subject with their totals, and the row numbers 1 to 250.
    const QString all1 = PdfTools::text(file);
    const QString firstKol = folder.sql("SELECT kol FROM IDE WHERE Code = 'S0001'").value(0);
    const QString lastKol = folder.sql("SELECT kol FROM IDE WHERE Code = 'S0250'").value(0);
    QVERIFY(!firstKol.isEmpty());
    const auto words = PdfTools::words(file);
    auto rowOf = [&](const QString &code) {
        for (const auto &w : words)
            if (w.text == code)
                return w;
        return PdfTools::Word();
    };
    for (const QString &code : {QStringLiteral("S0001"), QStringLiteral("S0250")}) {
        const PdfTools::Word c = rowOf(code);
        QVERIFY2(c.page > 0, qPrintable(code));
        QStringList line;
        for (const auto &w : words)
            if (w.page == c.page && qAbs((w.yMin + w.yMax) / 2 - (c.yMin + c.yMax) / 2) < 3)
                line << w.text;
        QVERIFY2(line.contains(code == QLatin1String("S0001") ? firstKol : lastKol), qPrintable(line.join(' ')));
        QVERIFY2(line.contains(code == QLatin1String("S0001") ? QStringLiteral("1") : QStringLiteral("250")),
                 qPrintable(line.join(' ')));
    }
    QCOMPARE(rowOf("S0250").page, 7);
}

void ReportsTest::headingsStandOverTheirColumns()
{
    TestFolder folder;
    folder.addSubject("K1", "C");
    // Every score differs, so each value can be found under its heading.
    QStringList sets;
    const QStringList columns = DesignedKey::scoreColumns();
    for (int i = 0; i < 15; ++i)
        sets << QStringLiteral("%1 = '%2'").arg(columns[i]).arg(41 + i);
    folder.sql("UPDATE IDE SET " + sets.join(',') + ", kol = '777', Sen = '63' WHERE Code = 'K1'");
    TableView all("IDE");
    const QString file = m_out.filePath("columns.pdf");
    QVERIFY(saveSubjectTablePdf(all, kClinic, kAddress, file));

    const auto words = PdfTools::words(file);
    auto find = [&](const QString &text) {
        for (const auto &w : words)
            if (w.text == text)
                return w;
        return PdfTools::Word();
    };
    for (int i = 0; i < 15; ++i) {
        const auto &subscale = DesignedKey::kSubscales[size_t(i)];
        const PdfTools::Word heading = find(QLatin1String(subscale.abbreviation));
        const PdfTools::Word value = find(QString::number(41 + i));
        QVERIFY2(!heading.text.isEmpty() && !value.text.isEmpty(), subscale.abbreviation);
        QVERIFY2(qAbs(heading.xCentre() - value.xCentre()) < 6,
                 qPrintable(QStringLiteral("%1 at %2, its value at %3")
                                .arg(subscale.abbreviation)
                                .arg(heading.xCentre())
                                .arg(value.xCentre())));
        QVERIFY(value.yMin > heading.yMax);
    }
    // Right to left: row number, code, group, age; then the total, then ES.
    QVERIFY(find("1").xCentre() > find("K1").xCentre());
    QVERIFY(find("K1").xCentre() > find("C").xCentre());
    QVERIFY(find("C").xCentre() > find("63").xCentre());
    QVERIFY(find("63").xCentre() > find("777").xCentre());
    QVERIFY(find("777").xCentre() > find("41").xCentre());
    QVERIFY(find("HA").xCentre() < find("OP").xCentre());
}

void ReportsTest::neverKeyedSubjectsHaveEmptyScoreCells()
{
    TestFolder folder;
    folder.addSubject("N1", "D");
    TableView all("IDE");
    SubjectTableReport report;
    report.setDataSource(all);
    QCOMPARE(report.rowCount(), 1);
    QCOMPARE(report.value(0, "Code"), QStringLiteral("N1"));
    for (const QString &column : DesignedKey::scoreColumns())
        QCOMPARE(report.value(0, column), QString());

    const QString file = m_out.filePath("unkeyed.pdf");
    QVERIFY(report.saveAsPdf(file));
    const auto words = PdfTools::words(file);
    PdfTools::Word code;
    for (const auto &w : words)
        if (w.text == QLatin1String("N1"))
            code = w;
    QVERIFY(!code.text.isEmpty());
    QStringList numbers;
    bool group = false;
    for (const auto &w : words) {
        if (qAbs(w.yMin - code.yMin) > 3 || w.xMax > code.xMin)
            continue;
        group = group || w.text == QLatin1String("D");
        bool isNumber = false;
        w.text.toInt(&isNumber);
        if (isNumber)
            numbers << w.text;
    }
    // Left of the code: the group, the age and no score at all.
    QVERIFY(group);
    QCOMPARE(numbers, QStringList({"30"}));
}

void ReportsTest::groupViewGivesOnlyItsRowsAndAnEmptyGroupOnlyHeadings()
{
    TestFolder folder;
    SubjectRows::addMany(folder, 40, "G", false);
    TableView view("IDE");
    view.filter("Group='C'");
    const int inC = folder.sql("SELECT COUNT(*) FROM IDE WHERE \"Group\" = 'C'").value(0).toInt();
    QVERIFY(inC > 0);
    SubjectTableReport report;
    report.setDataSource(view);
    QCOMPARE(report.rowCount(), inC);
    for (int r = 0; r < report.rowCount(); ++r)
        QCOMPARE(report.value(r, "Group"), QStringLiteral("C"));
    // Rows in the order of the view.
    QCOMPARE(report.value(0, "Code"),
             folder.sql("SELECT Code FROM IDE WHERE \"Group\" = 'C' ORDER BY rowid LIMIT 1").value(0));

    view.filter("Group='Q'");
    const QString file = m_out.filePath("empty.pdf");
    QVERIFY(saveSubjectTablePdf(view, QStringLiteral(" "), kAddress, file));
    QCOMPARE(PdfTools::pageCount(file), 1);
    const QString text = PdfTools::text(file);
    QVERIFY(text.contains("ES") && text.contains("HA"));
    QVERIFY(!text.contains("G0"));
}

void ReportsTest::rowNumbersRestartAtOneEveryTime()
{
    TestFolder folder;
    SubjectRows::addMany(folder, 3, "R", false);
    TableView all("IDE");
    SubjectTableReport &report = SubjectTableReport::instance();
    report.setDataSource(all);
    report.setClinicName(kClinic);
    QStringList numbers[2];
    for (int round = 0; round < 2; ++round) {
        const QString file = m_out.filePath(QStringLiteral("numbers%1.pdf").arg(round));
        QVERIFY(report.saveAsPdf(file));
        for (const auto &w : PdfTools::words(file))
            if (w.text.size() == 1 && w.text[0].isDigit())
                numbers[round] << w.text;
    }
    QCOMPARE(numbers[0], QStringList({"1", "2", "3"}));
    QCOMPARE(numbers[1], numbers[0]);
}

void ReportsTest::reportKeepsTheRowsItWasGiven()
{
    TestFolder folder;
    SubjectRows::addMany(folder, 5, "T", false);
    TableView all("IDE");
    SubjectTableReport report;
    report.setDataSource(all);
    report.setAddress(kAddress);
    folder.sql("DELETE FROM IDE WHERE Code = 'T0001'");
    folder.sql("UPDATE IDE SET kol = '321' WHERE Code = 'T0002'");
    // What was previewed is what prints.
    QCOMPARE(report.rowCount(), 5);
    QCOMPARE(report.value(0, "Code"), QStringLiteral("T0001"));
    QCOMPARE(report.value(1, "kol"), QString());
    // Read again, it shows the store as it is now.
    report.setDataSource(all);
    QCOMPARE(report.rowCount(), 4);
    QCOMPARE(report.value(0, "kol"), QStringLiteral("321"));
    // The captions stay until overwritten.
    QCOMPARE(report.clinicName(), QStringLiteral(" "));
    QCOMPARE(report.address(), kAddress);
}

void ReportsTest::resultSheetOfOneSubject()
{
    QCOMPARE(ResultSheet::valueLabelFor("Code"), QStringLiteral("Label15"));
    QCOMPARE(ResultSheet::valueLabelFor("Group"), QStringLiteral("Label16"));
    QCOMPARE(ResultSheet::valueLabelFor("Tahsil"), QStringLiteral("Label22"));
    QCOMPARE(ResultSheet::valueLabelFor("khodagahi"), QStringLiteral("Label12"));
    QCOMPARE(ResultSheet::valueLabelFor("shadmani"), QStringLiteral("Label41"));
    QCOMPARE(ResultSheet::valueLabelFor("kol"), QStringLiteral("Label48"));
    QCOMPARE(ResultSheet::valueLabelFor("FName"), QString());
    QCOMPARE(ResultSheet::valueColumns().size(), 22);

    ResultSheet sheet;
    sheet.setCaption("Label15", "X-77");
    sheet.setCaption("Label16", "E");
    sheet.setCaption("Label19", "29");
    const QStringList columns = DesignedKey::scoreColumns();
    for (int i = 0; i < 16; ++i)
        sheet.setCaption(ResultSheet::valueLabelFor(columns[i]), QString::number(i == 15 ? 615 : 60 + i));
    sheet.setCaption(ResultSheet::addressLabel(), kAddress);
    const QString file = m_out.filePath("sheet.pdf");
    QString error;
    QVERIFY2(sheet.saveAsPdf(file, &error), qPrintable(error));
    // One subject, one sheet of paper.
    QCOMPARE(PdfTools::pageCount(file), 1);

    QList<PdfTools::Word> words;
    for (const auto &w : PdfTools::words(file))
        if (w.page == 1)
            words << w;
    QStringList texts;
    for (const auto &w : words)
        texts << w.text;
    QVERIFY(texts.contains("X-77"));
    QVERIFY(texts.contains("E"));
    QVERIFY(texts.contains("29"));
    QVERIFY(texts.contains("615"));
    for (int i = 0; i < 15; ++i)
        QVERIFY2(texts.contains(QString::number(60 + i)), qPrintable(QString::number(60 + i)));
    QVERIFY(PdfTools::plain(PdfTools::text(file, 1, 1)).contains(PdfTools::plain(kAddress)));
    // Right column ES, AS ...; left column PS, RT ... and the total last.
    auto find = [&](const QString &t) {
        for (const auto &w : words)
            if (w.text == t)
                return w;
        return PdfTools::Word();
    };
    QVERIFY(find("60").xCentre() > find("68").xCentre());  // ES right of RT
    QVERIFY(find("60").yMin < find("61").yMin);            // ES above AS
    QVERIFY(find("615").yMin > find("74").yMin);           // total below HA

    // The band keeps its design: each value stands in its label's box
    // (twips from the sheet's top left corner); the chart lies below it.
    const QRectF printable = ResultSheet::designedLayout().paintRect(QPageLayout::Point);
    const double left = printable.left() + (printable.width() - 7230 / 20.0) / 2;
    auto inBox = [&](const QString &text, const QRect &twipsBox) {
        const PdfTools::Word w = find(text);
        const QRectF box(left + twipsBox.x() / 20.0, printable.top() + twipsBox.y() / 20.0, twipsBox.width() / 20.0,
                         twipsBox.height() / 20.0);
        return !w.text.isEmpty() && box.contains(QPointF(w.xCentre(), (w.yMin + w.yMax) / 2));
    };
    QVERIFY(inBox("X-77", QRect(4752, 1152, 669, 465)));  // Label15
    QVERIFY(inBox("29", QRect(2592, 1152, 669, 465)));    // Label19
    QVERIFY(inBox("60", QRect(3852, 2538, 480, 339)));    // Label12, ES
    QVERIFY(inBox("67", QRect(3852, 5436, 480, 339)));    // Label33, IR
    QVERIFY(inBox("68", QRect(1260, 2979, 489, 339)));    // Label35, RT
    QVERIFY(inBox("70", QRect(1260, 2601, 489, 339)));    // Label37, PS
    QVERIFY(inBox("74", QRect(1260, 5039, 480, 345)));    // Label41, HA
    QVERIFY(inBox("615", QRect(1260, 5480, 480, 345)));   // Label48, the total
    const double bandBottom = printable.top() + 7620 / 20.0;
    QVERIFY(find("24").yMin > bandBottom);  // a mark of the chart's scale
    for (const auto &w : words)
        if (w.text == QLatin1String("24"))
            QVERIFY2(w.yMin > bandBottom, "a scale mark inside the band");
}

void ReportsTest::resultSheetChartBelowTheBand()
{
    ResultSheet sheet;
    sheet.setCaption("Label15", "Z-5");
    sheet.setCaption("Label22", QStringLiteral("ليسانس"));
    // Legend order; none is a mark of the scale, one lies beyond it, one is empty.
    const QStringList scores = {"27", "9", "15", "21", "45", "", "7", "8", "10", "11", "13", "14", "16", "17", "19"};
    const QStringList columns = DesignedKey::scoreColumns();
    for (int i = 0; i < 15; ++i)
        sheet.setCaption(ResultSheet::valueLabelFor(columns[i]), scores[i]);
    sheet.setCaption("Label48", "777");
    QCOMPARE(sheet.chartScores(), scores);
    // Standing figures that stand out from every score and mark.
    Standing::Figures standing = sheet.standing();
    for (int c = 0; c < Standing::kColumns; ++c) {
        standing.percentile[size_t(c)] = QString::number(101 + c);
        standing.standard[size_t(c)] = QString::number(201 + c);
    }
    // No score, no figures.
    standing.percentile[5] = standing.standard[5] = QStringLiteral("—");
    standing.description = QStringLiteral("نسبت به آزمودني هاي اين مرکز");
    standing.reason = QStringLiteral("دليل نمونه");
    sheet.setStanding(standing);
    const QString file = m_out.filePath("sheet-chart.pdf");
    QVERIFY(sheet.saveAsPdf(file));
    QCOMPARE(PdfTools::pageCount(file), 1);

    const QString text = PdfTools::plain(PdfTools::text(file, 1, 1));
    for (const QString &part : {QStringLiteral("نيمرخ نمره ها"), QStringLiteral("نمره كل"),
                                QStringLiteral("خودآگاهي هيجاني"), QStringLiteral("مسئوليت پذيري اجتماعي"),
                                QStringLiteral("شادماني"), QStringLiteral("Z-5"), QStringLiteral("777"),
                                QStringLiteral("رتبه درصدي"), QStringLiteral("نمره استاندارد"),
                                standing.description, standing.reason})
        QVERIFY2(text.contains(PdfTools::plain(part)), qPrintable(part));

    // Only what lies below the band: the chart, its figures and the total.
    const QRectF printable = ResultSheet::designedLayout().paintRect(QPageLayout::Point);
    const double bandBottom = printable.top() + 7620 / 20.0;
    QList<PdfTools::Word> words;
    for (const auto &w : PdfTools::words(file))
        if (w.yMin > bandBottom)
            words << w;
    QVERIFY(words.last().yMax < printable.bottom());
    auto find = [&](const QString &t) {
        PdfTools::Word found;
        for (const auto &w : words)
            if (w.text == t && (found.text.isEmpty() || w.yMin > found.yMin))
                found = w;  // the lowest: the scale's marks lie below the bars
        return found;
    };
    // The scale: 0 at the right, 30 at the left, on one line below the bars.
    QList<PdfTools::Word> ticks;
    for (int v = 0; v <= 30; v += 6)
        ticks << find(QString::number(v));
    for (int i = 0; i < ticks.size(); ++i) {
        QVERIFY2(!ticks[i].text.isEmpty(), qPrintable(QString::number(6 * i)));
        QVERIFY(qAbs(ticks[i].yMin - ticks[0].yMin) < 1);
        if (i > 0)
            QVERIFY(ticks[i].xCentre() < ticks[i - 1].xCentre() - 20);
    }
    const double zero = ticks.first().xCentre();
    const double thirty = ticks.last().xCentre();
    // Each value stands at the end of its bar: the further left, the larger.
    double lastY = 0;
    for (int i = 0; i < 15; ++i) {
        if (scores[i].isEmpty())
            continue;
        const PdfTools::Word value = find(scores[i]);
        QVERIFY2(!value.text.isEmpty(), qPrintable(scores[i]));
        const double end = zero - (zero - thirty) * qMin(30, scores[i].toInt()) / 30.0;
        QVERIFY2(value.xMax <= end + 0.5 && value.xMax > end - 4,
                 qPrintable(QStringLiteral("%1 ends at %2, its bar at %3").arg(scores[i]).arg(value.xMax).arg(end)));
        QVERIFY(value.yMin > lastY);
        QVERIFY(value.yMax < ticks.first().yMin);
        lastY = value.yMin;
    }
    // The captions (Persian, read back letter by letter) stand right of the
    // baseline, in every row; the row of the empty score has its caption only.
    auto centreY = [](const PdfTools::Word &w) { return (w.yMin + w.yMax) / 2; };
    const double firstRow = centreY(find(scores[0]));
    const double lastRow = centreY(find(scores[14]));
    const double emptyRow = (centreY(find(scores[4])) + centreY(find(scores[6]))) / 2;
    int captionLetters = 0;
    int emptyRowLetters = 0;
    for (const auto &w : words) {
        const double y = centreY(w);
        if (y < firstRow - 3 || y > lastRow + 3)
            continue;
        if (w.text == QStringLiteral("—")) {  // a missing figure, in the figures' columns
            QVERIFY(w.xMax < thirty);
            continue;
        }
        bool number = false;
        w.text.toInt(&number);
        if (number && w.xMax < thirty - 10)  // a standing figure
            continue;
        if (number) {
            QVERIFY2(qAbs(y - emptyRow) > 3, qPrintable(w.text));
            continue;
        }
        ++captionLetters;
        QVERIFY2(w.xMin > zero, qPrintable(w.text));
        if (qAbs(y - emptyRow) < 3)
            ++emptyRowLetters;
    }
    QVERIFY(captionLetters > 100);
    QVERIFY(emptyRowLetters > 0);
    // The total below the chart, its figures on its line.
    QVERIFY(find("777").yMin > ticks.first().yMax);
    QVERIFY(qAbs(find("116").yMin - find("777").yMin) < 3);
    QVERIFY(qAbs(find("216").yMin - find("777").yMin) < 3);
    // Each subscale's figures on its bar's row, the percentile rank right of
    // the standard score, both left of the scale.
    for (int i = 0; i < 15; ++i) {
        if (scores[i].isEmpty())
            continue;
        const PdfTools::Word rank = find(QString::number(101 + i));
        const PdfTools::Word standard = find(QString::number(201 + i));
        const PdfTools::Word value = find(scores[i]);
        QVERIFY2(qAbs(centreY(rank) - centreY(value)) < 3, qPrintable(rank.text));
        QVERIFY2(qAbs(centreY(standard) - centreY(value)) < 3, qPrintable(standard.text));
        QVERIFY(standard.xMax < rank.xMin);
        QVERIFY(rank.xMax < thirty);
    }
}

void ReportsTest::previewSavesThePdfItShows()
{
    TestFolder folder;
    SubjectRows::addMany(folder, 80, "P", true);
    TableView all("IDE");
    showSubjectTable(all, kClinic, kAddress);
    ReportPreview *preview = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *p = qobject_cast<ReportPreview *>(w))
            preview = p;
    QVERIFY(preview);
    QVERIFY(preview->isVisible());
    QVERIFY(!preview->isModal());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QCOMPARE(preview->pageCount(), SubjectTableReport::paginate(80, pageHeight()).size());

    // Moving between pages and zooming.
    QCOMPARE(preview->currentPage(), 1);
    QTest::mouseClick(preview->findChild<QPushButton *>("cmdNext"), Qt::LeftButton);
    QCOMPARE(preview->currentPage(), 2);
    QTest::mouseClick(preview->findChild<QPushButton *>("cmdNext"), Qt::LeftButton);
    QTest::mouseClick(preview->findChild<QPushButton *>("cmdNext"), Qt::LeftButton);
    QCOMPARE(preview->currentPage(), preview->pageCount());
    QVERIFY(preview->findChild<QLabel *>("lblPage")->text().contains(QString::number(preview->pageCount())));
    QTest::mouseClick(preview->findChild<QPushButton *>("cmdPrevious"), Qt::LeftButton);
    QCOMPARE(preview->currentPage(), preview->pageCount() - 1);
    const double fitted = preview->zoom();
    QTest::mouseClick(preview->findChild<QPushButton *>("cmdZoomIn"), Qt::LeftButton);
    QVERIFY(preview->zoom() > fitted);
    QCOMPARE(preview->currentPage(), preview->pageCount() - 1);
    QTest::mouseClick(preview->findChild<QPushButton *>("cmdFit"), Qt::LeftButton);
    QCOMPARE(preview->zoom(), fitted);
    // The page seen on the screen is the page that prints: grab it.
    preview->showPage(1);
    QVERIFY(!preview->grab().isNull());

    ScriptedDialogs dialogs;
    const QString file = m_out.filePath("from-preview.pdf");
    dialogs.fileAnswers << file;
    QTest::mouseClick(preview->findChild<QPushButton *>("cmdSavePdf"), Qt::LeftButton);
    QCOMPARE(dialogs.last().kind, QStringLiteral("save"));
    QVERIFY(dialogs.last().filter.contains("pdf"));
    QCOMPARE(PdfTools::pageCount(file), preview->pageCount());
    QVERIFY(PdfTools::text(file).contains("P0080"));

    // A second print reuses the same preview window with the new rows.
    folder.sql("DELETE FROM IDE WHERE Code > 'P0010'");
    all.reread();
    showSubjectTable(all, kClinic, kAddress);
    int previews = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<ReportPreview *>(w) && w->isVisible())
            ++previews;
    QCOMPARE(previews, 1);
    QCOMPARE(preview->pageCount(), 1);

    // Cancelling the save dialog writes nothing.
    dialogs.clear();
    QTest::mouseClick(preview->findChild<QPushButton *>("cmdSavePdf"), Qt::LeftButton);
    QCOMPARE(dialogs.shown.size(), 1);
}

void ReportsTest::unwritableFileIsReportedAndNothingWritten()
{
    TestFolder folder;
    TableView all("IDE");
    QString error;
    const QString file = m_out.filePath("no-such-folder/report.pdf");
    QVERIFY(!saveSubjectTablePdf(all, kClinic, kAddress, file, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!QFile::exists(file));

    // Through the preview the failure is shown in an error box.
    ScriptedDialogs dialogs;
    ResultSheet sheet;
    sheet.setCaption("Label15", "Z1");
    sheet.show();
    ReportPreview *preview = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *p = qobject_cast<ReportPreview *>(w); p && p->isVisible())
            preview = p;
    QVERIFY(preview);
    dialogs.fileAnswers << file;
    QTest::mouseClick(preview->findChild<QPushButton *>("cmdSavePdf"), Qt::LeftButton);
    QCOMPARE(dialogs.last().kind, QStringLiteral("message"));
    QCOMPARE(dialogs.last().title, QStringLiteral("خطا"));
    QCOMPARE(dialogs.shown.first().proposedName, QStringLiteral("Mehrsan-Z1.pdf"));
}

// No room for the report's rows (a full temporary disk, here a temporary
// store held to one page): the table is refused in Persian, never shown
// empty for a clinic that has subjects; the summary still counts them all.
void ReportsTest::reportThatCannotBeMadeSaysSo_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<int>("headroom");  // pages the temporary store may grow by; -1: none at all
    QTest::newRow("table of all subjects, no temporary table") << "keying" << -1;
    QTest::newRow("table of all subjects, a table without room for its rows") << "keying" << 1;
    QTest::newRow("table of a group, no temporary table") << "list" << -1;
    QTest::newRow("table of a group, a table without room for its rows") << "list" << 1;
}

void ReportsTest::reportThatCannotBeMadeSaysSo()
{
    QFETCH(QString, window);
    QFETCH(int, headroom);
    if (TestFolder::onServer())
        QSKIP("the temporary store is held to one page on the file");
    TestFolder folder;
    // Enough that one group's rows need more than a page.
    constexpr int kSubjects = 700;
    SubjectRows::addMany(folder, kSubjects, "T", true);
    ScriptedDialogs dialogs;
    const auto holdTheTemporaryStore = [headroom] {
        QSqlQuery q(Database::connection());
        int pages = 0;
        if (q.exec(QStringLiteral("PRAGMA temp.page_count")) && q.next())
            pages = q.value(0).toInt();
        q.exec(QStringLiteral("PRAGMA temp.max_page_count = %1").arg(headroom < 0 ? 1 : pages + headroom));
    };
    if (window == QLatin1String("keying")) {
        auto *keying = new KeyingWindow;
        keying->show();
        holdTheTemporaryStore();
        QTest::mouseClick(keying->findChild<QPushButton *>("Command3"), Qt::LeftButton);
        delete keying;
    } else {
        SubjectListWindow list;
        list.show();
        auto *group = list.findChild<QComboBox *>("Combo3");
        QVERIFY(group);
        group->setCurrentIndex(group->findText(QStringLiteral("A")));
        holdTheTemporaryStore();
        QTest::mouseClick(list.findChild<QPushButton *>("Command1"), Qt::LeftButton);
    }
    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.last().title, QStringLiteral("خطا"));
    QVERIFY2(dialogs.last().text.startsWith(QStringLiteral("گزارش جدول آزمودني ها ساخته نشد")), qPrintable(dialogs.last().text));
    QVERIFY2(dialogs.last().details.contains(QStringLiteral("full")), qPrintable(dialogs.last().details));
    bool previewShown = false;
    for (QWidget *w : QApplication::topLevelWidgets())
        previewShown = previewShown || (qobject_cast<ReportPreview *>(w) && w->isVisible());
    QVERIFY(!previewShown);

    // The group summary reads the kept counts: every subject is there.
    GroupSummary::Summary summary;
    QString error;
    QVERIFY2(GroupSummary::read(true, QString(), &summary, &error), qPrintable(error));
    QCOMPARE(summary.subjects, qint64(kSubjects));

    // With room again the same table has every row.
    QSqlQuery(Database::connection()).exec(QStringLiteral("PRAGMA temp.max_page_count = 1073741823"));
    SubjectTableReport report;
    TableView all("IDE");
    QVERIFY(report.setDataSource(all, &error));
    QCOMPARE(report.rowCount(), kSubjects);
}

void ReportsTest::printingFromThePreview()
{
    TestFolder folder;
    SubjectRows::addMany(folder, 50, "Q", true);
    TableView all("IDE");
    showSubjectTable(all, kClinic, kAddress);
    ReportPreview *preview = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *p = qobject_cast<ReportPreview *>(w); p && p->isVisible())
            preview = p;
    QVERIFY(preview);
    QTest::mouseClick(preview->findChild<QPushButton *>("cmdPrint"), Qt::LeftButton);
    auto *dialog = preview->findChild<QPrintDialog *>();
    QVERIFY(dialog);
    QTRY_VERIFY(dialog->isVisible());
    // The print dialog holds only the preview.
    QCOMPARE(dialog->windowModality(), Qt::WindowModal);
    // Cancelled, nothing is printed; printed to a file (the dialog offers the
    // file the printer was last set to), the printout has the preview's pages.
    QPrinter *printer = dialog->printer();
    dialog->reject();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const QString file = m_out.filePath("printed.pdf");
    QVERIFY(!QFile::exists(file));
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(file);
    QTest::mouseClick(preview->findChild<QPushButton *>("cmdPrint"), Qt::LeftButton);
    QTRY_VERIFY(preview->findChild<QPrintDialog *>() && preview->findChild<QPrintDialog *>()->isVisible());
    preview->findChild<QPrintDialog *>()->accept();
    QCoreApplication::processEvents();
    QCOMPARE(PdfTools::pageCount(file), preview->pageCount());
    QVERIFY(PdfTools::text(file).contains("Q0050"));
}

// A table of a million subjects has about 25,600 pages: the preview shows
// them smaller rather than make a column taller than Qt's largest widget,
// which would cut the last pages off.
void ReportsTest::previewOfAMillionRowsReachesItsLastPage()
{
    struct Blank : PagedReport {
        QPageLayout pageLayout() const override { return SubjectTableReport::designedLayout(); }
        int reportWidth() const override { return 9513; }
        int pageCount(double) const override { return 25642; }
        void paintPage(ReportCanvas &, int) const override {}
    };
    QPointer<ReportPreview> preview;
    ReportPreview::showReport(preview, QStringLiteral("گزارش"), std::make_shared<Blank>(), QStringLiteral("blank.pdf"));
    QVERIFY(preview->findChild<QWidget *>("previewPages")->height() < QWIDGETSIZE_MAX);
    preview->showPage(25642);
    QCOMPARE(preview->currentPage(), 25642);
    QTest::mouseClick(preview->findChild<QPushButton *>("cmdZoomIn"), Qt::LeftButton);
    QVERIFY(preview->findChild<QWidget *>("previewPages")->height() < QWIDGETSIZE_MAX);
    QCOMPARE(preview->currentPage(), 25642);
}

QTEST_MAIN(ReportsTest)
#include "tst_reports.moc"
