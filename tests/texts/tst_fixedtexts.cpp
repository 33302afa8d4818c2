// The fixed texts of every window and report, written out here from the
// program's design, character for character (Arabic ي and ك where the design
// has them, every leading and trailing blank), and compared with what the
// windows show. Controls are found by their designed objectName, so windows
// may gain controls without breaking this table.
#include "DesignedKey.h"
#include "ScriptedDialogs.h"
#include "TestFolder.h"

#include "backup/ExitPrompt.h"
#include "info/AboutBox.h"
#include "info/IntroductionWindow.h"
#include "platform/Startup.h"
#include "records/SubjectListWindow.h"
#include "reports/ResultSheet.h"
#include "reports/SubjectTableReport.h"
#include "keying/KeyingWindow.h"
#include "shell/MainWindow.h"
#include "shell/ThemeChangedNotice.h"
#include "testrun/TestRunWindow.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QtTest>

#include <functional>
#include <map>

namespace {
// What of a control is compared.
enum Part {
    Text,      // a label's or button's text, a group box's title, a window's caption
    Caption,   // the text of the label that names the control (its buddy)
    ToolTip,
    Items,     // a list's items, joined by "|"
    Headers,   // a grid's column headings, first column (rightmost) first, joined by "|"
    Hint,      // main window: the hint bar's text with the mouse over the button
};

QLabel *captionOf(QWidget *window, QWidget *control)
{
    for (QLabel *label : window->findChildren<QLabel *>())
        if (label->buddy() == control)
            return label;
    return nullptr;
}

QString textOf(QWidget *w)
{
    if (auto *label = qobject_cast<QLabel *>(w))
        return label->text();
    if (auto *button = qobject_cast<QAbstractButton *>(w))
        return button->text();
    if (auto *box = qobject_cast<QGroupBox *>(w))
        return box->title();
    if (auto *list = qobject_cast<QComboBox *>(w))
        return list->currentText();
    if (auto *line = qobject_cast<QLineEdit *>(w))
        return line->text();
    return QStringLiteral("<no text: %1>").arg(QLatin1String(w->metaObject()->className()));
}
}  // namespace

class FixedTextsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void windowTexts_data();
    void windowTexts();
    void reportCaptions_data();
    void reportCaptions();

private:
    QWidget *window(const QString &name);

    TestFolder *m_folder = nullptr;
    ScriptedDialogs *m_dialogs = nullptr;
    std::map<QString, QPointer<QWidget>> m_windows;
};

void FixedTextsTest::initTestCase()
{
    setUpApplication(*qobject_cast<QApplication *>(QCoreApplication::instance()));
    m_folder = new TestFolder;
    QVERIFY(m_folder->isValid());
    m_folder->addSubject("T1");
    m_dialogs = new ScriptedDialogs;
}

void FixedTextsTest::cleanupTestCase()
{
    for (auto &[name, w] : m_windows) {
        if (auto *main = qobject_cast<MainWindow *>(w.data()))
            main->setExitMode("1");
        delete w.data();
    }
    m_windows.clear();
    TestRunWindow::unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    delete m_dialogs;
    delete m_folder;
}

// Each window as it opens. The exit prompt and the about box animate their
// texts, so they are opened afresh for every row.
QWidget *FixedTextsTest::window(const QString &name)
{
    static const std::map<QString, std::function<QWidget *()>> make = {
        {"Frm1", [] { return static_cast<QWidget *>(MainWindow::load()); }},
        {"Frmskin", [] { return static_cast<QWidget *>(new ThemeChangedNotice); }},
        {"FrmTest", [] { return static_cast<QWidget *>(TestRunWindow::loaded()); }},
        {"FrmkLID", [] { return static_cast<QWidget *>(new KeyingWindow); }},
        {"FrmCode", [] { return static_cast<QWidget *>(new SubjectListWindow); }},
        {"Frmravansanji", [] { return static_cast<QWidget *>(new IntroductionWindow); }},
        {"exitpro", [] { return static_cast<QWidget *>(new ExitPrompt); }},
        {"About", [] { return static_cast<QWidget *>(new AboutBox); }},
    };
    const bool animated = name == QLatin1String("exitpro") || name == QLatin1String("About");
    QPointer<QWidget> &w = m_windows[name];
    if (animated)
        delete w.data();
    if (!w)
        w = make.at(name)();
    return w;
}

