// Every box the program shows outside the texts it keeps word for word is
// read as a clinic's staff reads it: Persian sentences, no English, no key
// ids or hashes, every button the sentence names there with that caption,
// and no question titled as an error. Each row drives the program into its
// boxes; each box is then built as the program builds it and drawn offscreen.
//
// MEHRSAN_BOX_PICTURES=<folder> also saves every box drawn as <row>-<n>.png.
#include "FaultTools.h"
#include "ScriptedDialogs.h"
#include "ScriptedHttpServer.h"
#include "TestFolder.h"
#include "data/Database.h"
#include "data/DatabaseLock.h"
#include "info/UpdateWindow.h"
#include "keying/KeyingWindow.h"
#include "platform/Desktop.h"
#include "platform/FieldLimit.h"
#include "platform/Startup.h"
#include "records/StatFileExport.h"
#include "records/SubjectListWindow.h"
#include "shell/ProgramStart.h"
#include "updater/ReleaseManifest.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QtTest>

#include <functional>

using namespace FaultTools;

namespace {
using Scenario = std::function<void(TestFolder &folder, ScriptedDialogs &dialogs)>;

// A sound backup in Back/, then the table of subjects damaged in the file.
void damageDatabase(TestFolder &folder, bool withBackup)
{
    const QString file = folder.databaseFile();
    if (withBackup)
        QVERIFY(QFile::copy(file, folder.path() + "/Back/sound.mdbB"));
    Database::close();
    QVERIFY(overwrite(file, qint64(rootPage(file, "IDE") - 1) * pageSize(file), QByteArray(pageSize(file), '\x33')));
}

void startProgram(ScriptedDialogs &)
{
    openProgramDatabase();
    Database::close();
    DatabaseLock::release();
}

void pressButton(QWidget &window, const char *name)
{
    auto *button = window.findChild<QPushButton *>(name);
    QVERIFY2(button, name);
    QTest::mouseClick(button, Qt::LeftButton);
}

void exportTo(TestFolder &, ScriptedDialogs &dialogs, const QString &file)
{
    dialogs.fileAnswers << file;
    SubjectListWindow window;
    window.show();
    pressButton(window, "CmdCsv");
}

// The signature boxes, as Zelqupdate's window shows them.
void showRefusal(const QString &text) { showMessage(nullptr, text, QStringLiteral("Error"), QMessageBox::Critical); }

ReleaseManifest::Verdict verdict(ReleaseManifest::Problem problem, const QString &detail = {})
{
    ReleaseManifest::Verdict v;
    v.problem = problem;
    v.detail = detail;
    v.manifest.version = QStringLiteral("2.0");
    v.manifest.file = QStringLiteral("other.exe");
    return v;
}

void updateWindowAsks(ScriptedHttpServer &server, const QString &updater)
{
    server.respond("HTTP/1.1 200 OK", {"Content-Length: 1"}, "9");
    qputenv("MEHRSAN_SITE_URL", server.baseUrl().toUtf8());
    QFile::remove(UpdateWindow::updaterProgram());
    if (!updater.isEmpty())
        QVERIFY(QFile::copy(updater, UpdateWindow::updaterProgram()));
    UpdateWindow window;
    window.show();
    pressButton(window, "Command1");
}

const QList<QPair<const char *, Scenario>> &scenarios()
{
    static const QList<QPair<const char *, Scenario>> table = {
        {"damaged database with a sound backup",
         [](TestFolder &folder, ScriptedDialogs &dialogs) {
             damageDatabase(folder, true);
             startProgram(dialogs);
         }},
        {"damaged database without a backup",
         [](TestFolder &folder, ScriptedDialogs &dialogs) {
             damageDatabase(folder, false);
             startProgram(dialogs);
         }},
        {"damaged database put back from its backup",
         [](TestFolder &folder, ScriptedDialogs &dialogs) {
             damageDatabase(folder, true);
             dialogs.buttonAnswers << QMessageBox::Yes;
             startProgram(dialogs);
         }},
        {"damaged database, a backup picked that is no backup",
         [](TestFolder &folder, ScriptedDialogs &dialogs) {
             damageDatabase(folder, false);
             QFile other(folder.path() + "/Back/notes.mdbB");
             QVERIFY(other.open(QIODevice::WriteOnly));
             other.write("not a database");
             other.close();
             dialogs.buttonAnswers << QMessageBox::Open << QMessageBox::No;
             dialogs.fileAnswers << other.fileName();
             startProgram(dialogs);
         }},
        {"database without one of its tables",
         [](TestFolder &folder, ScriptedDialogs &dialogs) {
             folder.sql(QStringLiteral("DROP TABLE QU"));
             Database::close();
             startProgram(dialogs);
         }},
        {"database file missing",
         [](TestFolder &folder, ScriptedDialogs &dialogs) {
             Database::close();
             QVERIFY(QFile::remove(folder.databaseFile()));
             startProgram(dialogs);
         }},
        {"database held by another computer",
         [](TestFolder &folder, ScriptedDialogs &dialogs) {
             Database::close();
             QFile lock(DatabaseLock::lockFileFor(folder.databaseFile()));
             QVERIFY(lock.open(QIODevice::WriteOnly));
             lock.write("4242\nMehrsan\nreception-pc\n" + QSysInfo::machineUniqueId() + "-other\n\n");
             lock.close();
             startProgram(dialogs);
         }},
        {"a journal of unknown origin beside the database",
         [](TestFolder &folder, ScriptedDialogs &dialogs) {
             Database::close();
             QFile stray(folder.databaseFile() + "-wal");
             QVERIFY(stray.open(QIODevice::WriteOnly));
             stray.write(QByteArray(4096, '\x01'));
             stray.close();
             startProgram(dialogs);
         }},
        {"export to SPSS with a sex and a marital state it cannot label",
         [](TestFolder &folder, ScriptedDialogs &dialogs) {
             folder.addSubject(QStringLiteral("s1"));
             folder.addSubject(QStringLiteral("s2"));
             folder.sql(QStringLiteral("UPDATE IDE SET Jens = 'مذکر', Taahol = 'متاهل'"));
             exportTo(folder, dialogs, folder.path() + "/Back/subjects.sav");
         }},
        {"export into a folder that is not there",
         [](TestFolder &folder, ScriptedDialogs &dialogs) {
             folder.addSubject(QStringLiteral("s1"));
             exportTo(folder, dialogs, folder.path() + "/missing/subjects.dta");
         }},
        {"export cancelled",
         [](TestFolder &folder, ScriptedDialogs &dialogs) {
             folder.sql(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1200) "
                                       "INSERT INTO IDE (Code) SELECT 'c' || i FROM n"));
             dialogs.fileAnswers << folder.path() + "/Back/subjects.csv";
             SubjectListWindow window;
             window.show();
             // Pressed while the rows are written: the first progress lets it through.
             QTimer::singleShot(0, &window, [&window] { pressButton(window, "CmdCsvCancel"); });
             pressButton(window, "CmdCsv");
         }},
        {"table of all subjects without room for its rows",
         [](TestFolder &folder, ScriptedDialogs &) {
             for (const char *code : {"t1", "t2", "t3"})
                 folder.addSubject(QString::fromLatin1(code));
             auto *window = new KeyingWindow;
             window->show();
             QSqlQuery(Database::connection()).exec(QStringLiteral("PRAGMA temp.max_page_count = 1"));
             pressButton(*window, "Command3");
             delete window;
             QSqlQuery(Database::connection()).exec(QStringLiteral("PRAGMA temp.max_page_count = 1073741823"));
         }},
        {"a code pasted longer than the box holds",
         [](TestFolder &, ScriptedDialogs &) {
             QLineEdit field;
             FieldLimit::apply(&field, 30, QStringLiteral("کد آزمودني"));
             field.show();
             QApplication::clipboard()->setText(QString(40, u'7'));
             field.setFocus();
             QTest::keySequence(&field, QKeySequence::Paste);
         }},
        {"update: a copy built without the publisher's keys",
         [](TestFolder &, ScriptedDialogs &) {
             ScriptedHttpServer server;
             updateWindowAsks(server, QStringLiteral(KEYLESS_UPDATER));
         }},
        {"update: the updater is missing",
         [](TestFolder &, ScriptedDialogs &) {
             ScriptedHttpServer server;
             Desktop::setLauncher([](const QString &) { return false; });
             updateWindowAsks(server, QString());
             Desktop::setLauncher({});
         }},
        {"update: a site the updater cannot download from",
         [](TestFolder &, ScriptedDialogs &) {
             qputenv("MEHRSAN_SITE_URL", "https://127.0.0.1:9");
             UpdateWindow window;
             window.show();
             pressButton(window, "Command1");
         }},
        {"updater: the refusals of a release",
         [](TestFolder &, ScriptedDialogs &) {
             using ReleaseManifest::Problem;
             for (Problem p : {Problem::NoKeys, Problem::NoSignature, Problem::BadSignature, Problem::NotNewer,
                               Problem::WrongFile})
                 showRefusal(ReleaseManifest::problemText(verdict(p)));
             showRefusal(ReleaseManifest::problemText(verdict(Problem::UnknownKey, QStringLiteral("9f3ac0de41b27765"))));
             showRefusal(ReleaseManifest::problemText(verdict(Problem::BadManifest, QStringLiteral("5 lines"))));
             showRefusal(ReleaseManifest::sizeMismatchText(20052, 20051));
             showRefusal(ReleaseManifest::hashMismatchText());
             showRefusal(ReleaseManifest::fetchFailedText(
                 QStringLiteral("امضاي نسخه تازه"),
                 QStringLiteral("The file, \"http://127.0.0.1/Soft/Zelq/setup-Zelq.exe.manifest.sig\" was not found!")));
         }},
    };
    return table;
}

