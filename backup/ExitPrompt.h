#pragma once
#include <QWidget>

class QCheckBox;
class QLabel;
class QTimer;

// The prompt shown when the user leaves the main window: are you sure, with a
// tick box that makes a backup first. Its caption alternates between two texts
// and the tick box's caption follows it.
class ExitPrompt : public QWidget
{
    Q_OBJECT
public:
    explicit ExitPrompt(QWidget *parent = nullptr);

    // Opens the prompt at left 5000 twips and the given top; a prompt that is
    // open already stays and is moved.
    static ExitPrompt *open(int topTwips);
    // The prompt that is loaded now, if any.
    static ExitPrompt *current();

    static QString startCaption() { return QStringLiteral("تهيه نسخه پشتيبان"); }
    static QString firstCaption() { return QStringLiteral(" تهيه نسخه پشتيبان"); }
    static QString secondCaption() { return QStringLiteral("پشتيبان گيري"); }

    void confirm();  // a click on k2
    void cancel();   // a click on C2

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QLabel *picture(const char *name, const QPixmap &pixmap, const QRect &place);
    void showNormalPictures();
    void animateCaption();

    QCheckBox *m_check = nullptr;  // Check1
    QLabel *m_k1 = nullptr;
    QLabel *m_k2 = nullptr;
    QLabel *m_c1 = nullptr;
    QLabel *m_c2 = nullptr;
    QTimer *m_timer2 = nullptr;
    QTimer *m_timer3 = nullptr;
    QTimer *m_captionTimer = nullptr;  // tmCaptionAnimate
    bool m_leaving = false;            // cancel or confirm has decided what follows
};
