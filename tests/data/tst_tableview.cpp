#include "TestFolder.h"

#include "data/Binder.h"
#include "data/Database.h"
#include "data/TableView.h"

#include <QLineEdit>
#include <QtTest>

class TableViewTest : public QObject
{
    Q_OBJECT
private slots:
    void emptyTable();
    void duplicateCodeRefusedWithoutStoringAnything();
    void filterAndReread();
    void quotesAndAnyTextAreSafe();
    void columnNamesInAnyCase();
    void answerColumnsByItemNumber();
    void rereadDropsPendingEdits();
    void outerTransactionRollsBackCommits();
    void deleteMovesToNextMatch();
    void rowsInStoredOrder();
    void binderFollowsCurrentRow();
    void valuesBothStoresHold_data();
    void valuesBothStoresHold();
    void persianJoinersAndMarksKept();
};

void TableViewTest::emptyTable()
{
    TestFolder folder;
    TableView answers(QStringLiteral("Answer"));
    QCOMPARE(answers.rowCount(), 0);
    QVERIFY(!answers.hasCurrent());
    QCOMPARE(answers.field(QStringLiteral("Code")), QString());
    QVERIFY(!answers.setField(QStringLiteral("Code"), QStringLiteral("x")));
    QVERIFY(answers.commit());  // nothing pending: nothing to do
    QCOMPARE(folder.sql("SELECT COUNT(*) FROM Answer"), QStringList{"0"});
}

void TableViewTest::duplicateCodeRefusedWithoutStoringAnything()
{
    TestFolder folder;
    TableView ide(QStringLiteral("IDE"));
    ide.addNew();
    ide.setField(QStringLiteral("Code"), QStringLiteral("17"));
    ide.setField(QStringLiteral("FName"), QStringLiteral("مريم"));
    QVERIFY(ide.commit());
    QVERIFY(!ide.hasPending());
    QCOMPARE(ide.field(QStringLiteral("FName")), QStringLiteral("مريم"));

    ide.addNew();
    ide.setField(QStringLiteral("Code"), QStringLiteral("17"));
    ide.setField(QStringLiteral("FName"), QStringLiteral("سارا"));
    QVERIFY(!ide.commit());
    QVERIFY(!ide.lastError().isEmpty());
    // The refused row stays pending with what was typed, and nothing reached the file.
    QVERIFY(ide.isPendingNew());
    QCOMPARE(ide.field(QStringLiteral("FName")), QStringLiteral("سارا"));
    QCOMPARE(folder.sql("SELECT FName FROM IDE"), QStringList{"مريم"});

    // Corrected, the same pending row stores.
    ide.setField(QStringLiteral("Code"), QStringLiteral("18"));
    QVERIFY(ide.commit());
    QCOMPARE(folder.sql("SELECT Code || ':' || FName FROM IDE ORDER BY rowid"),
             (QStringList{"17:مريم", "18:سارا"}));
}

void TableViewTest::filterAndReread()
{
    TestFolder folder;
    folder.addSubject("1", "A");
    folder.addSubject("2", "B");
    folder.addSubject("3", "B");
    TableView ide(QStringLiteral("IDE"));
    QCOMPARE(ide.rowCount(), 3);
    QCOMPARE(ide.field("Code"), QStringLiteral("1"));

    ide.filter(QStringLiteral("Group='B'"));
    QCOMPARE(ide.rowCount(), 2);
    QCOMPARE(ide.field("Code"), QStringLiteral("2"));  // first match is current
    QVERIFY(ide.moveNext());
    QCOMPARE(ide.field("Code"), QStringLiteral("3"));
    QVERIFY(!ide.moveNext());
    QVERIFY(!ide.hasCurrent());

    ide.filter(QStringLiteral("Group='Z'"));
    QCOMPARE(ide.rowCount(), 0);
    QVERIFY(!ide.hasCurrent());

    ide.reread();
    QVERIFY(!ide.isFiltered());
    QCOMPARE(ide.rowCount(), 3);
    QCOMPARE(ide.field("Code"), QStringLiteral("1"));

    // A code stored with blanks around it is not found by the bare code.
    folder.addSubject(" 44 ");
    ide.filter(QStringLiteral("code='44'"));
    QVERIFY(!ide.hasCurrent());
    TableView answers(QStringLiteral("Answer"));
    answers.filter(QStringLiteral("code='44'"));
    QVERIFY(answers.hasCurrent());
}

void TableViewTest::quotesAndAnyTextAreSafe()
{
    TestFolder folder;
    const QStringList codes = {"O'Brien", "x' OR '1'='1", "کد\"۱۲\"", "a;DROP TABLE IDE;--", "''"};
    for (const QString &code : codes)
        folder.addSubject(code);
    folder.addSubject("plain");
    TableView ide(QStringLiteral("IDE"));
    for (const QString &code : codes) {
        ide.filter("code='" + code + "'");
        QCOMPARE(ide.rowCount(), 1);
        QCOMPARE(ide.field("Code"), code);
        ide.filterBy("Code", code);
        QCOMPARE(ide.rowCount(), 1);
    }
    QCOMPARE(folder.sql("SELECT COUNT(*) FROM IDE"), QStringList{"6"});

    // Expressions of another form, and unknown columns, match nothing.
    for (const QString &bad : {QStringLiteral("code=plain"), QStringLiteral("nosuch='plain'"), QString(),
                               QStringLiteral("'plain'")}) {
        ide.filter(bad);
        QCOMPARE(ide.rowCount(), 0);
        QVERIFY(!ide.hasCurrent());
    }
}

