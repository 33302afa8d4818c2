#include "ScriptedDialogs.h"
#include "TestFolder.h"

#include "data/TableView.h"
#include "records/SubjectListWindow.h"
#include "records/SubjectListModel.h"
#include "reports/SubjectTableReport.h"
#include "shell/MainWindow.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

namespace {
QStringList gridCodes(SubjectListWindow &window)
{
    auto *grid = window.findChild<QTableView *>("DataGrid1");
    QStringList codes;
    for (int row = 0; row < grid->model()->rowCount(); ++row)
        codes << grid->model()->index(row, 0).data().toString();
    return codes;
}

void choose(QComboBox *combo, const QString &text)
{
    const int index = combo->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    combo->setCurrentIndex(index);
    emit combo->textActivated(text);  // as when the operator picks it from the list
}

// Opens the selector's list and clicks the item in it, as the operator does.
void pickFromList(QComboBox *combo, const QString &text)
{
    const int row = combo->findText(text);
    QVERIFY2(row >= 0, qPrintable(text));
    combo->showPopup();
    QAbstractItemView *view = combo->view();
    QVERIFY(QTest::qWaitForWindowExposed(view->window()));
    // A release right after the list opened belongs to the press that opened it.
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    const QRect item = view->visualRect(view->model()->index(row, combo->modelColumn()));
    QVERIFY(!item.isEmpty());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, item.center());
    QTRY_VERIFY(!view->window()->isVisible());
    QCOMPARE(combo->currentText(), text);
}

void closeReportWindows()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && !qobject_cast<SubjectListWindow *>(w) && !qobject_cast<MainWindow *>(w))
            w->close();
}

// Five subjects: two share a family name, group C is empty.
void addSubjects(TestFolder &folder)
{
    folder.addSubject("1", "A", "مريم", "احمدي");
    folder.addSubject("2", "B", "رضا", "کريمي");
    folder.addSubject("3", "B", "سارا", "احمدي");
    folder.addSubject("O'Neil", "D", "جان", "O'Neil");
    folder.addSubject("5", "", "بي گروه", "نامعلوم");
}
}  // namespace

class SubjectListWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { closeReportWindows(); }
    void opensWithEverySubject();
    void filtersReplaceEachOther();
    void printByGroup();
    void deleteRefusals();
    void deleteAnswersNoThenYes();
    void deleteWithoutAnswerRowAndWithQuotes();
    void deleteErrorLeavesBothTables();
    void gridReadsOnlyWhatItShows();
    void replacesAndRestoresMainWindow();
    void groupPickedAgainFilters();
};

void SubjectListWindowTest::opensWithEverySubject()
{
    TestFolder folder;
    addSubjects(folder);
    SubjectListWindow window;
    window.show();
    QCOMPARE(window.windowTitle(), QStringLiteral("کد آزمودني"));
    QCOMPARE(gridCodes(window), (QStringList{"1", "2", "3", "O'Neil", "5"}));
    auto *grid = window.findChild<QTableView *>("DataGrid1");
    QVERIFY(grid->isRightToLeft());  // column 0, the code, stands at the right
    QStringList headers;
    for (int c = 0; c < 4; ++c)
        headers << grid->model()->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(headers, (QStringList{"کد", "نام", "نام خانوادگي", "گروه"}));
    auto *family = window.findChild<QComboBox *>("DataCombo1");
    QCOMPARE(family->count(), 4);  // "احمدي" once
    QCOMPARE(family->currentText(), QString());
    QCOMPARE(window.findChild<QComboBox *>("Combo3")->currentText(), QStringLiteral("جنسيت را انتخاب كنيد"));
    QVERIFY(!window.listView()->isFiltered());
}

