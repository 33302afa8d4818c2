#include "backup/ExitPrompt.h"

#include "backup/ExitPictures.h"
#include "backup/BackupWindow.h"
#include "backup/ProgramEnd.h"
#include "platform/Twips.h"
#include "shell/MainWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QTimer>

namespace {
QPointer<ExitPrompt> &loadedPrompt()
{
    static QPointer<ExitPrompt> prompt;
    return prompt;
}
}  // namespace

ExitPrompt::ExitPrompt(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("exitpro"));
    setWindowTitle(startCaption());
    setFixedSize(twipsSize(4800, 2550));
    setMouseTracking(true);

    auto *label = new QLabel(QStringLiteral("آيا براي خروج از برنامه اطمينان داريد"), this);
    label->setObjectName(QStringLiteral("Label1"));
    label->setGeometry(10, 14, width() - 20, 34);
    label->setAlignment(Qt::AlignCenter);
    label->setFont(QFont(QStringLiteral("B Titr"), 12));

    m_check = new QCheckBox(startCaption(), this);
    m_check->setObjectName(QStringLiteral("Check1"));
    m_check->setGeometry(20, 60, width() - 40, 30);
    m_check->setChecked(false);

    // Confirm on the right, where the reader starts; cancel on the left.
    const int top = height() - 35 - 22;
    const QRect confirmPlace(width() - 96 - 40, top, 96, 35);
    const QRect cancelPlace(40, top, 96, 35);
    m_k1 = picture("k1", confirmPicture(false), confirmPlace);
    m_k2 = picture("k2", confirmPicture(true), confirmPlace);
    m_c1 = picture("C1", cancelPicture(false), cancelPlace);
    m_c2 = picture("C2", cancelPicture(true), cancelPlace);
    m_k2->setCursor(Qt::PointingHandCursor);
    m_c2->setCursor(Qt::PointingHandCursor);

    // The two caption timers hand over to each other; the third copies the
    // caption into the tick box.
    m_timer2 = new QTimer(this);
    m_timer2->setObjectName(QStringLiteral("Timer2"));
    m_timer3 = new QTimer(this);
    m_timer3->setObjectName(QStringLiteral("Timer3"));
    m_captionTimer = new QTimer(this);
    m_captionTimer->setObjectName(QStringLiteral("tmCaptionAnimate"));
    connect(m_timer2, &QTimer::timeout, this, [this] {
        setWindowTitle(firstCaption());
        m_timer3->start();
        m_timer2->stop();
    });
    connect(m_timer3, &QTimer::timeout, this, [this] {
        setWindowTitle(secondCaption());
        m_timer2->start();
        m_timer3->stop();
    });
    connect(m_captionTimer, &QTimer::timeout, this, &ExitPrompt::animateCaption);
    for (QTimer *timer : {m_timer2, m_timer3, m_captionTimer}) {
        timer->setInterval(500);
        timer->start();
    }

    // Load.
    move(twipsPoint(5000, 4500));
    showNormalPictures();
}

QLabel *ExitPrompt::picture(const char *name, const QPixmap &pixmap, const QRect &place)
{
    auto *label = new QLabel(this);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(place);
    label->setPixmap(pixmap);
    label->setMouseTracking(true);
    label->installEventFilter(this);
    label->setAccessibleName(name[0] == 'k' ? QStringLiteral("تاييد") : QStringLiteral("انصراف"));
    return label;
}

ExitPrompt *ExitPrompt::open(int topTwips)
{
    ExitPrompt *prompt = loadedPrompt();
    if (!prompt) {
        prompt = new ExitPrompt;
        loadedPrompt() = prompt;
        prompt->show();
    }
    prompt->move(twipsPoint(5000, topTwips));
    return prompt;
}

ExitPrompt *ExitPrompt::current() { return loadedPrompt(); }

void ExitPrompt::showNormalPictures()
{
    m_c1->show();
    m_k1->show();
    m_c2->hide();
    m_k2->hide();
}

void ExitPrompt::animateCaption()
{
    if (windowTitle().size() < 2)
        setWindowTitle(firstCaption());
    else
        m_check->setText(windowTitle());
}

bool ExitPrompt::eventFilter(QObject *watched, QEvent *event)
{
    const bool over = event->type() == QEvent::MouseMove || event->type() == QEvent::Enter;
    if (over && watched == m_c1) {
        m_c1->hide();
        m_c2->show();
    } else if (over && watched == m_k1) {
        m_k1->hide();
        m_k2->show();
    }
    // A move over a picture is not a move over the bare window.
    if (event->type() == QEvent::MouseMove)
        return true;
    if (event->type() == QEvent::MouseButtonRelease && (watched == m_k2 || watched == m_c2)) {
        if (watched == m_k2)
            confirm();
        else
            cancel();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void ExitPrompt::mouseMoveEvent(QMouseEvent *event)
{
    showNormalPictures();
    QWidget::mouseMoveEvent(event);
}

// The pictures take no focus: Enter confirms and Escape cancels from the keyboard.
void ExitPrompt::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        confirm();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        cancel();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ExitPrompt::confirm()
{
    if (m_leaving)
        return;
    if (m_check->isChecked()) {
        m_leaving = true;
        auto *backup = new BackupWindow;
        backup->show();
        hide();
        return;
    }
    m_leaving = true;
    ProgramEnd::end();
}

void ExitPrompt::cancel()
{
    if (m_leaving)
        return;
    m_leaving = true;
    MainWindow::load();
    close();
}

// The close box is taken as a change of mind: the main window comes back.
void ExitPrompt::closeEvent(QCloseEvent *event)
{
    if (!m_leaving && !ProgramEnd::isEnding()) {
        m_leaving = true;
        MainWindow::load();
    }
    if (loadedPrompt() == this)
        loadedPrompt() = nullptr;
    QWidget::closeEvent(event);
}
