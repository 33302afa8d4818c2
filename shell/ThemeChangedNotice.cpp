#include "shell/ThemeChangedNotice.h"

#include "data/TableView.h"
#include "platform/Pictures.h"
#include "platform/Twips.h"
#include "shell/MainWindow.h"
#include "shell/ThemeSkin.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>

ThemeChangedNotice::ThemeChangedNotice(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("Frmskin"));
    setWindowTitle(QStringLiteral("Skin"));
    setFixedSize(twipsSize(4680, 3240));
    setMouseTracking(true);

    auto *label = new QLabel(QStringLiteral("تغييرات با موفقيت به پايان رسيد"), this);
    label->setObjectName(QStringLiteral("Label1"));
    label->setGeometry(10, 40, width() - 20, 50);
    label->setAlignment(Qt::AlignCenter);
    label->setFont(QFont(QStringLiteral("B Titr"), 13));

    const QRect pictureRect((width() - 96) / 2, 130, 96, 35);
    m_k1 = new QLabel(this);
    m_k1->setObjectName(QStringLiteral("k1"));
    m_k1->setGeometry(pictureRect);
    m_k1->setPixmap(buttonPicture(QStringLiteral("تاييد"), false));
    m_k1->setMouseTracking(true);
    m_k1->installEventFilter(this);
    m_k1->setAccessibleName(QStringLiteral("تاييد"));
    m_k2 = new QLabel(this);
    m_k2->setObjectName(QStringLiteral("k2"));
    m_k2->setGeometry(pictureRect);
    m_k2->setPixmap(buttonPicture(QStringLiteral("تاييد"), true));
    m_k2->setCursor(Qt::PointingHandCursor);
    m_k2->installEventFilter(this);
    m_k2->setAccessibleName(QStringLiteral("تاييد"));

    m_settingsView = new TableView(QStringLiteral("Theme"), this);
    move(twipsPoint(5000, 3500));
    applyThemeSkin(this, m_skin, m_settingsView->field(QStringLiteral("TH")));
    showNormal();
}

void ThemeChangedNotice::showNormal()
{
    m_k1->show();
    m_k2->hide();
}

bool ThemeChangedNotice::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_k1 && (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter)) {
        m_k1->hide();
        m_k2->show();
    } else if (watched == m_k2 && event->type() == QEvent::MouseButtonRelease) {
        continueToMainWindow();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void ThemeChangedNotice::mouseMoveEvent(QMouseEvent *event)
{
    // Moves over the pictures reach the window too; only its background resets them.
    if (!childAt(event->position().toPoint()))
        showNormal();
    QWidget::mouseMoveEvent(event);
}

// Enter or Space does what a click on the highlighted picture does.
void ThemeChangedNotice::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space) {
        continueToMainWindow();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ThemeChangedNotice::continueToMainWindow()
{
    MainWindow::load();
    close();
}