void FixedTextsTest::windowTexts_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("part");
    QTest::addColumn<QString>("expected");

    struct Row {
        const char *control;
        Part part;
        const char *text;
    };
    auto add = [](const char *window, std::initializer_list<Row> rows) {
        for (const Row &r : rows)
            QTest::addRow("%s %s %d", window, r.control, int(r.part))
                << QString::fromLatin1(window) << QString::fromLatin1(r.control) << int(r.part)
                << QString::fromUtf8(r.text);
    };

    // The main window: buttons, links, hints, title.
    add("Frm1", {
        {"Frm1", Text, "Mehrsan"},
        {"SkinLabel9", Text, "Mehrsan 2.1"},
        {"Command1", Text, "ثبت نام آزمودني"},
        {"Command2", Text, "اجراي تست"},
        {"Command3", Text, "کليد گذاري"},
        {"Command4", Text, "نمايش کد آزمودني"},
        {"Command11", Text, "معرفي پرسشنامه"},
        {"Command5", Text, "ماشين حساب"},
        {"Command9", Text, "تنظيمات"},
        {"Command12", Text, "درباره ما"},
        {"Command17", Text, "بروز رساني"},
        {"Command6", Text, "خروج"},
        {"CmdHelp", Text, "Help"},
        {"CmdHelp", ToolTip, "براي مشاهده اين قسمت بايد به اينترنت کانکت شويد"},
        {"Picture1", ToolTip, "جهت ورود به سايت کليک کنيد"},
        {"Command1", Hint, " شما بايد هر آزمودني را ابتدا ثبت نام کرده و سپس روي دکمه اجراي تست کليک کرده و کد آزمودني را وارد کنيد"},
        {"Command2", Hint, " جهت جواب دادن به سؤالها روي اين دکمه کليک کنيد و کد آزمودني مورد نظر را وارد کنيد "},
        {"Command3", Hint, " جهت کليد گذاري روي اين دکمه کليک مي کنيد"},
        {"Command4", Hint, " درصورتيکه کد آزمودني را فراموش کرده ايد با کليک بر روي  اين قسمت مي توانيد آن را بدست بياوريد"},
        {"Command9", Hint, "با کليک بر روي اين دکمه شمامي توانيد:1- تم برنامه را عوض کنيد 2- نام و آدرس کلينيک را وارد کنيد"},
    });
    // Its registration panel.
    add("Frm1", {
        {"Text11", Caption, " :کد"},
        {"Text6", Caption, " :نام"},
        {"Text4", Caption, " :نام خانوادگي"},
        {"Combo2", Caption, " :جنس"},
        {"Text5", Caption, " :سن"},
        {"Combo1", Caption, " :تاهل"},
        {"Text7", Caption, " :تحصيلات"},
        {"Text8", Caption, " :تاريخ"},
        {"Text9", Caption, " :ساعت"},
        {"Combo3", Caption, " :گروه"},
        {"Combo2", Items, "مرد|زن"},
        {"Combo1", Items, "مجرد|متأهل"},
        {"Combo3", Items, "A|B|C|D|E|F|G"},
        {"Command8", Text, "ذخيره"},
        {"Command10", Text, "انصراف"},
    });
    // Its settings panels.
    add("Frm1", {
        {"Command68", Text, "تغيير تم برنامه"},
        {"Command67", Text, " تعريف نام کلينيک"},
        {"Command66", Text, "ويرايش سوالات"},
        {"Command69", Text, "خروج"},
        {"Command65", Text, " "},
        {"Theme1", Text, " تم شماره 1"},
        {"Theme2", Text, "تم شماره 2"},
        {"Theme3", Text, "تم شماره 3"},
        {"Theme4", Text, "تم شماره 4"},
        {"Theme5", Text, " تم شماره 5"},
        {"Theme6", Text, "تم شماره 6"},
        {"Theme7", Text, "تم شماره 7"},
        {"Theme8", Text, "تم شماره 8"},
        {"Theme9", Text, "تم شماره 9"},
        {"Theme10", Text, "تم شماره 10 "},
        {"Theme11", Text, "تم شماره 11"},
        {"Command46", Text, "خروج"},
        {"Text2", Caption, " :نام"},
        {"Text14", Caption, " :آدرس"},
        {"Command64", Text, "ذخيره "},
        {"Command7", Text, "انصراف"},
        {"Text13", Caption, ": شماره سوال  "},
        {"Command16", Text, "ذخيره "},
        {"Command15", Text, "انصراف"},
    });
    add("Frmskin", {
        {"Frmskin", Text, "Skin"},
        {"Label1", Text, "تغييرات با موفقيت به پايان رسيد"},
    });
    // The test run: instruction page, options, identity panel, buttons.
    add("FrmTest", {
        {"FrmTest", Text, "صفحه اجراي تست"},
        {"SkinLabel3", Text, "پرسشنامه هوش هيجاني Tavor"},
        {"SkinLabel5", Text, "هيچ پاسخ درست يا غلط براي گزينه ها وجود ندارد، لطفاً به همه ي گزينه ها پاسخ دهيد"},
        {"SkinLabel6", Text, "  كاملا موافقم  --- موافقم   ---  تاحدودي  ---   مخالف  --- كاملا مخالفم  "},
        {"Option1", Text, "کاملا موافقم"},
        {"Option2", Text, "موافقم"},
        {"Option3", Text, "تاحدودي"},
        {"Option4", Text, "مخالفم"},
        {"Option5", Text, "کاملا مخالفم"},
        {"TxtCode", Caption, " :کد"},
        {"TxtFName", Caption, " :نام"},
        {"TxtLName", Caption, " :نام خانوادگي"},
        {"TxtJens", Caption, " :جنس"},
        {"TxtSen", Caption, " :سن"},
        {"TxtTaahol", Caption, " :وضعيت تاهل"},
        {"TxtTahsil", Caption, " :ميزان تحصيلات"},
        {"TxtDate", Caption, " :تاريخ"},
        {"TxtTime", Caption, " :ساعت"},
        {"Command1", Text, "شروع"},
        {"Command5", Text, " خروج"},
        {"CmdBack", Text, "قبلي"},
        {"CmdNext", Text, "بعدي"},
    });
    // The keying window: commands, subject panel, results panel, legend.
    add("FrmkLID", {
        {"FrmkLID", Text, "کليد گذاري"},
        {"Command1", Text, "انتخاب آزمودني"},
        {"Command6", Text, "پرينت آزمودني انتخاب شده"},
        {"Command3", Text, "پرينت کل  آزمودني ها "},
        {"Command2", Text, "راهنما"},
        {"Command7", Text, "خروج"},
        {"Command4", Text, " خروج"},
        {"txtCode", Caption, " :کد"},
        {"txtFName", Caption, " :نام"},
        {"txtLName", Caption, " :نام خانوادگي"},
        {"txtJens", Caption, " :جنس"},
        {"txtSen", Caption, " :سن"},
        {"txtTaahol", Caption, " :وضعيت تاهل"},
        {"txtTahsil", Caption, " :ميزان تحصيلات"},
        {"txtDate", Caption, " :تاريخ"},
        {"txtTime", Caption, " :ساعت"},
        {"txtkol", Caption, "نمره كل"},
        {"lblLegend", Text, "علائم اختصاري"},
        {"lblLegendES", Text, "خود آگاهي هيجاني= Emotional Self - Awareness=ES"},
        {"lblLegendAS", Text, "خود ابرازي= Assertiveness =AS"},
        {"lblLegendSR", Text, "عزت نفس= Self- Regard=SR"},
        {"lblLegendSA", Text, "خود شکوفايي=  Self-Actualization=SA"},
        {"lblLegendIN", Text, "استقلال=  Independence =IN"},
        {"lblLegendEM", Text, "همدلي=  Empathy=EM"},
        {"lblLegendRE", Text, "مسؤوليت پذيري اجتماعي= Social Responsibility=RE"},
        {"lblLegendIR", Text, "روابط بين فردي= Interpersonal Relationship=IR"},
        {"lblLegendRT", Text, "واقع گرايي=  Reality Testing=RT"},
        {"lblLegendFL", Text, "انعطاف پذيري=  Flexibility=FL"},
        {"lblLegendPS", Text, "حل مسأله= Problem Solving=PS"},
        {"lblLegendST", Text, "تحمل فشار رواني= Stress Tolerance =ST"},
        {"lblLegendIC", Text, "کنترل تکانش= Impulse Control=IC"},
        {"lblLegendOP", Text, "خوش بيني= Optimism =OP"},
        {"lblLegendHA", Text, "شادماني= Happiness =HA"},
    });
    // The results panel's captions are those of the designed key.
    for (const auto &subscale : DesignedKey::kSubscales)
        QTest::addRow("FrmkLID txt%s caption", subscale.column)
            << QStringLiteral("FrmkLID") << QStringLiteral("txt") + QLatin1String(subscale.column) << int(Caption)
            << QString::fromUtf8(subscale.caption);
    add("FrmCode", {
        {"FrmCode", Text, "کد آزمودني"},
        {"DataGrid1", Caption, "مشخصات آزمودني"},
        {"DataGrid1", Headers, "کد|نام|نام خانوادگي|گروه"},
        {"DataCombo6", Caption, " :نام "},
        {"DataCombo1", Caption, " :نام خانوادگي"},
        {"Combo3", Caption, " :گروه"},
        {"Combo3", Text, "جنسيت را انتخاب كنيد"},
        {"Combo3", Items, "A|B|C|D|E|F|G"},
        {"Frame1", Text, "حذف کردن آزمودني"},
        {"Text5", Caption, "کد آزمودني را وارد کنيد"},
        {"Command2", Text, "حذف "},
        {"Command1", Text, "پرينت بر اساس گروه"},
        {"Command6", Text, "خروج"},
    });
    add("exitpro", {
        {"exitpro", Text, "تهيه نسخه پشتيبان"},
        {"Label1", Text, "آيا براي خروج از برنامه اطمينان داريد"},
        {"Check1", Text, "تهيه نسخه پشتيبان"},
    });
    add("About", {
        {"About", Text, "about"},
        {"Command1", Text, "خروج"},
        {"Label1", Text, "نام نرم افزار:"},
    });
    add("Frmravansanji", {
        {"Frmravansanji", Text, "معرفي پرسشنامه"},
        {"SkinLabel2", Text, "پرسشنامه هوش هيجاني Tavor"},
        {"Command2", Text, "توضيحات بيشتر"},
        {"Command1", Text, "خروج"},
    });
}

