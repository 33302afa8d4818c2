#include "backup/BackupWindow.h"

#include "backup/Backup.h"
#include "backup/ProgramEnd.h"
#include "calendar/SolarCalendar.h"
#include "data/Binder.h"
#include "data/Database.h"
#include "data/TableView.h"
#include "platform/Dialogs.h"
#include "platform/ProgramFolder.h"
#include "platform/Twips.h"
#include "shell/MainWindow.h"
#include "shell/ThemeSkin.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace {
const char *kHelpText =
    "براي تهيه نسخه پشتيبان روي دکمه کنار BACKUP کليک کنيد، محل ذخيره نسخه پشتيبان را انتخاب کنيد و "
    "روي ذخيره (Save) کليک کنيد؛ سپس روي BACKUP کليک کنيد تا پيام «نسخه پشتيبان تهيه گرديد» نمايش داده شود.\n\n"
    "هر چند وقت يک بار از اطلاعات نسخه پشتيبان تهيه کنيد تا اگر برنامه دچار اشکال شد يا ويندوز را دوباره "
    "نصب کرديد بتوانيد اطلاعات را بازگردانيد. نسخه پشتيبان را در درايوي غير از درايوي که ويندوز روي آن نصب "
    "شده است نگه داريد.\n\n"
    "براي بازيابي اطلاعات روي دکمه کنار REASTOR کليک کنيد، آخرين نسخه پشتيبان را انتخاب کنيد و روي "
    "باز کردن (Open) کليک کنيد؛ سپس روي REASTOR کليک کنيد و به پرسش برنامه پاسخ بله بدهيد.";

QString programTitle() { return MainWindow::programTitle(); }
}  // namespace

QString BackupWindow::clockText(const QTime &time)
{
    return QStringLiteral("%1.%2").arg(time.hour()).arg(time.minute(), 2, 10, QChar('0'));
}

QString BackupWindow::proposedFileName(const QString &solarDate, const QString &clock)
{
    return QStringLiteral("در تاريخ") + solarDate + QStringLiteral(" ساعت)") + clock + QStringLiteral(")") +
           QStringLiteral(".mdbB");
}

BackupWindow::BackupWindow(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("Frmbackup"));
    setWindowTitle(caption());
    buildWindow();

    m_binder = new Binder(this);
    settingsView = new TableView(QStringLiteral("Theme"), this);
    settingsView->setObjectName(QStringLiteral("Adodc1"));
    m_binder->bind(m_theme, settingsView, QStringLiteral("TH"));

    // Load.
    move(twipsPoint(2340, 765));
    applyThemeSkin(this, m_skin, m_theme->text());
    const QDateTime now = QDateTime::currentDateTime();
    showClock(now.time());
    showDate(now.date());

    m_clockTimer = new QTimer(this);
    m_clockTimer->setObjectName(QStringLiteral("Timer1"));
    m_clockTimer->setInterval(1000);
    connect(m_clockTimer, &QTimer::timeout, this, [this] { showClock(QTime::currentTime()); });
    m_clockTimer->start();
}

