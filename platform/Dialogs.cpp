#include "platform/Dialogs.h"

#include "platform/FieldLimit.h"

#include <QApplication>
#include <QFileDialog>
#include <QRegularExpression>
#include <QInputDialog>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace {
Dialogs *&installed()
{
    static Dialogs *dialogs = nullptr;
    return dialogs;
}

// Qt's file dialogs take "Name (*.ext)" filters; the program's filters are in
// the "Name |*.ext" form of the common dialogs.
QString qtFilter(const QString &filter)
{
    const QStringList parts = filter.split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        out << parts[i].trimmed() + " (" + parts[i + 1].trimmed() + ")";
    return out.isEmpty() ? filter : out.join(";;");
}
}  // namespace

Dialogs &Dialogs::current()
{
    static QtDialogs real;
    return installed() ? *installed() : real;
}

void Dialogs::install(Dialogs *dialogs) { installed() = dialogs; }

void showTimedMessage(QWidget *owner, const QString &text, int delayMs)
{
    Dialogs::current().showTimedMessage(owner, text, delayMs);
}

void showMessage(QWidget *owner, const QString &text, const QString &title, QMessageBox::Icon icon)
{
    Dialogs::current().messageBox(owner, text, title, icon, QMessageBox::Ok);
}

bool askYesNo(QWidget *owner, const QString &text, const QString &title)
{
    return Dialogs::current().messageBox(owner, text, title, QMessageBox::Question,
                                         QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

QString inputBox(QWidget *owner, const QString &prompt, const QString &title, const QString &defaultText,
                 const InputLimit &limit)
{
    return Dialogs::current().inputBox(owner, prompt, title, defaultText, limit);
}

QMessageBox::StandardButton QtDialogs::messageBox(QWidget *owner, const QString &text,
                                                  const QString &title, QMessageBox::Icon icon,
                                                  QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, title, text, buttons, owner);
    box.setTextFormat(Qt::PlainText);  // codes, names and server messages are text
    return QMessageBox::StandardButton(box.exec());
}

QString QtDialogs::inputBox(QWidget *owner, const QString &prompt, const QString &title,
                            const QString &defaultText, const InputLimit &limit)
{
    QInputDialog dialog(owner);
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultText);
    if (limit.length > 0)
        if (auto *field = dialog.findChild<QLineEdit *>())
            FieldLimit::apply(field, limit.length, limit.fieldName);
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
}

QString QtDialogs::saveFileName(QWidget *owner, const QString &title, const QString &folder,
                                const QString &filter, const QString &proposedName, const SaveOptions &options)
{
    QFileDialog dialog(owner, title, folder, qtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(options.defaultSuffix);
    // Where the list offers several types, the chosen one gives a typed name its suffix.
    if (!options.defaultSuffix.isEmpty())
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString &chosen) {
            static const QRegularExpression pattern(QStringLiteral(R"(\*\.(\w+))"));
            const QRegularExpressionMatch m = pattern.match(chosen);
            if (m.hasMatch())
                dialog.setDefaultSuffix(m.captured(1));
        });
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.confirmOverwrite);
    if (!proposedName.isEmpty())
        dialog.selectFile(proposedName);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

QString QtDialogs::openFileName(QWidget *owner, const QString &title, const QString &folder,
                                const QString &filter)
{
    return QFileDialog::getOpenFileName(owner, title, folder, qtFilter(filter));
}

QString QtDialogs::timedTitle() { return QStringLiteral("پيام"); }

bool QtDialogs::dismissTimer()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        auto *box = qobject_cast<QMessageBox *>(w);
        if (!box || !box->isVisible() || box->windowTitle() != timedTitle())
            continue;
        box->activateWindow();
        if (QAbstractButton *ok = box->defaultButton() ? box->defaultButton() : box->button(QMessageBox::Ok))
            ok->click();
        else
            box->accept();
        return true;
    }
    return false;
}

void QtDialogs::showTimedMessage(QWidget *owner, const QString &text, int delayMs)
{
    // One pending dismissal per owner: a newer notice replaces the older timer.
    QObject *timerOwner = owner ? static_cast<QObject *>(owner) : qApp;
    auto *timer = timerOwner->findChild<QTimer *>(QStringLiteral("dismissTimer"), Qt::FindDirectChildrenOnly);
    if (!timer) {
        timer = new QTimer(timerOwner);
        timer->setObjectName(QStringLiteral("dismissTimer"));
        timer->setSingleShot(true);
        QObject::connect(timer, &QTimer::timeout, [] { dismissTimer(); });
    }
    timer->start(delayMs);

    QMessageBox box(QMessageBox::NoIcon, timedTitle(), text, QMessageBox::Ok, owner);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
}

QString leftToRight(const QString &text)
{
    return QChar(0x2066) + text + QChar(0x2069);  // left-to-right isolate ... pop directional isolate
}
