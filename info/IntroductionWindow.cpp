#include "info/IntroductionWindow.h"

#include "data/Binder.h"
#include "data/TableView.h"
#include "platform/Twips.h"
#include "shell/ThemeSkin.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextOption>

IntroductionWindow::IntroductionWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Frmravansanji"));
    setWindowTitle(QStringLiteral("معرفي پرسشنامه"));
    buildWindow();

    m_binder = new Binder(this);
    settingsView = new TableView(QStringLiteral("Theme"), this);
    settingsView->setObjectName(QStringLiteral("Adodc1"));
    m_binder->bind(m_theme, settingsView, QStringLiteral("TH"));
    m_binder->bind(m_tafsir, settingsView, QStringLiteral("tafsir"));

    // Load: place, skin. Every opening starts on the introduction.
    move(twipsPoint(2340, 200));
    applyThemeSkin(this, m_skin, m_theme->text());
}

void IntroductionWindow::buildWindow()
{
    setFixedSize(twipsSize(11000, 7800));

    m_title = new QLabel(QStringLiteral("پرسشنامه هوش هيجاني Tavor"), this);
    m_title->setObjectName(QStringLiteral("SkinLabel2"));
    m_title->setGeometry(18, 8, width() - 36, 46);
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setFont(QFont(QStringLiteral("B Titr"), 16));

    // Both pages take the same place; one of them shows at a time.
    const QSize page = twipsSize(10455, 5865);
    const QRect pageRect((width() - page.width()) / 2, 60, page.width(), page.height());

    m_introduction = new QLabel(introductionText(), this);
    m_introduction->setObjectName(QStringLiteral("SkinLabel4"));
    m_introduction->setGeometry(pageRect);
    m_introduction->setWordWrap(true);
    m_introduction->setAlignment(Qt::AlignJustify | Qt::AlignTop);
    m_introduction->setFont(QFont(QStringLiteral("B Nazanin"), 12));

    m_tafsir = new QPlainTextEdit(this);
    m_tafsir->setObjectName(QStringLiteral("Text3"));
    m_tafsir->setGeometry(pageRect);
    m_tafsir->setReadOnly(true);
    m_tafsir->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_tafsir->setFont(QFont(QStringLiteral("B Nazanin"), 12));
    m_tafsir->setAccessibleName(QStringLiteral("تفسير نمره ها"));
    QTextOption option = m_tafsir->document()->defaultTextOption();
    option.setAlignment(Qt::AlignRight | Qt::AlignAbsolute);
    option.setTextDirection(Qt::RightToLeft);
    m_tafsir->document()->setDefaultTextOption(option);
    m_tafsir->hide();

    const int buttonsTop = pageRect.bottom() + 14;
    m_switch = new QPushButton(moreCaption(), this);
    m_switch->setObjectName(QStringLiteral("Command2"));
    m_switch->setGeometry(pageRect.right() - 200, buttonsTop, 200, 36);
    connect(m_switch, &QPushButton::clicked, this, &IntroductionWindow::switchPage);

    auto *exit = new QPushButton(QStringLiteral("خروج"), this);
    exit->setObjectName(QStringLiteral("Command1"));
    exit->setGeometry(pageRect.left(), buttonsTop, 110, 36);
    connect(exit, &QPushButton::clicked, this, &QDialog::accept);

    m_theme = new QLineEdit(this);
    m_theme->setObjectName(QStringLiteral("Text1"));
    m_theme->hide();
}

void IntroductionWindow::switchPage()
{
    if (m_switch->text() == moreCaption()) {
        m_introduction->hide();
        m_tafsir->show();
        m_switch->setText(backCaption());
    } else {
        m_switch->setText(moreCaption());
        m_introduction->show();
        m_tafsir->hide();
    }
}

QString IntroductionWindow::introductionText()
{
    return QStringLiteral(
        "معرفي پرسشنامه\n"
        "هوش هيجاني توانايي شناختن، فهميدن و به کار بستن هيجان‌هاي خود و ديگران است؛ توانايي‌اي که در کنار هوش شناختي، در سازگاري با زندگي روزمره، در کار و در روابط انساني نقش بزرگي دارد. اين پرسشنامه هوش هيجاني را با پانزده خرده‌مقياس مي‌سنجد که در پنج حوزه گرد آمده‌اند:\n"
        "• مهارت‌هاي درون‌فردي: خودآگاهي هيجاني، ابراز وجود، عزت نفس، خودشکوفايي و استقلال؛\n"
        "• مهارت‌هاي ميان‌فردي: همدلي، مسئوليت‌پذيري اجتماعي و روابط بين فردي؛\n"
        "• سازگاري: حل مسئله، واقع‌گرايي و انعطاف‌پذيري؛\n"
        "• مديريت فشار: تحمل فشار رواني و کنترل تکانه؛\n"
        "• خلق عمومي: خوش‌بيني و شادماني.\n"
        "پرسشنامه 90 عبارت دارد و هر خرده‌مقياس با شش عبارت سنجيده مي‌شود. عبارت‌ها يکي پس از ديگري نشان داده مي‌شوند؛ آزمودني هر عبارت را مي‌خواند و از ميان پنج گزينه «کاملا موافقم»، «موافقم»، «تاحدودي»، «مخالفم» و «کاملا مخالفم» گزينه‌اي را برمي‌گزيند که حال و رفتار معمول او را بهتر از همه نشان مي‌دهد. پاسخ دادن به همه عبارت‌ها معمولا بيست تا سي دقيقه طول مي‌کشد و محدوديت زماني ندارد. در اين پرسشنامه پاسخ درست يا غلط وجود ندارد؛ بهتر است آزمودني بي‌درنگ و با صداقت پاسخ دهد و هيچ عبارتي را بي‌پاسخ نگذارد. پس از پايان آزمون، با کليد گذاري نمره هر خرده‌مقياس و نمره کل به دست مي‌آيد و در برگ نتيجه چاپ مي‌شود. براي آشنايي با معناي نمره‌ها و شيوه تفسير آن‌ها، دکمه توضيحات بيشتر را بزنيد.");
}