void TableViewTest::columnNamesInAnyCase()
{
    TestFolder folder;
    folder.addSubject("7", "C", "رضا");
    TableView ide(QStringLiteral("IDE"));
    for (const QString &expression : {"CODE='7'", "code='7'", "Code = '7'", "gRoUp='C'", "fname='رضا'"}) {
        ide.filter(expression);
        QCOMPARE(ide.rowCount(), 1);
    }
    QCOMPARE(ide.field(QStringLiteral("fNAME")), QStringLiteral("رضا"));
    TableView items(QStringLiteral("QU"));
    items.filter(QStringLiteral("id='90'"));
    QCOMPARE(items.rowCount(), 1);
    items.filter(QStringLiteral("ID='91'"));
    QCOMPARE(items.rowCount(), 0);
    QCOMPARE(TableView(QStringLiteral("QU")).rowCount(), 90);
}

void TableViewTest::answerColumnsByItemNumber()
{
    TestFolder folder;
    folder.addSubject("5");
    TableView answers(QStringLiteral("Answer"));
    answers.filter(QStringLiteral("code='5'"));
    QVERIFY(answers.setField(QStringLiteral("12"), QStringLiteral("4")));
    QVERIFY(answers.setField(QStringLiteral("90"), QStringLiteral("1")));
    QVERIFY(answers.commit());
    QCOMPARE(folder.sql("SELECT \"12\" || \"90\" FROM Answer"), QStringList{"41"});
    QCOMPARE(answers.field(QStringLiteral("12")), QStringLiteral("4"));
    QCOMPARE(answers.field(QStringLiteral("13")), QString());
    QVERIFY(!answers.setField(QStringLiteral("91"), QStringLiteral("1")));
}

void TableViewTest::rereadDropsPendingEdits()
{
    TestFolder folder;
    folder.addSubject("1");
    TableView ide(QStringLiteral("IDE"));
    ide.setField("FName", "تغيير");
    QVERIFY(ide.hasPending());
    ide.reread();
    QVERIFY(!ide.hasPending());
    QCOMPARE(ide.field("FName"), QStringLiteral("علي"));
    ide.addNew();
    ide.setField("Code", "2");
    ide.filter("code='1'");  // a filter also drops the pending row, unstored
    ide.reread();
    QCOMPARE(folder.sql("SELECT COUNT(*) FROM IDE"), QStringList{"1"});
}

void TableViewTest::outerTransactionRollsBackCommits()
{
    TestFolder folder;
    TableView ide(QStringLiteral("IDE"));
    TableView answers(QStringLiteral("Answer"));
    {
        Database::Transaction transaction;
        QVERIFY(transaction.isActive());
        answers.addNew();
        answers.setField("Code", "9");
        QVERIFY(answers.commit());
        ide.addNew();  // no code: refused by the store
        ide.setField("FName", "x");
        QVERIFY(!ide.commit());
        // leaving the scope without commit() rolls the Answer row back as well
    }
    QCOMPARE(folder.sql("SELECT COUNT(*) FROM Answer"), QStringList{"0"});
    {
        Database::Transaction transaction;
        answers.addNew();
        answers.setField("Code", "10");
        QVERIFY(answers.commit());
        QVERIFY(transaction.commit());
    }
    QCOMPARE(folder.sql("SELECT Code FROM Answer"), QStringList{"10"});
}

void TableViewTest::deleteMovesToNextMatch()
{
    TestFolder folder;
    folder.addSubject("1", "A");
    folder.addSubject("2", "B");
    folder.addSubject("3", "A");
    TableView ide(QStringLiteral("IDE"));
    ide.filter("Group='A'");
    QVERIFY(ide.deleteCurrent());
    QCOMPARE(ide.field("Code"), QStringLiteral("3"));
    QVERIFY(ide.deleteCurrent());
    QVERIFY(!ide.hasCurrent());
    QVERIFY(!ide.deleteCurrent());
    QCOMPARE(folder.sql("SELECT Code FROM IDE"), QStringList{"2"});
}

void TableViewTest::rowsInStoredOrder()
{
    TestFolder folder;
    for (int i = 1; i <= 25; ++i)
        folder.addSubject(QString::number(i), i % 2 ? "A" : "B");
    TableView ide(QStringLiteral("IDE"));
    ide.filter("group='B'");
    const auto page = ide.rows(3, 4, {"code", "Group"});
    QCOMPARE(page.size(), 4);
    QCOMPARE(page.first().value("Code"), QStringLiteral("8"));
    QCOMPARE(page.last().value("Code"), QStringLiteral("14"));
    QCOMPARE(ide.rows(10, 10, {"Code"}).size(), 2);
}

