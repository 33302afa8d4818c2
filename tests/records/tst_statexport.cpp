// The export as SPSS and Stata files, read back by programs other than the
// one that wrote them: PSPP for the .sav, ReadStat's own readstat command for
// the .dta (PSPP does not read Stata files). Every cell, variable label and
// value label is compared with the database and the program's texts.
#include "FileDialogDriver.h"
#include "ScriptedDialogs.h"
#include "SubjectRows.h"
#include "TestFolder.h"

#include "data/TableView.h"
#include "platform/Skin.h"
#include "records/CsvStandingColumns.h"
#include "records/StatFileExport.h"
#include "records/SubjectListWindow.h"
#include "scoring/ScoringKey.h"
#include "testrun/AnswerCoding.h"
#include "testrun/TestRunTexts.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QPushButton>
#include <QSqlQuery>
#include <QtTest>

#include <cmath>

namespace {
// Runs a command; its standard output, or a null array when it failed.
QByteArray run(const QString &program, const QStringList &arguments, const QByteArray &input = {})
{
    QProcess p;
    p.start(program, arguments);
    if (!input.isEmpty()) {
        p.write(input);
        p.closeWriteChannel();
    }
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        qWarning("%s failed: %s", qPrintable(program), p.readAllStandardError().constData());
        return QByteArray();
    }
    const QByteArray out = p.readAllStandardOutput();
    return out.isNull() ? QByteArray("") : out;  // ran well, said nothing: not a failure
}

// A CSV text as rows of fields (RFC 4180 quoting, as PSPP and readstat write it).
QList<QStringList> parseCsv(const QString &text)
{
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            row << field;
            field.clear();
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            row << field;
            rows << row;
            row.clear();
            field.clear();
        } else {
            field += c;
        }
    }
    if (!field.isEmpty() || !row.isEmpty())
        rows << (row << field);
    return rows;
}

// What a reader found in a file: cells by variable and row, variable labels,
// and value labels by variable ("1=مرد").
struct ReadBack {
    QStringList names;
    QList<QStringList> rows;
    QHash<QString, QString> labels;
    QHash<QString, QStringList> valueLabels;
    QString encoding;
};

QString number(const QString &cell)
{
    // "3.00", "3", "3.0" and "" alike.
    bool ok = false;
    const double v = cell.trimmed().toDouble(&ok);
    return ok ? QString::number(v) : QString();
}

// The data a reader wrote as CSV: the names, then the rows.
void readData(const QString &csv, ReadBack *back)
{
    QFile d(csv);
    d.open(QIODevice::ReadOnly);
    back->rows = parseCsv(QString::fromUtf8(d.readAll()));
    if (!back->rows.isEmpty())
        back->names = back->rows.takeFirst();
}

// PSPP: the data as CSV, and the dictionary as PSPP displays it.
ReadBack readWithPspp(const QString &file, const QString &work)
{
    ReadBack back;
    const QString data = work + "/pspp-data.csv";
    if (run("pspp-convert", {file, data}).isNull())
        return back;
    readData(data, &back);
    const QString syntax = work + "/dictionary.sps";
    QFile s(syntax);
    s.open(QIODevice::WriteOnly);
    s.write("SYSFILE INFO FILE='" + file.toUtf8() + "'.\n");
    s.close();
    const QString out = work + "/dictionary.csv";
    run("pspp", {"-O", "format=csv", "-o", out, syntax});
    QFile o(out);
    o.open(QIODevice::ReadOnly);
    QString table, variable;
    for (const QStringList &row : parseCsv(QString::fromUtf8(o.readAll()))) {
        if (row.size() == 1 && row[0].startsWith("Table: "))
            table = row[0].mid(7);
        else if (table == "Variables" && row.size() >= 3 && back.names.contains(row[0]))
            back.labels[row[0]] = row[2];
        else if (table == "Value Labels" && row.size() >= 3 && row[0] != "Variable Value") {
            // The variable, by its label, heads the row of its first value.
            if (!row[0].isEmpty())
                variable = back.labels.key(row[0]);
            back.valueLabels[variable] << number(row[1]) + '=' + row[2];
        } else if (row.size() >= 2 && row[0] == "Encoding")
            back.encoding = row[1];
    }
    return back;
}