void FixedTextsTest::windowTexts()
{
    QFETCH(QString, window);
    QFETCH(QString, control);
    QFETCH(int, part);
    QFETCH(QString, expected);

    QWidget *w = this->window(window);
    QVERIFY(w);
    if (control == window) {
        QCOMPARE(w->windowTitle(), expected);
        return;
    }
    QWidget *c = w->findChild<QWidget *>(control);
    QVERIFY2(c, qPrintable(control + " not found"));
    QString shown;
    switch (Part(part)) {
    case Text:
        shown = textOf(c);
        break;
    case Caption: {
        QLabel *label = captionOf(w, c);
        QVERIFY2(label, qPrintable(control + " has no caption"));
        shown = label->text();
        break;
    }
    case ToolTip:
        shown = c->toolTip();
        break;
    case Items: {
        auto *list = qobject_cast<QComboBox *>(c);
        QVERIFY(list);
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items << list->itemText(i);
        shown = items.join(u'|');
        break;
    }
    case Headers: {
        auto *grid = qobject_cast<QAbstractItemView *>(c);
        QVERIFY(grid && grid->model());
        QStringList headers;
        for (int i = 0; i < grid->model()->columnCount(); ++i)
            headers << grid->model()->headerData(i, Qt::Horizontal).toString();
        shown = headers.join(u'|');
        break;
    }
    case Hint: {
        QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), c->mapToGlobal(QPointF(3, 3)), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(c, &move);
        auto *bar = w->findChild<QLabel *>(QStringLiteral("SkinLabel2"));
        QVERIFY(bar);
        shown = bar->text();
        break;
    }
    }
    QCOMPARE(shown, expected);
}

