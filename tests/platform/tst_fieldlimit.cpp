#include "ScriptedDialogs.h"
#include "SubjectRows.h"
#include "TestFolder.h"
#include "TypeText.h"

#include "data/FieldRules.h"
#include "keying/KeyingWindow.h"
#include "platform/FieldLimit.h"
#include "records/SubjectListWindow.h"
#include "shell/MainWindow.h"

#include <QClipboard>
#include <QComboBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {
QString letters(int n, QChar c = QChar(0x0628)) { return QString(n, c); }

void paste(QWidget *field, const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
    QTest::keySequence(field, QKeySequence::Paste);
}

// Every code or name box a clinic types a subject's code or name into, by the
// column it belongs to.
struct Box {
    const char *objectName;
    const char *table;
    const char *column;
};
const Box kRegistrationBoxes[] = {
    {"Text11", "IDE", "Code"}, {"Text6", "IDE", "FName"}, {"Text4", "IDE", "LName"}, {"Text7", "IDE", "Tahsil"},
};

void closeMain()
{
    QList<QPointer<MainWindow>> windows;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *m = qobject_cast<MainWindow *>(w))
            windows << m;
    for (const QPointer<MainWindow> &m : windows)
        if (m) {
            m->setExitMode(QStringLiteral("1"));
            m->close();
            delete m.data();
        }
}
}  // namespace

class FieldLimitTest : public QObject
{
    Q_OBJECT
private slots:
    void typingStopsAtTheLimit();
    void longerPasteRefusedWithAMessage();
    void pasteThatFitsGoesIn();
    void pasteReplacingASelectionCountsWhatRemains();
    void registrationBoxesHoldTheirColumnLength_data();
    void registrationBoxesHoldTheirColumnLength();
    void deletionAndGroupFilterBoxes();
    void codeInputBoxesOfTestRunAndKeying();
    void realInputBoxStopsAndRefuses();
    void itemEditorAtItsLimitKeepsTextAndCursor();
    void itemEditorRefusesALongerPaste();
};

void FieldLimitTest::typingStopsAtTheLimit()
{
    ScriptedDialogs dialogs;
    QLineEdit field;
    FieldLimit::apply(&field, 30, QStringLiteral("کد آزمودني"));
    QTest::keyClicks(&field, QString(35, 'a'));
    QCOMPARE(field.text(), QString(30, 'a'));
    QCOMPARE(dialogs.shown.size(), 0);  // typing simply stops, as the field shows
}

void FieldLimitTest::longerPasteRefusedWithAMessage()
{
    ScriptedDialogs dialogs;
    QLineEdit field;
    FieldLimit::apply(&field, 30, QStringLiteral("کد آزمودني"));
    field.setText("AB");
    paste(&field, QString(40, '7'));
    QCOMPARE(field.text(), QStringLiteral("AB"));  // nothing of it went in
    QCOMPARE(dialogs.shown.size(), 1);
    const QString text = dialogs.last().text;
    QVERIFY2(text.contains(QStringLiteral("کد آزمودني")) && text.contains("30") && text.contains("40"),
             qPrintable(text));
    QVERIFY(dialogs.last().title != QStringLiteral("خطا"));
}

void FieldLimitTest::pasteThatFitsGoesIn()
{
    ScriptedDialogs dialogs;
    QLineEdit field;
    FieldLimit::apply(&field, 30, QStringLiteral("کد آزمودني"));
    field.setText(QString(10, 'x'));
    paste(&field, QString(20, '7'));
    QCOMPARE(field.text(), QString(10, 'x') + QString(20, '7'));
    QCOMPARE(dialogs.shown.size(), 0);
}

void FieldLimitTest::pasteReplacingASelectionCountsWhatRemains()
{
    ScriptedDialogs dialogs;
    QLineEdit field;
    FieldLimit::apply(&field, 30, QStringLiteral("کد آزمودني"));
    field.setText(QString(30, 'x'));
    field.setSelection(0, 5);
    paste(&field, QString(5, '7'));
    QCOMPARE(field.text(), QString(5, '7') + QString(25, 'x'));
    QCOMPARE(dialogs.shown.size(), 0);
    QCOMPARE(FieldLimit::lengthAfterInsert(30, 5, 6), 31);
}

void FieldLimitTest::registrationBoxesHoldTheirColumnLength_data()
{
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<int>("length");
    for (const Box &b : kRegistrationBoxes)
        QTest::newRow(b.objectName) << QString::fromLatin1(b.objectName)
                                    << FieldRules::maxLength(QString::fromLatin1(b.table), QString::fromLatin1(b.column));
}

