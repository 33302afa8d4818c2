#include "shell/MainWindow.h"

#include "data/Binder.h"
#include "data/TableView.h"
#include "platform/Desktop.h"
#include "platform/ProgramFolder.h"
#include "platform/Startup.h"
#include "platform/Twips.h"
#include "shell/ThemeSkin.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

namespace {
QPointer<MainWindow> &loadedMainWindow()
{
    static QPointer<MainWindow> window;
    return window;
}

struct MainButton {
    const char *name;
    const char *caption;
    const char *hint;
};

// Top to bottom in the button column.
const MainButton kMainButtons[] = {
    {"Command1", "ثبت نام آزمودني",
     " شما بايد هر آزمودني را ابتدا ثبت نام کرده و سپس روي دکمه اجراي تست کليک کرده و کد آزمودني را وارد کنيد"},
    {"Command2", "اجراي تست",
     " جهت جواب دادن به سؤالها روي اين دکمه کليک کنيد و کد آزمودني مورد نظر را وارد کنيد "},
    {"Command3", "کليد گذاري", " جهت کليد گذاري روي اين دکمه کليک مي کنيد"},
    {"Command4", "نمايش کد آزمودني",
     " درصورتيکه کد آزمودني را فراموش کرده ايد با کليک بر روي  اين قسمت مي توانيد آن را بدست بياوريد"},
    {"Command11", "معرفي پرسشنامه", ""},
    {"Command5", "ماشين حساب", ""},
    {"Command9", "تنظيمات",
     "با کليک بر روي اين دکمه شمامي توانيد:1- تم برنامه را عوض کنيد 2- نام و آدرس کلينيک را وارد کنيد"},
    {"Command12", "درباره ما", ""},
    {"Command17", "بروز رساني", ""},
    {"Command6", "خروج", ""},
};

// The vendor's logo: a plate with the vendor's name that opens its web site.
QPixmap vendorLogo(QSize size)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0x1f, 0x4e, 0x79));
    p.setPen(QPen(QColor(0xf2, 0xb1, 0x34), 2));
    p.drawRoundedRect(QRectF(1, 1, size.width() - 2, size.height() - 2), 10, 10);
    QFont font(installedFamily(QStringLiteral("Arial")));
    font.setBold(true);
    font.setPixelSize(size.height() / 2);
    p.setFont(font);
    p.setPen(QColor(0xf2, 0xb1, 0x34));
    p.drawText(QRect(QPoint(0, 0), size), Qt::AlignCenter, QStringLiteral("Zelq"));
    return pixmap;
}
}  // namespace

MainWindow::MainWindow(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("Frm1"));
    setWindowTitle(programTitle());
    buildWindow();
    openViews();

    // Load: title and version, place, skin, exit flag.
    m_title->setText(programTitle() + ' ' + versionText());
    move(twipsPoint(2340, 765));
    applyThemeSkin(this, m_skin, m_theme->text());
    setExitMode(QStringLiteral("2"));
    loadedMainWindow() = this;
}

MainWindow *MainWindow::load()
{
    auto *window = new MainWindow;
    window->show();
    return window;
}

MainWindow *MainWindow::current() { return loadedMainWindow(); }

void MainWindow::buildWindow()
{
    setFixedSize(twipsSize(10725, 7905));
    setMouseTracking(true);

    m_clinicName = new QLabel(this);
    m_clinicName->setObjectName(QStringLiteral("SkinLabel1"));
    m_clinicName->setGeometry(10, 6, width() - 20, 36);
    m_clinicName->setAlignment(Qt::AlignCenter);
    m_clinicName->setFont(QFont(QStringLiteral("B Titr"), 16));

    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("SkinLabel9"));
    m_title->setGeometry(10, 44, 500, 26);
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setFont(QFont(installedFamily(QStringLiteral("Arial")), 12, QFont::Bold));

    m_hintBar = new QLabel(this);
    m_hintBar->setObjectName(QStringLiteral("SkinLabel2"));
    m_hintBar->setGeometry(10, height() - 40, width() - 20, 34);
    m_hintBar->setAlignment(Qt::AlignCenter);
    m_hintBar->setWordWrap(true);
    m_hintBar->setVisible(false);

    // Hidden state fields.
    m_exitMode = new QLineEdit(this);
    m_exitMode->setObjectName(QStringLiteral("Text3"));
    m_exitMode->hide();
    m_theme = new QLineEdit(this);
    m_theme->setObjectName(QStringLiteral("Text1"));
    m_theme->hide();
    for (const char *name : {"Text12", "Text10"}) {
        auto *hidden = new QLineEdit(this);
        hidden->setObjectName(QString::fromLatin1(name));
        hidden->hide();
    }

    buildButtons();
    buildPanels();

    auto *logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("Picture1"));
    logo->setGeometry(10, height() - 96, 110, 48);
    logo->setPixmap(vendorLogo(logo->size()));
    logo->setToolTip(QStringLiteral("جهت ورود به سايت کليک کنيد"));
    logo->setCursor(Qt::PointingHandCursor);
    logo->setAccessibleName(QStringLiteral("ورود به سايت"));
    logo->installEventFilter(this);

    auto *help = new QPushButton(QStringLiteral("Help"), this);
    help->setObjectName(QStringLiteral("CmdHelp"));
    help->setGeometry(130, height() - 88, 80, 32);
    help->setToolTip(QStringLiteral("براي مشاهده اين قسمت بايد به اينترنت کانکت شويد"));
    connect(help, &QPushButton::clicked, this, &MainWindow::openHelp);
}