void BackupWindow::buildWindow()
{
    setFixedSize(twipsSize(8400, 3900));
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(16, 12, 16, 12);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(10);

    auto makeLabel = [this](const char *name) {
        auto *label = new QLabel(this);
        label->setObjectName(QString::fromLatin1(name));
        return label;
    };
    auto makeButton = [this](const char *name, const QString &text) {
        auto *button = new QPushButton(text, this);
        button->setObjectName(QString::fromLatin1(name));
        return button;
    };

    // The date on the reading side, the clock across from it.
    m_date = makeLabel("Label1");
    m_date->setAccessibleName(QStringLiteral("تاريخ امروز"));
    m_clock = makeLabel("Label2");
    m_clock->setAccessibleName(QStringLiteral("ساعت"));
    for (QLabel *label : {m_date, m_clock})
        label->setFont(QFont(QStringLiteral("B Titr"), 12));
    m_nameDate = makeLabel("Label3");
    m_nameDate->hide();
    auto *header = new QHBoxLayout;
    header->addWidget(m_date);
    header->addStretch(1);
    header->addWidget(m_clock);
    grid->addLayout(header, 0, 0, 1, 4);

    auto *backupCaption = new QLabel(QStringLiteral("نسخه پشتيبان:"), this);
    m_target = new QLineEdit(this);
    m_target->setObjectName(QStringLiteral("Text1"));
    m_target->setAccessibleName(QStringLiteral("مسير نسخه پشتيبان"));
    // A path reads from left to right, folder before file, even with Persian names in it.
    m_target->setLayoutDirection(Qt::LeftToRight);
    backupCaption->setBuddy(m_target);
    auto *b1 = makeButton("b1", QStringLiteral("---"));
    b1->setAccessibleName(QStringLiteral("انتخاب مسير نسخه پشتيبان"));
    auto *backupButton = makeButton("VisualButtonEx2", QStringLiteral("BACKUP"));
    grid->addWidget(backupCaption, 1, 0);
    grid->addWidget(m_target, 1, 1);
    grid->addWidget(b1, 1, 2);
    grid->addWidget(backupButton, 1, 3);

    auto *restoreCaption = new QLabel(QStringLiteral("بازيابي از:"), this);
    m_source = new QLineEdit(this);
    m_source->setObjectName(QStringLiteral("Text2"));
    m_source->setAccessibleName(QStringLiteral("مسير فايل پشتيبان براي بازيابي"));
    m_source->setLayoutDirection(Qt::LeftToRight);
    restoreCaption->setBuddy(m_source);
    auto *b2 = makeButton("b2", QStringLiteral("---"));
    b2->setAccessibleName(QStringLiteral("انتخاب فايل پشتيبان"));
    auto *restoreButton = makeButton("VisualButtonEx3", QStringLiteral("REASTOR"));
    grid->addWidget(restoreCaption, 2, 0);
    grid->addWidget(m_source, 2, 1);
    grid->addWidget(b2, 2, 2);
    grid->addWidget(restoreButton, 2, 3);
    for (QPushButton *small : {b1, b2})
        small->setFixedWidth(36);
    for (QPushButton *big : {backupButton, restoreButton})
        big->setMinimumWidth(96);

    // A large database takes a while: the bar shows how far the copy is.
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setRange(0, 100);
    m_progress->setAccessibleName(QStringLiteral("پيشرفت کپي"));
    m_progress->setVisible(false);
    grid->addWidget(m_progress, 3, 0, 1, 4);
    grid->setRowStretch(4, 1);

    auto *helpButton = makeButton("Command3", QStringLiteral("راهنما"));
    auto *exitButton = makeButton("Command1", QStringLiteral("خروج"));
    grid->addWidget(helpButton, 5, 0);
    grid->addWidget(exitButton, 5, 3);

    m_theme = new QLineEdit(this);
    m_theme->setObjectName(QStringLiteral("Text3"));
    m_theme->hide();

    // The help panel covers the window while it is shown.
    m_help = new QFrame(this);
    m_help->setObjectName(QStringLiteral("Frame1"));
    m_help->setFrameShape(QFrame::StyledPanel);
    m_help->setAutoFillBackground(true);
    auto *helpLayout = new QVBoxLayout(m_help);
    auto *helpText = new QPlainTextEdit(QString::fromUtf8(kHelpText), m_help);
    helpText->setObjectName(QStringLiteral("Text4"));
    helpText->setReadOnly(true);
    helpText->setAccessibleName(QStringLiteral("راهنما"));
    auto *closeHelp = new QPushButton(QStringLiteral("خروج"), m_help);
    closeHelp->setObjectName(QStringLiteral("Command2"));
    helpLayout->addWidget(helpText);
    helpLayout->addWidget(closeHelp, 0, Qt::AlignLeft);
    m_help->hide();

    connect(b1, &QPushButton::clicked, this, &BackupWindow::chooseBackupTarget);
    connect(b2, &QPushButton::clicked, this, &BackupWindow::chooseRestoreSource);
    connect(backupButton, &QPushButton::clicked, this, &BackupWindow::makeBackup);
    connect(restoreButton, &QPushButton::clicked, this, &BackupWindow::restore);
    connect(helpButton, &QPushButton::clicked, this, [this] {
        m_help->setGeometry(rect().adjusted(8, 8, -8, -8));
        m_help->raise();
        m_help->show();
    });
    connect(closeHelp, &QPushButton::clicked, m_help, &QWidget::hide);
    connect(exitButton, &QPushButton::clicked, this, &QWidget::close);
    m_actions = {b1, b2, backupButton, restoreButton, exitButton, m_target, m_source};
}

void BackupWindow::resizeEvent(QResizeEvent *event)
{
    m_help->setGeometry(rect().adjusted(8, 8, -8, -8));
    QWidget::resizeEvent(event);
}

void BackupWindow::showDate(const QDate &date)
{
    m_date->setText(SolarCalendar::SolarDate(date, 4));
    m_nameDate->setText(m_date->text());
}

