#include "platform/FieldLimit.h"

#include "platform/Dialogs.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextCursor>

namespace FieldLimit {
namespace {

// What a paste would bring: a line field takes the clipboard's first line
// only where Qt does, so the plain text is counted as it is.
QString clipboardText() { return QGuiApplication::clipboard()->text(); }

class Guard : public QObject
{
public:
    Guard(QWidget *field, int length, const QString &name)
        : QObject(field), m_field(field), m_length(length), m_name(name)
    {
        setObjectName(objectNameOfGuard());
    }

    static QString objectNameOfGuard() { return QStringLiteral("fieldLimitGuard"); }
    static Guard *of(QWidget *field)
    {
        return static_cast<Guard *>(field->findChild<QObject *>(objectNameOfGuard(), Qt::FindDirectChildrenOnly));
    }
    void setLimit(int length, const QString &name)
    {
        m_length = length;
        m_name = name;
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress: {
            auto *key = static_cast<QKeyEvent *>(event);
            if (key->matches(QKeySequence::Paste)) {
                if (event->type() == QEvent::KeyPress)
                    guardedPaste();
                event->accept();
                return true;
            }
            // The multi-line editor has no maxLength: a key that would add
            // text past the limit does nothing, and what is there stays put.
            if (event->type() == QEvent::KeyPress && qobject_cast<QPlainTextEdit *>(m_field) &&
                !key->text().isEmpty() &&
                (key->text().at(0).isPrint() || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
                !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
                lengthAfter(key->text().size()) > m_length) {
                QApplication::beep();
                return true;
            }
            return false;
        }
        case QEvent::ContextMenu:
            showMenu(static_cast<QContextMenuEvent *>(event)->globalPos());
            return true;
        case QEvent::Drop: {
            auto *drop = static_cast<QDropEvent *>(event);
            const QString text = drop->mimeData() ? drop->mimeData()->text() : QString();
            if (lengthAfter(text.size()) > m_length) {
                drop->ignore();
                refuse(text.size());
                return true;
            }
            return false;
        }
        default:
            return QObject::eventFilter(watched, event);
        }
    }

private:
    int lengthAfter(int inserted) const
    {
        if (auto *e = qobject_cast<QLineEdit *>(m_field))
            return lengthAfterInsert(e->text().size(), e->selectedText().size(), inserted);
        auto *p = qobject_cast<QPlainTextEdit *>(m_field);
        // The document counts its paragraph breaks as one character each, as the stored text does.
        return lengthAfterInsert(p->toPlainText().size(), p->textCursor().selectedText().size(), inserted);
    }

    void refuse(int inserted)
    {
        showMessage(m_field, refusal(m_name, m_length, inserted), refusalTitle(), QMessageBox::Information);
    }

    void guardedPaste()
    {
        const QString text = clipboardText();
        if (lengthAfter(text.size()) > m_length) {
            refuse(text.size());
            return;
        }
        if (auto *e = qobject_cast<QLineEdit *>(m_field))
            e->paste();
        else if (auto *p = qobject_cast<QPlainTextEdit *>(m_field))
            p->paste();
    }

    void showMenu(const QPoint &at)
    {
        QMenu *menu = nullptr;
        if (auto *e = qobject_cast<QLineEdit *>(m_field))
            menu = e->createStandardContextMenu();
        else if (auto *p = qobject_cast<QPlainTextEdit *>(m_field))
            menu = p->createStandardContextMenu(p->viewport()->mapFromGlobal(at));
        if (!menu)
            return;
        // The menu's own paste would go straight to the field; it goes through the check instead.
        for (QAction *action : menu->actions())
            if (action->objectName() == QLatin1String("edit-paste")) {
                action->disconnect();
                connect(action, &QAction::triggered, this, [this] { guardedPaste(); });
            }
        QPointer<QMenu> open(menu);
        menu->exec(at);
        delete open.data();
    }

    QWidget *m_field;
    int m_length;
    QString m_name;
};

}  // namespace

int lengthAfterInsert(int current, int selected, int inserted) { return current - selected + inserted; }

QString refusalTitle() { return QStringLiteral("متن چسبانده نشد"); }

QString refusal(const QString &fieldName, int length, int inserted)
{
    return QStringLiteral("«%1» حداکثر %2 نويسه مي گيرد و با متني که مي خواستيد بگذاريد (%3 نويسه) "
                          "از اين اندازه بيشتر مي شد؛ چيزي وارد نشد. متن را کوتاه تر کنيد و دوباره بگذاريد.")
        .arg(fieldName.isEmpty() ? QStringLiteral("اين خانه") : fieldName)
        .arg(length)
        .arg(inserted);
}

void apply(QLineEdit *field, int length, const QString &fieldName)
{
    field->setMaxLength(length);
    if (Guard *guard = Guard::of(field))
        guard->setLimit(length, fieldName);
    else
        field->installEventFilter(new Guard(field, length, fieldName));
}

void apply(QPlainTextEdit *editor, int length, const QString &fieldName)
{
    if (Guard *guard = Guard::of(editor)) {
        guard->setLimit(length, fieldName);
        return;
    }
    auto *guard = new Guard(editor, length, fieldName);
    editor->installEventFilter(guard);
    // Its menu and drops arrive at the viewport.
    editor->viewport()->installEventFilter(guard);
}

}  // namespace FieldLimit