void MainWindow::buildButtons()
{
    m_buttonColumn = new QFrame(this);
    m_buttonColumn->setObjectName(QStringLiteral("Frame7"));
    m_buttonColumn->setFrameShape(QFrame::StyledPanel);
    m_buttonColumn->setGeometry(width() - 196, 48, 186, height() - 100);
    m_buttonColumn->setMouseTracking(true);
    m_buttonColumn->installEventFilter(this);

    const int pitch = (m_buttonColumn->height() - 12) / 10;
    int y = 8;
    for (const MainButton &b : kMainButtons) {
        auto *button = new QPushButton(QString::fromUtf8(b.caption), m_buttonColumn);
        button->setObjectName(QString::fromLatin1(b.name));
        button->setGeometry(8, y, m_buttonColumn->width() - 16, pitch - 6);
        button->setMouseTracking(true);
        button->installEventFilter(this);
        y += pitch;
    }
    auto byName = [this](const char *name) {
        return m_buttonColumn->findChild<QPushButton *>(QString::fromLatin1(name));
    };
    connect(byName("Command1"), &QPushButton::clicked, this, &MainWindow::openRegistration);
    connect(byName("Command9"), &QPushButton::clicked, this, &MainWindow::openSettingsMenu);
    connect(byName("Command2"), &QPushButton::clicked, this, &MainWindow::startTestRun);
    connect(byName("Command3"), &QPushButton::clicked, this, &MainWindow::openKeyingWindow);
    connect(byName("Command4"), &QPushButton::clicked, this, &MainWindow::openSubjectListWindow);
    connect(byName("Command11"), &QPushButton::clicked, this, &MainWindow::openIntroduction);
    connect(byName("Command5"), &QPushButton::clicked, this, &MainWindow::startCalculator);
    connect(byName("Command12"), &QPushButton::clicked, this, &MainWindow::openAboutBox);
    connect(byName("Command17"), &QPushButton::clicked, this, &MainWindow::openUpdateWindow);
    connect(byName("Command6"), &QPushButton::clicked, this, [this] {
        closePanels();
        openExitPrompt(4500);
        close();
    });
}

QFrame *MainWindow::addPanel(const char *name, const QRect &geometry)
{
    auto *panel = new QFrame(this);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setGeometry(geometry);
    panel->hide();
    m_panels << panel;
    return panel;
}

void MainWindow::buildPanels()
{
    // The panels share the area left of the button column. Registration fills
    // it; the settings menu stands at its right edge, beside the main buttons,
    // and the theme, clinic and question panels open to the left of the menu.
    const QRect area(10, 74, width() - 220, height() - 180);
    const QRect menu(area.right() + 1 - 150, area.top(), 150, 196);
    const int besideWidth = menu.left() - 8 - area.left();
    buildRegistrationPanel(addPanel("Frame10", area));
    buildSettingsMenu(addPanel("Frame8", menu));
    buildClinicPanel(addPanel("Frame9", QRect(area.left(), area.top(), besideWidth, 170)));
    buildThemePanel(addPanel("Frame6", QRect(menu.left() - 8 - 170, area.top(), 170, area.height())));
    buildQuestionEditor(addPanel("Frame1", QRect(area.left(), area.top(), besideWidth, 290)));
}