void FixedTextsTest::reportCaptions_data()
{
    QTest::addColumn<QString>("report");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("expected");
    auto add = [](const char *report, std::initializer_list<std::pair<const char *, const char *>> rows) {
        for (const auto &[label, text] : rows)
            QTest::addRow("%s %s", report, label)
                << QString::fromLatin1(report) << QString::fromLatin1(label) << QString::fromUtf8(text);
    };
    // The result sheet of one subject.
    add("DataR1", {
        {"Title", "پرسشنامه هوش هيجاني Tavor"},
        {"Label2", "کد"},
        {"Label7", "گروه"},
        {"Label10", "سن"},
        {"Label6", "جنس"},
        {"Label4", "تاهل"},
        {"Label3", "تحصيلات"},
        {"Label11", "خود آگاهي هيجاني "},
        {"Label8", "ابراز وجود"},
        {"Label13", "عزت نفس "},
        {"Label18", "خود شکوفايي"},
        {"Label25", "استقلال"},
        {"Label27", "همدلي"},
        {"Label30", "مسؤوليت پذيري اجتماعي"},
        {"Label32", "روابط بين فردي"},
        {"Label43", "حل مسأله"},
        {"Label34", "واقع گرايي"},
        {"Label42", "انعطاف پذيري"},
        {"Label44", "تحمل فشار رواني"},
        {"Label45", "کنترل تکانش"},
        {"Label46", "خوش بيني"},
        {"Label47", "شادماني"},
        {"Label49", "نمره كل"},
        {"Label9", "آدرس"},
    });
    // The table of subjects: title, address caption, the heading over each field.
    add("DataRPrint", {
        {"Label3", "گزارش نتيجه تست  هوش هيجاني Tavor   "},
        {"Label15", ":آدرس"},
        {"Text1", "رديف"},
        {"txtCode", "کد"},
        {"txtGroup1", "گروه"},
        {"txtScore", "سن"},
        {"Text6", "جنس"},
        {"txtkol", "كل"},
        {"txtkhodagahi", "ES"},
        {"txtebrazevojood", "AS"},
        {"txtezatenafs", "SR"},
        {"txtkhoodshkofaee", "SA"},
        {"txtesteghlal", "IN"},
        {"txthamdeli", "EM"},
        {"txtmasooliatpaz", "RE"},
        {"txtravabet", "IR"},
        {"txthalemas", "PS"},
        {"txtvaghegaraee", "RT"},
        {"txtenetafpaz", "FL"},
        {"txttahalol", "ST"},
        {"txtcontrol", "IC"},
        {"txtkhooshbini", "OP"},
        {"txtshadmani", "HA"},
    });
}

void FixedTextsTest::reportCaptions()
{
    QFETCH(QString, report);
    QFETCH(QString, label);
    QFETCH(QString, expected);
    const QString shown = report == QLatin1String("DataR1") ? ResultSheet::fixedCaption(label)
                                                           : SubjectTableReport::fixedCaption(label);
    QCOMPARE(shown, expected);
}

QTEST_MAIN(FixedTextsTest)
#include "tst_fixedtexts.moc"
