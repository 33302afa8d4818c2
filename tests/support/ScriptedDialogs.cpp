#include "ScriptedDialogs.h"

QStringList ScriptedDialogs::texts() const
{
    QStringList out;
    for (const Shown &s : shown)
        out << s.text;
    return out;
}

void ScriptedDialogs::record(const Shown &s)
{
    shown << s;
    if (onShow)
        onShow(s);
}

QMessageBox::StandardButton ScriptedDialogs::messageBox(QWidget *, const QString &text, const QString &title,
                                                        QMessageBox::Icon icon,
                                                        QMessageBox::StandardButtons buttons)
{
    Shown s;
    s.kind = QStringLiteral("message");
    s.title = title;
    const MessageParts parts = splitMessage(text);
    s.text = parts.sentence;
    s.details = parts.details;
    s.icon = icon;
    s.buttons = buttons;
    record(s);
    if (buttons == QMessageBox::Ok || buttons == QMessageBox::NoButton)
        return QMessageBox::Ok;
    if (!buttonAnswers.isEmpty())
        return buttonAnswers.dequeue();
    return buttons.testFlag(QMessageBox::No) ? QMessageBox::No : QMessageBox::Cancel;
}

QString ScriptedDialogs::inputBox(QWidget *, const QString &prompt, const QString &title, const QString &,
                                  const InputLimit &limit)
{
    Shown s;
    s.inputLimit = limit;
    s.kind = QStringLiteral("input");
    s.title = title;
    s.text = splitMessage(prompt).sentence;
    record(s);
    return inputAnswers.isEmpty() ? QString() : inputAnswers.dequeue();
}

QString ScriptedDialogs::saveFileName(QWidget *owner, const QString &title, const QString &folder,
                                      const QString &filter, const QString &proposedName, const SaveOptions &options)
{
    Shown s;
    s.kind = QStringLiteral("save");
    s.saveOptions = options;
    s.title = title;
    s.folder = folder;
    s.filter = filter;
    s.proposedName = proposedName;
    record(s);
    if (realSaveDialogs)
        return QtDialogs().saveFileName(owner, title, folder, filter, proposedName, options);
    return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
}

QString ScriptedDialogs::openFileName(QWidget *, const QString &title, const QString &folder,
                                      const QString &filter)
{
    Shown s;
    s.kind = QStringLiteral("open");
    s.title = title;
    s.folder = folder;
    s.filter = filter;
    record(s);
    return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
}

void ScriptedDialogs::showTimedMessage(QWidget *, const QString &text, int delayMs)
{
    Shown s;
    s.kind = QStringLiteral("timed");
    s.title = QtDialogs::timedTitle();
    const MessageParts parts = splitMessage(text);
    s.text = parts.sentence;
    s.details = parts.details;
    s.delayMs = delayMs;
    record(s);
}