void TableViewTest::binderFollowsCurrentRow()
{
    TestFolder folder;
    folder.addSubject("1", "A", "الف");
    folder.addSubject("2", "A", "ب");
    TableView ide(QStringLiteral("IDE"));
    Binder binder;
    QLineEdit name;
    binder.bind(&name, &ide, "FName");
    QCOMPARE(name.text(), QStringLiteral("الف"));
    QVERIFY(!ide.hasPending());  // showing a row is not an edit
    ide.moveNext();
    QCOMPARE(name.text(), QStringLiteral("ب"));
    name.setText(QStringLiteral("پ"));
    QVERIFY(ide.commit());
    QCOMPARE(folder.sql("SELECT FName FROM IDE WHERE Code='2'"), QStringList{"پ"});
    ide.addNew();
    QCOMPARE(name.text(), QString());
    binder.setColumn(&name, "Code");
    ide.reread();
    QCOMPARE(name.text(), QStringLiteral("1"));
}


// What reaches either store fits both: a value with a control character (a
// NUL above all) or longer than its column takes is refused with the reason,
// and a bound field drops such characters and stops at the length as typed
// or pasted.
void TableViewTest::valuesBothStoresHold_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("kept");  // what a bound field keeps of it
    QTest::newRow("NUL in a name") << "FName" << QStringLiteral("مر%1يم").arg(QChar(0)) << QStringLiteral("مريم");
    QTest::newRow("tab in a code") << "Code" << "a\tb" << "ab";
    QTest::newRow("line break in a name") << "LName" << "a\nb" << "ab";
    QTest::newRow("code of 31") << "Code" << QString(31, 'c') << QString(30, 'c');
    QTest::newRow("name of 51") << "FName" << QString(51, QChar(0x0645)) << QString(50, QChar(0x0645));
    QTest::newRow("education of 200") << "Tahsil" << QString(200, 'e') << QString(50, 'e');
    // Characters that show nothing but turn or break what a later reader sees.
    const QList<QPair<char16_t, const char *>> hidden = {
        {0x202A, "FName"}, {0x202B, "LName"}, {0x202C, "Tahsil"}, {0x202D, "Code"}, {0x202E, "FName"},
        {0x2066, "LName"}, {0x2067, "Tahsil"}, {0x2068, "Code"}, {0x2069, "FName"}, {0x200B, "Code"},
        {0x2028, "LName"}, {0x2029, "Tahsil"}, {0xD800, "FName"}, {0xDFFF, "Code"}};
    for (const auto &[c, column] : hidden)
        QTest::newRow(qPrintable(QStringLiteral("U+%1 in %2").arg(uint(c), 4, 16).arg(column)))
            << column << QStringLiteral("علي%1رضا").arg(QChar(c)) << QStringLiteral("عليرضا");
    QTest::newRow("pair halves the wrong way round") << "LName" << (QStringLiteral("a") + QChar(0xDC00) + QChar(0xD800) + 'b')
                                                      << "ab";
}

// The joiners and direction marks Persian writing needs are stored as typed,
// and a character beyond the first plane (its two halves together) too.
void TableViewTest::persianJoinersAndMarksKept()
{
    TestFolder folder;
    folder.addSubject("V1");
    TableView view("IDE");
    view.filter("Code='V1'");
    const QString name = QStringLiteral("مهر\u200Cناز\u200D \u200Fخانم\u200E A \U0001F600");
    QLineEdit field;
    Binder binder;
    binder.bind(&field, &view, "FName");
    field.setText(name);
    QCOMPARE(field.text(), name);
    QVERIFY2(view.commit(), qPrintable(view.lastError()));
    QCOMPARE(folder.sql("SELECT FName FROM IDE"), QStringList{name});
}

void TableViewTest::valuesBothStoresHold()
{
    QFETCH(QString, column);
    QFETCH(QString, value);
    QFETCH(QString, kept);
    TestFolder folder;
    folder.addSubject("V1");
    TableView view("IDE");
    view.filter("Code='V1'");
    const QString before = view.field(column);
    QVERIFY(view.setField(column, value));
    QVERIFY(!view.commit());
    QVERIFY2(!view.lastError().isEmpty(), qPrintable(column));
    QVERIFY2(view.lastError().contains(column), qPrintable(view.lastError()));
    view.reread();
    QCOMPARE(folder.sql(QStringLiteral("SELECT %1 FROM IDE").arg(Database::quoted(column))), QStringList{before});

    QLineEdit field;
    Binder binder;
    view.filter("Code='V1'");
    binder.bind(&field, &view, column);
    field.setText(value);
    QCOMPARE(field.text(), kept);
    QVERIFY2(view.commit(), qPrintable(view.lastError()));
    QCOMPARE(folder.sql(QStringLiteral("SELECT %1 FROM IDE").arg(Database::quoted(column))), QStringList{kept});
}

QTEST_MAIN(TableViewTest)
#include "tst_tableview.moc"