void SubjectListWindowTest::filtersReplaceEachOther()
{
    TestFolder folder;
    addSubjects(folder);
    SubjectListWindow window;
    auto *group = window.findChild<QComboBox *>("Combo3");
    auto *first = window.findChild<QComboBox *>("DataCombo6");
    auto *family = window.findChild<QComboBox *>("DataCombo1");

    choose(group, "C");
    QCOMPARE(gridCodes(window), QStringList());

    // Typing a group filters at once.
    group->clearEditText();
    QTest::keyClicks(group->lineEdit(), "B");
    QCOMPARE(gridCodes(window), (QStringList{"2", "3"}));

    // A family name after a group: that name in every group, and the group blanked.
    choose(family, "احمدي");
    QCOMPARE(gridCodes(window), (QStringList{"1", "3"}));
    QCOMPARE(group->currentText(), QString());
    QCOMPARE(window.listView()->rowCount(), 2);  // blanking did not filter again

    choose(first, "رضا");
    QCOMPARE(gridCodes(window), QStringList{"2"});
    QCOMPARE(family->currentText(), QString());

    choose(family, "O'Neil");
    QCOMPARE(gridCodes(window), QStringList{"O'Neil"});
    QCOMPARE(first->currentText(), QString());

    // An emptied group text looks for subjects without a group.
    QTest::keyClicks(group->lineEdit(), "D");
    QCOMPARE(gridCodes(window), QStringList{"O'Neil"});
    QTest::keyClick(group->lineEdit(), Qt::Key_Backspace);
    QCOMPARE(gridCodes(window), QStringList{"5"});
}

void SubjectListWindowTest::printByGroup()
{
    TestFolder folder;
    addSubjects(folder);
    folder.sql("UPDATE Theme SET Adress = ?", {QStringLiteral("تهران، خيابان آزادي")});
    ScriptedDialogs dialogs;
    SubjectListWindow window;
    auto *print = window.findChild<QPushButton *>("Command1");

    // The opening text is not empty: everyone is printed.
    QTest::mouseClick(print, Qt::LeftButton);
    QVERIFY(dialogs.shown.isEmpty());
    QCOMPARE(SubjectTableReport::instance().rowCount(), 5);
    QCOMPARE(SubjectTableReport::instance().address(), QStringLiteral("تهران، خيابان آزادي"));

    choose(window.findChild<QComboBox *>("Combo3"), "B");
    QTest::mouseClick(print, Qt::LeftButton);
    QCOMPARE(SubjectTableReport::instance().rowCount(), 2);
    QCOMPARE(SubjectTableReport::instance().value(1, "Code"), QStringLiteral("3"));
    const QString pdf = folder.path() + "/Back/group-B.pdf";
    QVERIFY(SubjectTableReport::instance().saveAsPdf(pdf));
    QVERIFY(QFileInfo(pdf).size() > 1000);
    if (!qEnvironmentVariableIsEmpty("MEHRSAN_KEEP_PDF"))
        QFile::copy(pdf, qEnvironmentVariable("MEHRSAN_KEEP_PDF"));

    choose(window.findChild<QComboBox *>("Combo3"), "C");
    QTest::mouseClick(print, Qt::LeftButton);
    QCOMPARE(SubjectTableReport::instance().rowCount(), 0);  // headings, no rows

    choose(window.findChild<QComboBox *>("DataCombo1"), "احمدي");
    QTest::mouseClick(print, Qt::LeftButton);
    QCOMPARE(dialogs.last().kind, QStringLiteral("timed"));
    QCOMPARE(dialogs.last().text, QStringLiteral("شما بايد گروه آزمودني مورد نظر را انتخاب كنيد"));
    QCOMPARE(dialogs.last().delayMs, 1000);
}

void SubjectListWindowTest::deleteRefusals()
{
    TestFolder folder;
    addSubjects(folder);
    ScriptedDialogs dialogs;
    SubjectListWindow window;
    auto *code = window.findChild<QLineEdit *>("Text5");
    auto *remove = window.findChild<QPushButton *>("Command2");
    QTest::mouseClick(remove, Qt::LeftButton);
    QCOMPARE(dialogs.last().text, QStringLiteral("شما بايد شماره آزمودني مورد نظر را وارد كنيد"));
    QTest::keyClicks(code, " 2 ");  // matched as typed
    QTest::mouseClick(remove, Qt::LeftButton);
    QCOMPARE(dialogs.last().text, QStringLiteral("فردي با اين کد وجود ندارد"));
    QCOMPARE(dialogs.shown.size(), 2);  // no question was asked
    QCOMPARE(folder.sql("SELECT COUNT(*) FROM IDE").first(), QStringLiteral("5"));
    QCOMPARE(folder.sql("SELECT COUNT(*) FROM Answer").first(), QStringLiteral("5"));
}