// ReadStat's own tools: readstat for the data as CSV, extract_metadata for the
// variables and their labels as JSON.
ReadBack readWithReadstat(const QString &file, const QString &work)
{
    ReadBack back;
    const QString data = work + "/readstat-data.csv";
    QFile::remove(data);
    if (run("readstat", {file, data}).isNull())
        return back;
    readData(data, &back);
    const QString metadata = work + "/metadata.json";
    QFile::remove(metadata);
    run("extract_metadata", {file, metadata});
    QFile m(metadata);
    m.open(QIODevice::ReadOnly);
    const QJsonObject root = QJsonDocument::fromJson(m.readAll()).object();
    for (const QJsonValue v : root.value("variables").toArray()) {
        const QJsonObject variable = v.toObject();
        const QString name = variable.value("name").toString();
        back.labels[name] = variable.value("label").toString();
        for (const QJsonValue category : variable.value("categories").toArray())
            back.valueLabels[name] << number(QString::number(category.toObject().value("code").toDouble())) + '=' +
                                          category.toObject().value("label").toString();
    }
    return back;
}
}  // namespace

class StatExportTest : public QObject
{
    Q_OBJECT
private slots:
    void readBackAsTheDatabase_data();
    void readBackAsTheDatabase();
    void dialogPicksTheFormat();
    void dialogNamesTheChosenFormat_data();
    void dialogNamesTheChosenFormat();
    void unlabelledValuesAreNamedAfterTheExport();
    void cancelWritesNothing();
    void restingButtonsStayReadable_data();
    void restingButtonsStayReadable();
};

namespace {
double luminance(QRgb c)
{
    const auto channel = [](int v) {
        const double x = v / 255.0;
        return x <= 0.03928 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(c)) + 0.7152 * channel(qGreen(c)) + 0.0722 * channel(qBlue(c));
}

// The contrast of a button's caption with its face: its commonest colour
// against the colour farthest from it in lightness.
double captionContrast(QWidget *button)
{
    const QImage image = button->grab().toImage();
    QHash<QRgb, int> counts;
    for (int y = image.height() / 4; y < image.height() * 3 / 4; ++y)
        for (int x = 4; x < image.width() - 4; ++x)
            ++counts[image.pixel(x, y)];
    QRgb face = 0;
    for (auto it = counts.begin(); it != counts.end(); ++it)
        if (it.value() > counts.value(face))
            face = it.key();
    double best = 1;
    for (auto it = counts.begin(); it != counts.end(); ++it) {
        const double a = luminance(face), b = luminance(it.key());
        best = qMax(best, (qMax(a, b) + 0.05) / (qMin(a, b) + 0.05));
    }
    return best;
}
}  // namespace

void StatExportTest::readBackAsTheDatabase_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<bool>("standing");
    QTest::newRow("sav") << "sav" << false;
    QTest::newRow("sav with standing") << "sav" << true;
    QTest::newRow("dta") << "dta" << false;
    QTest::newRow("dta with standing") << "dta" << true;
}