void MainWindow::openViews()
{
    m_binder = new Binder(this);
    settingsView = new TableView(QStringLiteral("Theme"), this);
    subjectView = new TableView(QStringLiteral("IDE"), this);
    answerView = new TableView(QStringLiteral("Answer"), this);
    hiddenAnswerView = new TableView(QStringLiteral("Answer"), this);
    questionView = new TableView(QStringLiteral("QU"), this);
    const QList<QPair<TableView *, const char *>> names = {
        {settingsView, "Adodc1"}, {subjectView, "Adodc2"}, {answerView, "Adodc3"}, {hiddenAnswerView, "Adodc4"}, {questionView, "Adodc12"}};
    for (const auto &[view, name] : names)
        view->setObjectName(QString::fromLatin1(name));

    m_binder->bind(m_theme, settingsView, QStringLiteral("TH"));
    m_binder->bind(m_clinicNameField, settingsView, QStringLiteral("Name"));
    m_binder->bind(m_addressField, settingsView, QStringLiteral("Adress"));
    m_binder->bind(findChild<QLineEdit *>(QStringLiteral("Text12")), answerView, QStringLiteral("Code"));
    m_binder->bind(findChild<QLineEdit *>(QStringLiteral("Text10")), hiddenAnswerView, QStringLiteral("Code"));
    m_binder->bind(m_itemText, questionView, QStringLiteral("QUs"));
    bindRegistrationFields();
}

QString MainWindow::exitMode() const { return m_exitMode->text(); }
void MainWindow::setExitMode(const QString &mode) { m_exitMode->setText(mode); }

void MainWindow::closePanels()
{
    for (QFrame *panel : m_panels)
        panel->hide();
    // A registration row left pending never becomes a subject, also while no
    // subject is registered yet (then the views are not re-read below).
    if (subjectView->isPendingNew())
        subjectView->reread();
    if (!subjectView->isEmpty()) {
        subjectView->reread();
        answerView->reread();
        hiddenAnswerView->reread();
    }
}

QString MainWindow::hintFor(const QString &buttonName)
{
    for (const MainButton &b : kMainButtons)
        if (buttonName == QLatin1String(b.name))
            return QString::fromUtf8(b.hint);
    return QString();
}

void MainWindow::showHint(const QString &text)
{
    m_hintBar->setText(text);
    m_hintBar->setVisible(!text.isEmpty());
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_age && event->type() == QEvent::KeyPress)
        return ageKeyFilter(static_cast<QKeyEvent *>(event));
    if (event->type() == QEvent::MouseMove) {
        if (watched == m_buttonColumn) {
            // Moves over a button reach the column too; only its bare background empties the bar.
            const QPoint at = static_cast<QMouseEvent *>(event)->position().toPoint();
            if (!m_buttonColumn->childAt(at))
                showHint(QString());
        } else {
            const QString hint = hintFor(watched->objectName());
            if (!hint.isEmpty())
                showHint(hint);
        }
    } else if (event->type() == QEvent::MouseButtonRelease && watched->objectName() == QLatin1String("Picture1")) {
        openSite();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool MainWindow::replaceBy(QWidget *(*makeWindow)())
{
    if (answerView->isEmpty())
        return false;
    closePanels();
    QWidget *window = makeWindow();
    if (window)
        window->show();
    setExitMode(QStringLiteral("1"));
    close();
    return true;
}

void MainWindow::mouseMoveEvent(QMouseEvent *event)
{
    if (!childAt(event->position().toPoint()))
        showHint(QString());
    QWidget::mouseMoveEvent(event);
}

void MainWindow::startCalculator()
{
    closePanels();
    const QString calculator = Desktop::findProgram(Desktop::calculators());
    if (!calculator.isEmpty())
        Desktop::startProgram(calculator);
}

void MainWindow::openHelp() { Desktop::openWebPage(ProgramFolder::siteUrl() + "/software/software-settings.html"); }

void MainWindow::openSite()
{
    Desktop::openWebPage(ProgramFolder::siteUrl() + '/');
    Desktop::openWebPage(ProgramFolder::siteUrl() + "/shop/");
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (exitMode() == QLatin1String("1")) {
        subjectView->reread();
    } else {
        closePanels();
        subjectView->reread();
        openExitPrompt(1500);
    }
    if (loadedMainWindow() == this)
        loadedMainWindow() = nullptr;
    event->accept();
}