void SubjectListWindowTest::deleteAnswersNoThenYes()
{
    TestFolder folder;
    addSubjects(folder);
    ScriptedDialogs dialogs;
    SubjectListWindow window;
    window.show();
    auto *code = window.findChild<QLineEdit *>("Text5");
    choose(window.findChild<QComboBox *>("Combo3"), "B");

    QTest::keyClicks(code, "3");
    dialogs.buttonAnswers << QMessageBox::No;
    QTest::mouseClick(window.findChild<QPushButton *>("Command2"), Qt::LeftButton);
    QCOMPARE(dialogs.last().title, QStringLiteral("Mehrsan"));
    QCOMPARE(dialogs.last().text, QStringLiteral("آيا براي حذف کردن مطمئن هستيد؟"));
    QCOMPARE(dialogs.last().buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(folder.sql("SELECT COUNT(*) FROM IDE WHERE Code='3'").first(), QStringLiteral("1"));
    QCOMPARE(folder.sql("SELECT COUNT(*) FROM Answer WHERE Code='3'").first(), QStringLiteral("1"));
    QCOMPARE(gridCodes(window).size(), 5);  // No re-reads the list: everyone again

    dialogs.buttonAnswers << QMessageBox::Yes;
    QTest::keyClick(code, Qt::Key_Return);
    QCOMPARE(dialogs.last().text, QStringLiteral("حذف با موفقيت انجام گرفت"));
    QCOMPARE(folder.sql("SELECT COUNT(*) FROM IDE WHERE Code='3'").first(), QStringLiteral("0"));
    QCOMPARE(folder.sql("SELECT COUNT(*) FROM Answer WHERE Code='3'").first(), QStringLiteral("0"));
    QCOMPARE(gridCodes(window), (QStringList{"1", "2", "O'Neil", "5"}));
    QCOMPARE(code->text(), QString());
    QCOMPARE(window.focusWidget(), code);
    // The family name stays in the list: another subject still carries it.
    QVERIFY(window.findChild<QComboBox *>("DataCombo1")->findText("احمدي") >= 0);
    QVERIFY(window.findChild<QComboBox *>("DataCombo6")->findText("سارا") < 0);
}

void SubjectListWindowTest::deleteWithoutAnswerRowAndWithQuotes()
{
    TestFolder folder;
    addSubjects(folder);
    folder.sql("DELETE FROM Answer WHERE Code='2'");
    ScriptedDialogs dialogs;
    SubjectListWindow window;
    auto *code = window.findChild<QLineEdit *>("Text5");
    for (const QString &c : {QStringLiteral("2"), QStringLiteral("O'Neil")}) {
        code->setText(c);
        dialogs.buttonAnswers << QMessageBox::Yes;
        QTest::mouseClick(window.findChild<QPushButton *>("Command2"), Qt::LeftButton);
        QCOMPARE(dialogs.last().text, QStringLiteral("حذف با موفقيت انجام گرفت"));
    }
    QCOMPARE(folder.sql("SELECT Code FROM IDE ORDER BY rowid"), (QStringList{"1", "3", "5"}));
    QCOMPARE(folder.sql("SELECT Code FROM Answer ORDER BY rowid"), (QStringList{"1", "3", "5"}));
}

void SubjectListWindowTest::deleteErrorLeavesBothTables()
{
    TestFolder folder;
    addSubjects(folder);
    folder.sql("CREATE TRIGGER keep_answers BEFORE DELETE ON Answer BEGIN SELECT RAISE(ABORT, 'answers locked'); END");
    ScriptedDialogs dialogs;
    SubjectListWindow window;
    window.findChild<QLineEdit *>("Text5")->setText("1");
    dialogs.buttonAnswers << QMessageBox::Yes;
    QTest::mouseClick(window.findChild<QPushButton *>("Command2"), Qt::LeftButton);
    QCOMPARE(dialogs.last().title, QStringLiteral("Error"));
    QCOMPARE(dialogs.last().icon, QMessageBox::Warning);
    QVERIFY(dialogs.last().text.contains("answers locked"));
    QVERIFY(!dialogs.texts().contains(QStringLiteral("حذف با موفقيت انجام گرفت")));
    // The IDE row was deleted first, and came back with the rollback.
    QCOMPARE(folder.sql("SELECT COUNT(*) FROM IDE WHERE Code='1'").first(), QStringLiteral("1"));
    QCOMPARE(folder.sql("SELECT COUNT(*) FROM Answer WHERE Code='1'").first(), QStringLiteral("1"));
    QCOMPARE(window.findChild<QLineEdit *>("Text5")->text(), QStringLiteral("1"));
}

void SubjectListWindowTest::gridReadsOnlyWhatItShows()
{
    TestFolder folder;
    folder.sql("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
               "INSERT INTO IDE (Code, FName, LName, \"Group\") SELECT 'c' || i, 'نام' || (i % 7), 'فاميل', 'A' FROM n");
    SubjectListWindow window;
    window.show();
    QTest::qWait(50);
    auto *model = qobject_cast<SubjectListModel *>(window.findChild<QTableView *>("DataGrid1")->model());
    // The grid knows of the first page only, read once, and learns of more as it reaches the end.
    QCOMPARE(model->rowCount(), 100);
    QVERIFY(model->canFetchMore(QModelIndex()));
    QVERIFY2(model->pagesRead() <= 2, qPrintable(QString::number(model->pagesRead())));
    QCOMPARE(window.findChild<QComboBox *>("DataCombo6")->count(), 7);
    auto *grid = window.findChild<QTableView *>("DataGrid1");
    grid->scrollToBottom();
    QTRY_VERIFY(model->rowCount() > 100);
    while (model->canFetchMore(QModelIndex()))
        model->fetchMore(QModelIndex());
    QCOMPARE(model->rowCount(), 3000);
    QCOMPARE(model->index(2999, 0).data().toString(), QStringLiteral("c3000"));
    QCOMPARE(model->index(150, 0).data().toString(), QStringLiteral("c151"));  // an early page read again
}

void SubjectListWindowTest::replacesAndRestoresMainWindow()
{
    TestFolder folder;
    auto *main = MainWindow::load();
    QPointer<MainWindow> guard(main);
    QTest::mouseClick(main->findChild<QPushButton *>("Command4"), Qt::LeftButton);
    QVERIFY(!guard.isNull());  // no subject: nothing happens
    folder.addSubject("1");
    main->answerView->reread();
    QTest::mouseClick(main->findChild<QPushButton *>("Command4"), Qt::LeftButton);
    QTRY_VERIFY(guard.isNull());
    SubjectListWindow *codes = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *c = qobject_cast<SubjectListWindow *>(w); c && c->isVisible())
            codes = c;
    QVERIFY(codes);
    QTest::mouseClick(codes->findChild<QPushButton *>("Command6"), Qt::LeftButton);
    QVERIFY(MainWindow::current());
    QCOMPARE(MainWindow::current()->exitMode(), QStringLiteral("2"));
    MainWindow::current()->setExitMode("1");
    MainWindow::current()->close();
}

// After a No to the delete question the list holds everyone again while the
// group selector still shows its group: picking that group again filters.
void SubjectListWindowTest::groupPickedAgainFilters()
{
    TestFolder folder;
    addSubjects(folder);
    ScriptedDialogs dialogs;
    SubjectListWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *group = window.findChild<QComboBox *>("Combo3");
    pickFromList(group, "B");
    QCOMPARE(gridCodes(window), (QStringList{"2", "3"}));

    window.findChild<QLineEdit *>("Text5")->setText("2");
    dialogs.buttonAnswers << QMessageBox::No;
    QTest::mouseClick(window.findChild<QPushButton *>("Command2"), Qt::LeftButton);
    QCOMPARE(gridCodes(window).size(), 5);
    QCOMPARE(group->currentText(), QStringLiteral("B"));

    pickFromList(group, "B");
    QCOMPARE(gridCodes(window), (QStringList{"2", "3"}));
    QCOMPARE(window.listView()->rowCount(), 2);
}

QTEST_MAIN(SubjectListWindowTest)
#include "tst_subjectlistwindow.moc"