void StatExportTest::readBackAsTheDatabase()
{
    if (StatFileExport::dialogFilter() == QLatin1String("CSV|*.csv"))
        QSKIP("this build writes CSV files only (no ReadStat)");
    QFETCH(QString, suffix);
    QFETCH(bool, standing);
    TestFolder folder;
    // Every kind of value: Persian text, empty fields, unanswered items, each
    // coded value and one the codes do not know.
    QStringList answers = SubjectRows::uniform("4");
    answers[6] = QString();  // item 7 unanswered
    SubjectRows::addAnswered(folder, "S-1", answers, "A", QStringLiteral("مرد"));
    SubjectRows::addAnswered(folder, QStringLiteral("کد۲"), SubjectRows::uniform("2"), "B", QStringLiteral("زن"));
    folder.addSubject("E3", "C", QString(), QString());
    folder.sql("UPDATE IDE SET Taahol = ?, Sen = '41', Tahsil = ?, Date = '1405/09/18' WHERE Code = 'S-1'",
               {QStringLiteral("مجرد"), QStringLiteral("کارشناسي ارشد")});
    folder.sql("UPDATE IDE SET Taahol = ?, Sen = '' WHERE Code = ?", {QStringLiteral("متأهل"), QStringLiteral("کد۲")});
    folder.sql("UPDATE IDE SET Jens = 'x', Sen = NULL WHERE Code = 'E3'");
    SubjectRows::addMany(folder, 40, "k", true);  // enough keyed subjects for a standing

    TableView view("IDE");
    CsvExport::ExtraColumns extra;
    if (standing)
        QVERIFY(CsvStandingColumns::make(&extra));
    const QString file = folder.path() + "/Back/all." + suffix;
    QString error;
    qint64 rows = 0;
    QVERIFY2(StatFileExport::write(StatFileExport::formatOf(file), view, file, {}, &error, &rows, extra),
             qPrintable(error));
    QCOMPARE(rows, 43);

    const ReadBack back = suffix == "sav" ? readWithPspp(file, folder.path()) : readWithReadstat(file, folder.path());
    // The columns of the CSV, in its order.
    const QStringList expectedNames = CsvExport::header() + extra.names;
    QCOMPARE(back.names, expectedNames);
    QCOMPARE(back.rows.size(), 43);

    // Every cell against the database, through the CSV export's own rows.
    QSqlQuery q;
    qint64 total = 0;
    QVERIFY(CsvExport::openRows(view, q, &total, &error));
    const QSet<QString> text = {"Code", "FName", "LName", "Group", "Tahsil", "Date", "Time"};
    for (int r = 0; q.next(); ++r) {
        QStringList row;
        for (int i = 0; i < CsvExport::header().size(); ++i)
            row << q.value(i).toString();
        if (extra.values)
            row += extra.values(row);
        for (int i = 0; i < expectedNames.size(); ++i) {
            const QString name = expectedNames[i];
            QString expected = row[i];
            if (name == "Jens" || name == "Taahol") {
                const auto codes = name == "Jens" ? StatFileExport::sexCodes() : StatFileExport::maritalCodes();
                QString code;
                for (const auto &[c, t] : codes)
                    if (t == expected)
                        code = QString::number(c);
                expected = code;
            }
            const QString found = back.rows[r].value(i);
            if (text.contains(name))
                QVERIFY2(found.trimmed() == expected.trimmed(),
                         qPrintable(QStringLiteral("%1 row %2: %3 / %4").arg(name).arg(r).arg(found, expected)));
            else  // system-missing reads back empty (or "."), never 0
                QVERIFY2(number(found) == number(expected),
                         qPrintable(QStringLiteral("%1 row %2: '%3' / '%4'").arg(name).arg(r).arg(found, expected)));
        }
    }
    QCOMPARE(number(back.rows[0][back.names.indexOf("Q7")]), QString());  // unanswered, not 0
    QCOMPARE(number(back.rows[2][back.names.indexOf("Sen")]), QString());

    // Variable labels: the Persian caption of each scale, the answers' items.
    QCOMPARE(back.labels.value("khodagahi"), QStringLiteral("خودآگاهي هيجاني"));
    QCOMPARE(back.labels.value("kol"), QStringLiteral("نمره كل"));
    QCOMPARE(back.labels.value("Jens"), QStringLiteral("جنس"));
    QCOMPARE(back.labels.value("Q12"), QStringLiteral("پاسخ گويه 12"));
    for (const auto &s : ScoringKey::subscales())
        QCOMPARE(back.labels.value(QString::fromLatin1(s.column)), QString::fromUtf8(s.caption));
    if (standing) {
        QCOMPARE(back.labels.value("PR_ES"), QStringLiteral("رتبه درصدي خودآگاهي هيجاني"));
        QCOMPARE(back.labels.value("SS_kol"), QStringLiteral("نمره استاندارد نمره كل"));
    }
    // Value labels: the stored codes with their Persian texts; answers by the item's direction.
    QCOMPARE(back.valueLabels.value("Jens"), (QStringList{QStringLiteral("1=مرد"), QStringLiteral("2=زن")}));
    QCOMPARE(back.valueLabels.value("Taahol"), (QStringList{QStringLiteral("1=مجرد"), QStringLiteral("2=متأهل")}));
    const QStringList options = {TestRunTexts::kOption1, TestRunTexts::kOption2, TestRunTexts::kOption3,
                                 TestRunTexts::kOption4, TestRunTexts::kOption5};
    for (int item : {1, 2, 90}) {
        QStringList expected;
        for (int v = 1; v <= 5; ++v)
            expected << QString::number(v) + '=' + options[AnswerCoding::isAscending(item) ? v - 1 : 5 - v];
        QCOMPARE(back.valueLabels.value("Q" + QString::number(item)), expected);
    }
    if (suffix == "sav")
        QCOMPARE(back.encoding, QStringLiteral("UTF-8"));
}

