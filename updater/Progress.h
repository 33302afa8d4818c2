#pragma once
#include <QWidget>

#include <functional>

class FileDownloader;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;

// The one window of Zelqupdate: downloads the newest setup program into the
// program folder with a progress bar, then starts it and ends.
class Progress : public QWidget
{
    Q_OBJECT
public:
    explicit Progress(QWidget *parent = nullptr);

    static QString caption() { return QStringLiteral("Downloading File ... "); }
    // The address of the newest setup program on the vendor's site.
    static QString setupAddress();
    // The program the download is started as, in the program folder.
    static QString setupProgram() { return QStringLiteral("setup-Zelq.exe"); }

    // How the updater ends "at once"; tests put their own function here.
    using Ender = std::function<void()>;
    static void setProgramEnder(Ender ender);  // empty function restores the real one

    FileDownloader *downloader() const { return m_downloader; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void cmdUpdateClick();
    void Command1Click();
    void onComplete();
    void onError(const QString &strError);
    void onProgress(const QString &intPercent);
    void Timer1Tick();
    void backToIdle();
    static void endProgram();

    QPushButton *cmdUpdate = nullptr;
    QPushButton *Command1 = nullptr;
    QProgressBar *ProgressBar = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label2 = nullptr;  // e-mail
    QLabel *Label5 = nullptr;  // web address
    QLabel *Label1 = nullptr;
    QLineEdit *Text = nullptr;
    FileDownloader *m_downloader = nullptr;
    QTimer *Timer1 = nullptr;
};
