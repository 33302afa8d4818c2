#pragma once
#include <QDialog>

#include "platform/Skin.h"

#include <functional>

class Binder;
class QLabel;
class QLineEdit;
class QNetworkAccessManager;
class QPushButton;
class TableView;

// The update window: shows the installed version and, on request, asks the
// vendor's site for the newest one. When the site names a higher number the
// updater program is started and Mehrsan ends at once.
class UpdateWindow : public QDialog
{
    Q_OBJECT
public:
    explicit UpdateWindow(QWidget *parent = nullptr);

    // The window's own skin table: theme number 1 to 13 names a skin file.
    static QString skinFileForTheme(double themeNumber);
    // The number a version text stands for: the leading decimal number, with
    // blanks, tabs and line feeds skipped and a CR ending it; 0 when there is none.
    static double versionNumber(const QString &text);
    // True when the site's version text names a higher version than ours.
    static bool isNewer(const QString &remoteText);
    // The version file's address and the updater program's file.
    static QString versionFileAddress();
    static QString updaterProgram();
    // The text of the version file message and of the missing-updater message.
    static QString latestVersionMessage();
    static QString updaterMissingMessage();
    // Whether the updater in the program folder can take an update (it has
    // the publisher's keys built in), asked before Mehrsan ends anything;
    // the message for a copy that cannot update itself.
    enum class Updater { Ready, Keyless, Missing };
    static Updater updaterState();
    static QString keylessMessage();
    // False when the updater could not download from the site's address
    // (it takes http:// only), and the message that says so.
    static bool updaterTakesSite();
    static QString siteRefusedMessage();

    // The document at an address as text; empty on any failure, on a status
    // other than 2xx, or when no answer came within the time allowed.
    QString fetchText(const QString &address);

    // How long the version fetch may take before it gives up.
    static void setFetchTimeout(int milliseconds);
    // How Mehrsan ends "at once"; tests put their own function here.
    using Ender = std::function<void()>;
    static void setProgramEnder(Ender ender);  // empty function restores the real one

    QString titleText() const;

private:
    void checkForUpdate();
    void backToIdle();

    TableView *m_settingsView = nullptr;
    Binder *m_binder = nullptr;
    QLabel *m_title = nullptr;
    QLabel *m_message = nullptr;
    QPushButton *m_checkButton = nullptr;
    QPushButton *m_closeButton = nullptr;
    QLineEdit *m_themeField = nullptr;
    QNetworkAccessManager *m_network = nullptr;
    Skin m_skin;
};