// The dialog offers the three types; the name's suffix picks the format,
// written through the window with its progress.
void StatExportTest::dialogPicksTheFormat()
{
    if (StatFileExport::dialogFilter() == QLatin1String("CSV|*.csv"))
        QSKIP("this build writes CSV files only (no ReadStat)");
    TestFolder folder;
    folder.addSubject("D1");
    ScriptedDialogs dialogs;
    SubjectListWindow window;
    const QString file = folder.path() + "/Back/list.sav";
    dialogs.fileAnswers << file;
    QTest::mouseClick(window.findChild<QPushButton *>("CmdCsv"), Qt::LeftButton);
    QCOMPARE(dialogs.shown.first().filter, QStringLiteral("CSV|*.csv|SPSS|*.sav|Stata|*.dta"));
    QCOMPARE(dialogs.last().text, QStringLiteral("1 آزمودني در فايل ذخيره شد"));
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.read(4), QByteArray("$FL2"));  // an SPSS system file
    QCOMPARE(StatFileExport::formatOf("a.DTA"), StatFileExport::Format::Dta);
    QCOMPARE(StatFileExport::formatOf("a.csv"), StatFileExport::Format::Csv);
    QCOMPARE(StatFileExport::formatOf("a"), StatFileExport::Format::Csv);
}

// The save dialog's title and its save button name the type chosen in it.
void StatExportTest::dialogNamesTheChosenFormat_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("written");
    QTest::newRow("CSV") << "CSV" << int(StatFileExport::Format::Csv) << "list.csv";
    QTest::newRow("SPSS") << "SPSS" << int(StatFileExport::Format::Sav) << "list.sav";
    QTest::newRow("Stata") << "Stata" << int(StatFileExport::Format::Dta) << "list.dta";
}

void StatExportTest::dialogNamesTheChosenFormat()
{
    QFETCH(QString, type);
    QFETCH(int, format);
    QFETCH(QString, written);
    if (StatFileExport::Format(format) != StatFileExport::Format::Csv && StatFileExport::dialogFilter() == QLatin1String("CSV|*.csv"))
        QSKIP("this build writes CSV files only (no ReadStat)");
    TestFolder folder;
    folder.addSubject("D1");
    ScriptedDialogs dialogs;
    dialogs.realSaveDialogs = true;
    SubjectListWindow window;
    window.show();
    FileDialogDriver driver(QStringLiteral("list"));
    driver.typeToChoose = type;
    QTest::mouseClick(window.findChild<QPushButton *>("CmdCsv"), Qt::LeftButton);
    QVERIFY(driver.sawDialog);
    const QString caption = QStringLiteral("خروجي \u2066") + type + QStringLiteral("\u2069");
    QCOMPARE(SubjectListWindow::exportCaption(StatFileExport::Format(format)), caption);
    QCOMPARE(driver.seenTitle, caption);
    QCOMPARE(driver.seenSaveButton, caption);
    QVERIFY2(QFileInfo::exists(folder.path() + "/Back/" + written), qPrintable(dialogs.last().text));
}

// A sex or marital state the file cannot label is told after the export:
// how many subjects, which field; the rest of the file is as always.
void StatExportTest::unlabelledValuesAreNamedAfterTheExport()
{
    if (StatFileExport::dialogFilter() == QLatin1String("CSV|*.csv"))
        QSKIP("this build writes CSV files only (no ReadStat)");
    TestFolder folder;
    for (const char *code : {"U1", "U2", "U3"})
        folder.addSubject(QString::fromLatin1(code));
    folder.sql(QStringLiteral("UPDATE IDE SET Jens = 'مذکر' WHERE Code IN ('U1', 'U2')"));
    folder.sql(QStringLiteral("UPDATE IDE SET Taahol = 'متاهل' WHERE Code = 'U3'"));
    ScriptedDialogs dialogs;
    SubjectListWindow window;
    dialogs.fileAnswers << folder.path() + "/Back/list.sav";
    QTest::mouseClick(window.findChild<QPushButton *>("CmdCsv"), Qt::LeftButton);
    const auto box = dialogs.last();
    QCOMPARE(box.kind, QStringLiteral("message"));
    QCOMPARE(box.icon, QMessageBox::Information);
    QCOMPARE(box.title, SubjectListWindow::exportCaption(StatFileExport::Format::Sav));
    for (const QString &part : {QStringLiteral("3 آزمودني در فايل \u2066list.sav\u2069 ذخيره شد."),
                                QStringLiteral("2 آزمودني در ستون «جنس» مقداري جز «مرد» و «زن» دارند"),
                                QStringLiteral("1 آزمودني در ستون «وضعيت تأهل» مقداري جز «مجرد» و «متأهل» دارند")})
        QVERIFY2(box.text.contains(part), qPrintable(box.text));
    // Stored values only: nothing is told.
    folder.sql(QStringLiteral("UPDATE IDE SET Jens = 'زن', Taahol = 'مجرد'"));
    dialogs.fileAnswers << folder.path() + "/Back/list.dta";
    QTest::mouseClick(window.findChild<QPushButton *>("CmdCsv"), Qt::LeftButton);
    QCOMPARE(dialogs.last().kind, QStringLiteral("timed"));
    QCOMPARE(dialogs.last().text, QStringLiteral("3 آزمودني در فايل ذخيره شد"));
}

