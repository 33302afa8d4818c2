#pragma once
#include <QDate>
#include <QTime>
#include <QWidget>

#include "data/BackupFile.h"
#include "platform/Skin.h"

class Binder;
class QFrame;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class TableView;

// Copies the database out to a backup file or a backup file back over the
// database. Reached from the exit prompt; every way out of it ends the program.
class BackupWindow : public QWidget
{
    Q_OBJECT
public:
    explicit BackupWindow(QWidget *parent = nullptr);

    static QString caption() { return QStringLiteral("Back up ...  Reastor"); }
    static QString fileFilter() { return Backup::fileFilter(); }
    // The clock as the window shows it: hour without a leading zero, a dot, two-digit minute.
    static QString clockText(const QTime &time);
    // The file name proposed for a backup made on that solar date at that clock.
    static QString proposedFileName(const QString &solarDate, const QString &clock);

    // Shows the date (Label1 and Label3) and the clock (Label2).
    void showDate(const QDate &date);
    void showClock(const QTime &time);

    void chooseBackupTarget();   // b1
    void chooseRestoreSource();  // b2
    void makeBackup();           // VisualButtonEx2
    void restore();              // VisualButtonEx3
    bool isCopying() const { return m_copying; }

    TableView *settingsView = nullptr;  // Theme

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildWindow();
    void setCopying(bool copying);
    void showProgress(qint64 copied, qint64 total);

    Binder *m_binder = nullptr;
    Skin m_skin;
    QLabel *m_date = nullptr;        // Label1
    QLabel *m_clock = nullptr;       // Label2
    QLabel *m_nameDate = nullptr;    // Label3
    QLineEdit *m_target = nullptr;   // Text1
    QLineEdit *m_source = nullptr;   // Text2
    QLineEdit *m_theme = nullptr;    // Text3
    QFrame *m_help = nullptr;        // Frame1
    QProgressBar *m_progress = nullptr;
    QTimer *m_clockTimer = nullptr;  // Timer1
    QList<QWidget *> m_actions;      // what may not start while a copy runs
    bool m_copying = false;
};