void BackupWindow::showClock(const QTime &time) { m_clock->setText(clockText(time)); }

void BackupWindow::chooseBackupTarget()
{
    if (m_copying)
        return;
    const QString proposed = proposedFileName(m_nameDate->text(), m_clock->text());
    // The window asks its own question about replacing a backup file.
    SaveOptions options;
    options.confirmOverwrite = false;
    const QString chosen = Dialogs::current().saveFileName(this, QString(), ProgramFolder::backupFolder(),
                                                           fileFilter(), proposed, options);
    if (!chosen.isEmpty())
        m_target->setText(chosen);
}

void BackupWindow::chooseRestoreSource()
{
    if (m_copying)
        return;
    const QString chosen =
        Dialogs::current().openFileName(this, QString(), ProgramFolder::backupFolder(), fileFilter());
    if (!chosen.isEmpty())
        m_source->setText(chosen);
}

void BackupWindow::setCopying(bool copying)
{
    m_copying = copying;
    for (QWidget *w : m_actions)
        w->setEnabled(!copying);
    m_progress->setValue(0);
    m_progress->setVisible(copying);
}

void BackupWindow::showProgress(qint64 copied, qint64 total)
{
    // Only whole percents: each new value repaints the bar at once.
    const int percent = total > 0 ? int(copied * 100 / total) : 100;
    if (percent != m_progress->value())
        m_progress->setValue(percent);
}

void BackupWindow::makeBackup()
{
    if (m_copying)
        return;
    const QString target = m_target->text();
    if (target.isEmpty()) {
        showMessage(this, QStringLiteral("لطفا مسير تهيه نسخه پشتيبان را وارد کنيد"), QStringLiteral("خطا"),
                    QMessageBox::Warning);
        return;
    }
    if (QFileInfo::exists(target) &&
        !askYesNo(this,
                  QStringLiteral("فايل پشتيباني با اين نام قبلا ايجاد شده آيا ميخواهيد اين فايل را جايگزين کنيد؟"),
                  programTitle())) {
        showMessage(this, QStringLiteral("عدم موفقيت در تهيه نسخه پشتيبان"), programTitle(),
                    QMessageBox::Information);
        return;
    }

    setCopying(true);
    const int copied =
        Backup::BackupDatabase(target, this, [this](qint64 done, qint64 total) { showProgress(done, total); });
    if (copied == 1)
        showMessage(this, QStringLiteral("نسخه پشتيبان تهيه گرديد"), programTitle());
    setCopying(false);
    ProgramEnd::end();
}

void BackupWindow::restore()
{
    if (m_copying)
        return;
    const QString source = m_source->text();
    if (source.isEmpty()) {
        showMessage(this, QStringLiteral("لطفا مسير فايل مربوطه را وارد کنيد"), QStringLiteral("خطا"),
                    QMessageBox::Warning);
        return;
    }
    if (!askYesNo(this, QStringLiteral("آيا ميخواهيد اطلاعات را بازيابي کنيد؟"), programTitle())) {
        showMessage(this, QStringLiteral("عدم موفقيت در بازيابي اطلاعات "), programTitle());
        return;
    }

    setCopying(true);
    QString why;
    const Backup::RestoreResult result = Backup::RestoreDatabase(
        source, this, [this](qint64 done, qint64 total) { showProgress(done, total); }, &why);
    setCopying(false);
    switch (result) {
    case Backup::RestoreResult::Refused:
        // Nothing was touched: the user may pick another file.
        showMessage(this, QStringLiteral("اين فايل نسخه پشتيبان اين برنامه نيست و بازيابي نشد") + '\n' + why,
                    QStringLiteral("خطا"), QMessageBox::Warning);
        return;
    case Backup::RestoreResult::Restored:
        showMessage(this, QStringLiteral("بازيابي اطلاعات انجام شد"), programTitle());
        break;
    case Backup::RestoreResult::CopyFailed:
        break;  // the copy has said why
    case Backup::RestoreResult::OtherFailure:
        showMessage(this, why + QStringLiteral("تمامي فرم ها را ببندبد به جز فرم اصلي و اين پنجره"),
                    QStringLiteral("خطا"), QMessageBox::Warning);
        break;
    }
    ProgramEnd::end();
}

// Every way out ends the program; while a copy runs the window stays, and the
// program ends as soon as the copy is done.
void BackupWindow::closeEvent(QCloseEvent *event)
{
    if (m_copying) {
        event->ignore();
        return;
    }
    event->accept();
    ProgramEnd::end();
}