// Cancel during the export: no file, the old one kept, the window usable again.
void StatExportTest::cancelWritesNothing()
{
    if (StatFileExport::dialogFilter() == QLatin1String("CSV|*.csv"))
        QSKIP("this build writes CSV files only (no ReadStat)");
    TestFolder folder;
    SubjectRows::addMany(folder, 1500, "c", true);
    ScriptedDialogs dialogs;
    SubjectListWindow window;
    window.show();
    const QString file = folder.path() + "/Back/list.dta";
    QFile old(file);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("older export");
    old.close();
    dialogs.fileAnswers << file;
    auto *cancel = window.findChild<QPushButton *>("CmdCsvCancel");
    bool restedMeanwhile = false;
    double restingContrast = 0;
    QTimer::singleShot(0, &window, [&] {
        restedMeanwhile = cancel->isVisible() && cancel->isEnabled() &&
                          !window.findChild<QPushButton *>("CmdCsv")->isEnabled();
        restingContrast = captionContrast(window.findChild<QPushButton *>("CmdCsv"));
        QTest::mouseClick(cancel, Qt::LeftButton);
    });
    QTest::mouseClick(window.findChild<QPushButton *>("CmdCsv"), Qt::LeftButton);
    QVERIFY(restedMeanwhile);
    // The resting buttons can still be read meanwhile.
    QVERIFY2(restingContrast >= 4.5, qPrintable(QString::number(restingContrast)));
    // The operator's own choice is said, not warned about as an error.
    QCOMPARE(dialogs.last().kind, QStringLiteral("timed"));
    QCOMPARE(dialogs.last().text, QStringLiteral("خروجي لغو شد؛ فايلي ساخته نشد."));
    QVERIFY(dialogs.texts().filter(QStringLiteral("لغو")).size() == 1);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("older export"));
    QCOMPARE(QDir(folder.path() + "/Back").entryList(QDir::Files | QDir::Hidden), QStringList{"list.dta"});
    QVERIFY(window.findChild<QPushButton *>("CmdCsv")->isEnabled());
    QVERIFY(!cancel->isVisible());
}

// Every skin draws a resting (disabled) button so that its caption reads.
void StatExportTest::restingButtonsStayReadable_data()
{
    QTest::addColumn<QString>("skin");
    for (const QString &skin : QDir(MEHRSAN_PROGRAM_DIR).entryList({"*.skn"}, QDir::Files))
        QTest::newRow(qPrintable(skin)) << skin;
}

void StatExportTest::restingButtonsStayReadable()
{
    QFETCH(QString, skin);
    Skin look;
    QVERIFY(look.LoadSkin(QDir(MEHRSAN_PROGRAM_DIR).filePath(skin)));
    QWidget window;
    window.resize(300, 80);
    auto *button = new QPushButton(QStringLiteral("پرينت بر اساس گروه"), &window);
    button->setGeometry(10, 10, 200, 34);
    look.ApplySkin(&window);
    button->setEnabled(false);
    window.show();
    QCoreApplication::processEvents();
    const double contrast = captionContrast(button);
    QVERIFY2(contrast >= 4.5, qPrintable(QString::number(contrast)));
}

QTEST_MAIN(StatExportTest)
#include "tst_statexport.moc"
