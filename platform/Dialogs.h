#pragma once
#include <QMessageBox>
#include <QString>
#include <QStringList>

class QWidget;

// How a save dialog treats the name it is given.
struct SaveOptions {
    // Added to a typed name without a suffix ("csv"), before the dialog looks
    // for an existing file, so that its question is about the file written.
    QString defaultSuffix;
    // False when the caller asks its own question about replacing a file.
    bool confirmOverwrite = true;
    // Where the list offers several types: the dialog's title and its save
    // button for each type of the filter, in order, following the type chosen.
    QStringList typeCaptions;
};

// A limit on what an input box takes: typing stops at `length` characters and
// a longer paste is refused with a message naming the field.
struct InputLimit {
    int length = 0;  // 0: no limit
    QString fieldName;
};

// Every modal box the windows show goes through here, so that tests can answer
// them from a script instead of blocking on a real modal.
class Dialogs
{
public:
    virtual ~Dialogs() = default;

    virtual QMessageBox::StandardButton messageBox(QWidget *owner, const QString &text,
                                                   const QString &title, QMessageBox::Icon icon,
                                                   QMessageBox::StandardButtons buttons) = 0;
    // The standard input box: the typed text, or an empty text on Cancel.
    virtual QString inputBox(QWidget *owner, const QString &prompt, const QString &title,
                             const QString &defaultText = QString(), const InputLimit &limit = {}) = 0;
    // File dialogs: the chosen path, or an empty text when cancelled.
    virtual QString saveFileName(QWidget *owner, const QString &title, const QString &folder,
                                 const QString &filter, const QString &proposedName,
                                 const SaveOptions &options = {}) = 0;
    virtual QString openFileName(QWidget *owner, const QString &title, const QString &folder,
                                 const QString &filter) = 0;
    // An OK box titled "پيام" that closes itself after the delay as if OK had been pressed.
    virtual void showTimedMessage(QWidget *owner, const QString &text, int delayMs) = 0;

    static Dialogs &current();
    // Replaces the dialogs in use (nullptr restores the real ones); the caller keeps ownership.
    static void install(Dialogs *dialogs);
};

// Technical detail inside a message: SQLite's or a server's own words, a
// path, a key id. The box shows it behind its details control ("جزئيات"),
// never in the sentence a clinic's staff reads; it may stand anywhere in the
// text, and a text may hold several.
QString technicalDetail(const QString &detail);
struct MessageParts {
    QString sentence;  // the text without its technical detail
    QString details;   // the details, one to a line; empty when there are none
};
MessageParts splitMessage(const QString &text);

// A standard button's caption as the boxes show it (Qt's Persian, without
// its shortcut mark), for sentences that tell which button does what.
QString buttonCaption(QMessageBox::StandardButton button);
// The title of a box that asks: a question is not an error.
QString questionTitle();

// Shorthands the windows use.
void showTimedMessage(QWidget *owner, const QString &text, int delayMs = 1000);
// A path or a system's English text set apart inside a Persian message, so the
// right-to-left line does not reorder its slashes, brackets and digits.
QString leftToRight(const QString &text);
void showMessage(QWidget *owner, const QString &text, const QString &title,
                 QMessageBox::Icon icon = QMessageBox::NoIcon);
bool askYesNo(QWidget *owner, const QString &text, const QString &title);
QString inputBox(QWidget *owner, const QString &prompt, const QString &title,
                 const QString &defaultText = QString(), const InputLimit &limit = {});

// The real boxes, on Qt's standard dialogs.
class QtDialogs : public Dialogs
{
public:
    QMessageBox::StandardButton messageBox(QWidget *owner, const QString &text,
                                           const QString &title, QMessageBox::Icon icon,
                                           QMessageBox::StandardButtons buttons) override;
    QString inputBox(QWidget *owner, const QString &prompt, const QString &title,
                     const QString &defaultText, const InputLimit &limit) override;
    QString saveFileName(QWidget *owner, const QString &title, const QString &folder,
                         const QString &filter, const QString &proposedName,
                         const SaveOptions &options) override;
    QString openFileName(QWidget *owner, const QString &title, const QString &folder,
                         const QString &filter) override;
    void showTimedMessage(QWidget *owner, const QString &text, int delayMs) override;

    // The box messageBox() shows, not yet shown: its sentence as plain text,
    // its technical detail behind the details control.
    static QMessageBox *makeBox(QWidget *owner, const QString &text, const QString &title,
                                QMessageBox::Icon icon, QMessageBox::StandardButtons buttons);
    // Title of the boxes that dismissTimer closes.
    static QString timedTitle();
    // Finds a visible box titled "پيام" and presses its default button; false when none is open.
    static bool dismissTimer();
};
