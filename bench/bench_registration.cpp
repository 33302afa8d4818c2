// Registering a subject and using the settings panels with 10 and with
// 100,000 subjects in the database: the times should be the same.
// Run: QT_QPA_PLATFORM=offscreen build/bench/bench_registration
#include "ScriptedDialogs.h"
#include "TestFolder.h"

#include "shell/MainWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace {
void fillDatabase(const TestFolder &folder, int subjects)
{
    const QString name = QStringLiteral("bench-fill");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(folder.databaseFile());
        db.open();
        QSqlQuery q(db);
        q.exec("BEGIN");
        q.prepare("INSERT INTO IDE (Code, FName, LName, Sen, Jens, Taahol, Tahsil, \"Group\", Date, Time) "
                  "VALUES (?, 'نام', 'خانواده', '30', 'زن', 'مجرد', 'ليسانس', ?, '1402/05/10', '10:00:00')");
        QSqlQuery a(db);
        a.prepare("INSERT INTO Answer (Code) VALUES (?)");
        for (int i = 0; i < subjects; ++i) {
            const QString code = QStringLiteral("B%1").arg(i);
            q.addBindValue(code);
            q.addBindValue(QString(QChar('A' + i % 7)));
            q.exec();
            a.addBindValue(code);
            a.exec();
        }
        q.exec("COMMIT");
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

void click(MainWindow *w, const char *name) { w->findChild<QPushButton *>(QString::fromLatin1(name))->click(); }

void run(int subjects)
{
    TestFolder folder;
    fillDatabase(folder, subjects);
    ScriptedDialogs dialogs;
    QElapsedTimer t;
    t.start();
    auto *window = new MainWindow;
    window->show();
    const qint64 load = t.nsecsElapsed();

    const int rounds = 200;
    t.restart();
    for (int i = 0; i < rounds; ++i) {
        click(window, "Command1");
        window->findChild<QLineEdit *>("Text11")->setText(QStringLiteral("N%1").arg(i));
        window->findChild<QLineEdit *>("Text6")->setText("x");
        window->findChild<QLineEdit *>("Text4")->setText("y");
        window->findChild<QLineEdit *>("Text5")->setText("20");
        window->findChild<QLineEdit *>("Text7")->setText("z");
        window->findChild<QComboBox *>("Combo2")->setCurrentIndex(0);
        window->findChild<QComboBox *>("Combo1")->setCurrentIndex(0);
        window->findChild<QComboBox *>("Combo3")->setCurrentIndex(0);
        click(window, "Command8");
    }
    const qint64 save = t.nsecsElapsed() / rounds;

    t.restart();
    for (int i = 0; i < rounds; ++i) {
        click(window, "Command1");
        window->findChild<QLineEdit *>("Text11")->setText("B1");  // a duplicate
        click(window, "Command8");
        click(window, "Command10");
    }
    const qint64 refused = t.nsecsElapsed() / rounds;

    t.restart();
    for (int i = 0; i < rounds; ++i) {
        click(window, "Command9");
        click(window, "Command66");
        window->findChild<QLineEdit *>("Text13")->setText(QString::number(i % 90 + 1));
        click(window, "Command16");
        click(window, "Command69");
    }
    const qint64 question = t.nsecsElapsed() / rounds;

    printf("%7d subjects: main window load %.2f ms, registration %.2f ms, refused duplicate %.2f ms, "
           "question save %.2f ms (sqlite synchronous=FULL)\n",
           subjects, load / 1e6, save / 1e6, refused / 1e6, question / 1e6);
    window->setExitMode("1");
    window->close();
    delete window;
}
}  // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    run(10);
    run(100000);
    return 0;
}