// The captions a sentence may call a button by: every standard button's, and
// the other words for them a sentence might use.
QStringList buttonWords()
{
    QStringList words = {QStringLiteral("خير"),    QStringLiteral("باز کردن"), QStringLiteral("بازکردن"),
                         QStringLiteral("تاييد"),  QStringLiteral("تأييد"),    QStringLiteral("لغو"),
                         QStringLiteral("انصراف"), QStringLiteral("بله"),      QStringLiteral("نه"),
                         QStringLiteral("قبول"),   QStringLiteral("ذخيره"),    QStringLiteral("بستن")};
    for (int b = QMessageBox::FirstButton; b <= QMessageBox::LastButton; b <<= 1)
        words << buttonCaption(QMessageBox::StandardButton(b));
    return words;
}

// What a box says outside the file names and other names set apart in it.
QString outsideIsolates(const QString &text)
{
    static const QRegularExpression isolated(QStringLiteral("\u2066[^\u2069]*\u2069"));
    return QString(text).replace(isolated, QStringLiteral(" "));
}

// The faults of one box, as a reader meets them; empty when there are none.
QStringList faultsOf(const ScriptedDialogs::Shown &shown, const QStringList &buttons)
{
    QStringList faults;
    static const QRegularExpression latin(QStringLiteral("[A-Za-z]{3,}"));
    static const QRegularExpression hex(QStringLiteral("[0-9A-Fa-f]{8,}"));
    const QRegularExpressionMatch english = latin.match(outsideIsolates(shown.text));
    if (english.hasMatch())
        faults << QStringLiteral("English in the sentence: ") + english.captured();
    const QRegularExpressionMatch id = hex.match(shown.text);
    if (id.hasMatch())
        faults << QStringLiteral("a hex string in the sentence: ") + id.captured();
    const bool asks = buttons.size() > 1;
    if (asks && shown.title == QStringLiteral("خطا"))
        faults << QStringLiteral("a question titled \"خطا\"");
    const QStringList words = buttonWords();
    static const QRegularExpression leading(QStringLiteral("^\\s*([^:\\n]{1,20}?)\\s*:"),
                                            QRegularExpression::MultilineOption);
    static const QRegularExpression quoted(QStringLiteral("«([^»]{1,20})»"));
    for (const QRegularExpression *pattern : {&leading, &quoted})
        for (auto m = pattern->globalMatch(shown.text); m.hasNext();) {
            const QString named = m.next().captured(1).trimmed();
            if (words.contains(named) && !buttons.contains(named))
                faults << QStringLiteral("names a button \"%1\" the box does not have (%2)").arg(named, buttons.join(u'|'));
        }
    return faults;
}
}  // namespace

class BoxTextsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        setUpApplication(*qobject_cast<QApplication *>(QCoreApplication::instance()));
        UpdateWindow::setProgramEnder([] {});
        UpdateWindow::setFetchTimeout(15000);
    }

    // The check itself catches what it is for.
    void checkCatchesFaults_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<bool>("faulty");
        const int yesNo = int(QMessageBox::Yes | QMessageBox::No);
        const QString no = buttonCaption(QMessageBox::No);
        QTest::newRow("plain Persian") << "پرسش" << "آيا ادامه مي دهيد؟\n" + no + ": برنامه بسته شود." << yesNo << false;
        QTest::newRow("a file name set apart") << "خطا" << "فايل \u2066/tmp/Back/x.mdbB\u2069 پيدا نشد" << int(QMessageBox::Ok) << false;
        QTest::newRow("SQLite's English") << "خطا" << "بانک اطلاعاتي آسيب ديده است: database disk image is malformed"
                                          << int(QMessageBox::Ok) << true;
        QTest::newRow("a key id") << "Error" << "کليد ناشر شناخته نشد (9F3AC0DE41B27765)" << int(QMessageBox::Ok) << true;
        QTest::newRow("a question titled as an error") << "خطا" << "آيا مطمئن هستيد؟" << yesNo << true;
        QTest::newRow("a button the box does not have") << "پرسش" << "خير: برنامه بسته شود." << yesNo << true;
        QTest::newRow("a button in quotes the box does not have") << "پرسش" << "روي «لغو» بزنيد." << yesNo << true;
    }
    void checkCatchesFaults()
    {
        QFETCH(QString, title);
        QFETCH(QString, text);
        QFETCH(int, buttons);
        QFETCH(bool, faulty);
        ScriptedDialogs::Shown shown;
        shown.title = title;
        shown.text = text;
        shown.buttons = QMessageBox::StandardButtons(buttons);
        QCOMPARE(!faultsOf(shown, captionsOf(shown)).isEmpty(), faulty);
    }

    void everyBoxReads_data()
    {
        QTest::addColumn<int>("scenario");
        for (qsizetype i = 0; i < scenarios().size(); ++i)
            QTest::newRow(scenarios()[i].first) << int(i);
    }
    void everyBoxReads()
    {
        QFETCH(int, scenario);
        // A build without ReadStat refuses SPSS and Stata files before anything else.
        if (StatFileExport::dialogFilter() == QLatin1String("CSV|*.csv") &&
            QString::fromLatin1(scenarios()[scenario].first).contains(QLatin1String("export")) &&
            !QString::fromLatin1(scenarios()[scenario].first).contains(QLatin1String("cancelled")))
            QSKIP("this build writes CSV files only (no ReadStat)");
        TestFolder folder;
        QVERIFY(folder.isValid());
        QList<ScriptedDialogs::Shown> shown;
        {
            ScriptedDialogs dialogs;
            scenarios()[scenario].second(folder, dialogs);
            shown = dialogs.shown;
        }
        Database::close();
        DatabaseLock::release();
        QList<ScriptedDialogs::Shown> boxes;
        for (const ScriptedDialogs::Shown &s : shown)
            if (s.kind == QLatin1String("message") || s.kind == QLatin1String("timed"))
                boxes << s;
        QVERIFY2(!boxes.isEmpty(), "the scenario showed no box");
        const QString pictures = qEnvironmentVariable("MEHRSAN_BOX_PICTURES");
        QStringList faults;
        for (qsizetype i = 0; i < boxes.size(); ++i) {
            const ScriptedDialogs::Shown &box = boxes[i];
            const QStringList buttons = captionsOf(box, pictures.isEmpty() ? QString()
                                                                           : QDir(pictures).filePath(pictureName(i)));
            for (const QString &fault : faultsOf(box, buttons))
                faults << QStringLiteral("%1 \"%2\": %3").arg(box.title, box.text, fault);
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
    }

private:
    QString pictureName(qsizetype index) const
    {
        QString name = QString::fromUtf8(QTest::currentDataTag());
        name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]+")), QStringLiteral("-"));
        return QStringLiteral("box-%1-%2.png").arg(name).arg(index + 1);
    }

    // The box built as the program builds it, drawn offscreen: the captions
    // its buttons read; saved as a picture when a file is given.
    static QStringList captionsOf(const ScriptedDialogs::Shown &shown, const QString &picture = QString())
    {
        const QString text = shown.details.isEmpty() ? shown.text : shown.text + technicalDetail(shown.details);
        std::unique_ptr<QMessageBox> box(QtDialogs::makeBox(nullptr, text, shown.title, shown.icon,
                                                            shown.kind == QLatin1String("timed") ? QMessageBox::Ok
                                                                                                : shown.buttons));
        box->show();
        QCoreApplication::processEvents();
        QStringList captions;
        for (QAbstractButton *button : box->buttons()) {
            QString caption = button->text();
            caption.remove(u'&');
            if (box->buttonRole(button) != QMessageBox::ActionRole || shown.details.isEmpty())
                captions << caption;
        }
        if (!picture.isEmpty())
            box->grab().save(picture);
        return captions;
    }
};

QTEST_MAIN(BoxTextsTest)
#include "tst_boxtexts.moc"
