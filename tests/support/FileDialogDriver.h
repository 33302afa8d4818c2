#pragma once
#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>

// Answers the next real file dialog as an operator does: types a name into its
// file-name field and presses Save. Every question the file dialog itself asks
// (Qt's "already exists, replace?") is recorded and answered; after a No the
// dialog is cancelled.
class FileDialogDriver : public QObject
{
public:
    explicit FileDialogDriver(const QString &typedName, QMessageBox::StandardButton answer = QMessageBox::Yes);

    QStringList questions;  // texts of the dialog's own questions
    bool sawDialog = false;
    // A type to pick from the dialog's list before the name is typed, and
    // the dialog's title and save button as they read then.
    QString typeToChoose;
    QString seenTitle;
    QString seenSaveButton;

private:
    void poll();

    QString m_typedName;
    QMessageBox::StandardButton m_answer;
    QTimer m_timer;
    bool m_accepted = false;
    bool m_cancel = false;
    int m_waited = 0;
};
