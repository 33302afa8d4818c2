#pragma once
#include "platform/Dialogs.h"

#include <QList>
#include <QQueue>

// Dialogs that never block: every box is recorded, and questions, input boxes
// and file dialogs take their answers from queues the test fills beforehand.
// An empty queue answers No, an empty text or Cancel.
class ScriptedDialogs : public Dialogs
{
public:
    struct Shown {
        QString kind;  // "message", "timed", "input", "save", "open"
        QString title;
        QString text;     // the sentence, as the box shows it
        QString details;  // what the box keeps behind its details control
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        int delayMs = 0;
        QString folder;
        QString filter;
        QString proposedName;
        SaveOptions saveOptions;
        InputLimit inputLimit;
    };

    ScriptedDialogs() { Dialogs::install(this); }
    ~ScriptedDialogs() override { Dialogs::install(nullptr); }

    QQueue<QMessageBox::StandardButton> buttonAnswers;
    QQueue<QString> inputAnswers;
    QQueue<QString> fileAnswers;
    // True: save dialogs are recorded, then shown for real (QtDialogs), for
    // tests that drive Qt's own file dialog with a FileDialogDriver.
    bool realSaveDialogs = false;
    QList<Shown> shown;
    // Called while a box is "open", e.g. to look at the window behind it.
    std::function<void(const Shown &)> onShow;

    QStringList texts() const;
    Shown last() const { return shown.isEmpty() ? Shown() : shown.last(); }
    void clear() { shown.clear(); }

    QMessageBox::StandardButton messageBox(QWidget *owner, const QString &text, const QString &title,
                                           QMessageBox::Icon icon, QMessageBox::StandardButtons buttons) override;
    QString inputBox(QWidget *owner, const QString &prompt, const QString &title,
                     const QString &defaultText, const InputLimit &limit) override;
    QString saveFileName(QWidget *owner, const QString &title, const QString &folder, const QString &filter,
                         const QString &proposedName, const SaveOptions &options) override;
    QString openFileName(QWidget *owner, const QString &title, const QString &folder,
                         const QString &filter) override;
    void showTimedMessage(QWidget *owner, const QString &text, int delayMs) override;

private:
    void record(const Shown &s);
};
