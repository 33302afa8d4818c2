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

#include <memory>

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

QString buttonCaption(QMessageBox::StandardButton button)
{
    QMessageBox box;
    QString caption = box.addButton(button)->text();
    caption.remove(u'&');
    return caption;
}

QString questionTitle() { return QStringLiteral("پرسش"); }

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

QMessageBox *QtDialogs::makeBox(QWidget *owner, const QString &text, const QString &title,
                                QMessageBox::Icon icon, QMessageBox::StandardButtons buttons)
{
    const MessageParts parts = splitMessage(text);
    auto *box = new QMessageBox(icon, title, parts.sentence, buttons, owner);
    box->setTextFormat(Qt::PlainText);  // codes, names and server messages are text
    if (!parts.details.isEmpty())
        box->setDetailedText(parts.details);
    return box;
}

QMessageBox::StandardButton QtDialogs::messageBox(QWidget *owner, const QString &text,
                                                  const QString &title, QMessageBox::Icon icon,
                                                  QMessageBox::StandardButtons buttons)
{
    std::unique_ptr<QMessageBox> box(makeBox(owner, text, title, icon, buttons));
    return QMessageBox::StandardButton(box->exec());
}

QString QtDialogs::inputBox(QWidget *owner, const QString &prompt, const QString &title,
                            const QString &defaultText, const InputLimit &limit)
{
    QInputDialog dialog(owner);
    dialog.setWindowTitle(title);
    dialog.setLabelText(splitMessage(prompt).sentence);
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
    // The title and the save button name the type chosen.
    if (!options.typeCaptions.isEmpty()) {
        const QStringList types = qtFilter(filter).split(QStringLiteral(";;"));
        const auto name = [&dialog, types, captions = options.typeCaptions](const QString &chosen) {
            const QString caption = captions.value(int(qMax<qsizetype>(0, types.indexOf(chosen))));
            dialog.setWindowTitle(caption);
            dialog.setLabelText(QFileDialog::Accept, caption);
        };
        name(types.value(0));
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, name);
    }
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

    std::unique_ptr<QMessageBox> box(makeBox(owner, text, timedTitle(), QMessageBox::NoIcon, QMessageBox::Ok));
    box->setDefaultButton(QMessageBox::Ok);
    box->exec();
}

QString leftToRight(const QString &text)
{
    return QChar(0x2066) + text + QChar(0x2069);  // left-to-right isolate ... pop directional isolate
}

namespace {
// Noncharacters, which no text from a user, a file or a server keeps (they
// are dropped like control characters), mark where a detail begins and ends.
constexpr char16_t kDetailBegins = 0xFDD0;
constexpr char16_t kDetailEnds = 0xFDD1;
}  // namespace

QString technicalDetail(const QString &detail)
{
    QString clean = detail.trimmed();
    clean.remove(QChar(kDetailBegins));
    clean.remove(QChar(kDetailEnds));
    return clean.isEmpty() ? QString() : QChar(kDetailBegins) + clean + QChar(kDetailEnds);
}

MessageParts splitMessage(const QString &text)
{
    MessageParts parts;
    QStringList details;
    qsizetype from = 0;
    for (;;) {
        const qsizetype begins = text.indexOf(QChar(kDetailBegins), from);
        if (begins < 0) {
            parts.sentence += text.mid(from);
            break;
        }
        parts.sentence += text.mid(from, begins - from);
        qsizetype ends = text.indexOf(QChar(kDetailEnds), begins);
        if (ends < 0)
            ends = text.size();
        details << text.mid(begins + 1, ends - begins - 1);
        from = ends + 1;
        // A detail at the end of a line takes the colon that led to it, and
        // one on a line of its own takes its line with it.
        if (from >= text.size() || text.at(from) == u'\n') {
            while (!parts.sentence.isEmpty() && (parts.sentence.back() == u' ' || parts.sentence.back() == u':'))
                parts.sentence.chop(1);
            if (parts.sentence.endsWith(u'\n'))
                parts.sentence.chop(1);
        }
    }
    // A text without details is kept as it is, its blanks too.
    details.removeAll(QString());
    parts.details = details.join(u'\n');
    return parts;
}