void FieldLimitTest::registrationBoxesHoldTheirColumnLength()
{
    QFETCH(QString, objectName);
    QFETCH(int, length);
    TestFolder folder;
    ScriptedDialogs dialogs;
    auto *window = new MainWindow;
    window->show();
    QTest::mouseClick(window->findChild<QPushButton *>("Command1"), Qt::LeftButton);
    auto *field = window->findChild<QLineEdit *>(objectName);
    QVERIFY(field);
    QCOMPARE(field->maxLength(), length);
    typeText(field, letters(length + 5));
    QCOMPARE(field->text(), letters(length));
    field->clear();
    paste(field, letters(length + 10, QChar(0x0633)));
    QCOMPARE(field->text(), QString());
    QCOMPARE(dialogs.shown.size(), 1);
    QVERIFY(dialogs.last().text.contains(QString::number(length)));
    closeMain();
}

void FieldLimitTest::deletionAndGroupFilterBoxes()
{
    TestFolder folder;
    folder.addSubject("S1");
    ScriptedDialogs dialogs;
    SubjectListWindow window;
    window.show();
    auto *code = window.findChild<QLineEdit *>("Text5");
    QCOMPARE(code->maxLength(), 30);
    typeText(code, QString(35, '1'));
    QCOMPARE(code->text(), QString(30, '1'));
    code->clear();
    paste(code, QString(40, '1'));
    QCOMPARE(code->text(), QString());
    QCOMPARE(dialogs.shown.size(), 1);

    QLineEdit *group = window.findChild<QComboBox *>("Combo3")->lineEdit();
    QCOMPARE(group->maxLength(), FieldRules::maxLength("IDE", "Group"));
}

void FieldLimitTest::codeInputBoxesOfTestRunAndKeying()
{
    TestFolder folder;
    folder.addSubject("S1");
    ScriptedDialogs dialogs;
    {
        auto *window = MainWindow::load();
        QTest::mouseClick(window->findChild<QPushButton *>("Command2"), Qt::LeftButton);
        QCOMPARE(dialogs.shown.first().kind, QStringLiteral("input"));
        QCOMPARE(dialogs.shown.first().inputLimit.length, 30);
        QCOMPARE(dialogs.shown.first().inputLimit.fieldName, QStringLiteral("کد آزمودني"));
    }
    dialogs.clear();
    KeyingWindow keying;
    QTest::mouseClick(keying.findChild<QPushButton *>("Command1"), Qt::LeftButton);
    QCOMPARE(dialogs.shown.first().kind, QStringLiteral("input"));
    QCOMPARE(dialogs.shown.first().inputLimit.length, 30);
    closeMain();
}

void FieldLimitTest::realInputBoxStopsAndRefuses()
{
    ScriptedDialogs dialogs;  // records the refusal; the input box itself is Qt's own
    QString seen, afterPaste;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
        QVERIFY(box);
        auto *field = box->findChild<QLineEdit *>();
        QTest::keyClicks(field, QString(35, 'k'));
        seen = field->text();
        field->clear();
        paste(field, QString(40, 'k'));
        afterPaste = field->text();
        box->reject();
    });
    QtDialogs().inputBox(nullptr, QStringLiteral("کد"), QStringLiteral("کد"), QString(),
                         {30, QStringLiteral("کد آزمودني")});
    QCOMPARE(seen, QString(30, 'k'));
    QCOMPARE(afterPaste, QString());
    QCOMPARE(dialogs.shown.size(), 1);
}

void FieldLimitTest::itemEditorAtItsLimitKeepsTextAndCursor()
{
    TestFolder folder;
    ScriptedDialogs dialogs;
    auto *window = new MainWindow;
    window->show();
    auto *editor = window->findChild<QPlainTextEdit *>("Text18");
    QVERIFY(editor);
    const int limit = FieldRules::maxLength("QU", "QUs");
    const QString full = letters(limit / 2) + letters(limit - limit / 2, QChar(0x0633));
    editor->setPlainText(full);
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(100);
    editor->setTextCursor(cursor);
    QTest::keyClicks(editor, "xy");
    QCOMPARE(editor->toPlainText(), full);
    QCOMPARE(editor->textCursor().position(), 100);
    // One character out: one more goes in where the cursor is, and the cursor moves past it.
    cursor.setPosition(limit);
    cursor.deletePreviousChar();
    cursor.setPosition(100);
    editor->setTextCursor(cursor);
    QTest::keyClicks(editor, "xy");
    QCOMPARE(editor->toPlainText().size(), limit);
    QCOMPARE(editor->toPlainText().mid(100, 1), QStringLiteral("x"));
    QCOMPARE(editor->textCursor().position(), 101);
    closeMain();
}

void FieldLimitTest::itemEditorRefusesALongerPaste()
{
    TestFolder folder;
    ScriptedDialogs dialogs;
    auto *window = new MainWindow;
    window->show();
    auto *editor = window->findChild<QPlainTextEdit *>("Text18");
    editor->setPlainText(QStringLiteral("متن"));
    paste(editor, letters(FieldRules::maxLength("QU", "QUs")));
    QCOMPARE(editor->toPlainText(), QStringLiteral("متن"));
    QCOMPARE(dialogs.shown.size(), 1);
    closeMain();
}

QTEST_MAIN(FieldLimitTest)
#include "tst_fieldlimit.moc"
