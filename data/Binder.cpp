#include "data/Binder.h"

#include "data/FieldRules.h"
#include "data/TableView.h"
#include "platform/FieldLimit.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextEdit>

namespace {
QString controlText(QWidget *w)
{
    if (auto *e = qobject_cast<QLineEdit *>(w))
        return e->text();
    if (auto *c = qobject_cast<QComboBox *>(w))
        return c->currentText();
    if (auto *p = qobject_cast<QPlainTextEdit *>(w))
        return p->toPlainText();
    if (auto *t = qobject_cast<QTextEdit *>(w))
        return t->toPlainText();
    if (auto *l = qobject_cast<QLabel *>(w))
        return l->text();
    return QString();
}

void setControlText(QWidget *w, const QString &text)
{
    if (auto *e = qobject_cast<QLineEdit *>(w)) {
        e->setText(text);
    } else if (auto *c = qobject_cast<QComboBox *>(w)) {
        if (c->isEditable())
            c->setEditText(text);
        else
            c->setCurrentIndex(c->findText(text));
    } else if (auto *p = qobject_cast<QPlainTextEdit *>(w)) {
        p->setPlainText(text);
    } else if (auto *t = qobject_cast<QTextEdit *>(w)) {
        t->setPlainText(text);
    } else if (auto *l = qobject_cast<QLabel *>(w)) {
        l->setText(text);
    }
}
}  // namespace

Binder::Binder(QObject *parent) : QObject(parent) {}

void Binder::bind(QWidget *control, TableView *view, const QString &column)
{
    m_bindings.append({control, view, column});
    if (!m_watched.contains(view)) {
        m_watched.append(view);
        connect(view, &TableView::currentChanged, this, [this, view] { refresh(view); });
    }
    if (auto *e = qobject_cast<QLineEdit *>(control)) {
        // A field takes no more than its column holds; a longer paste is refused.
        // A field its window already holds to a narrower length (the age) has
        // its own rules for keys and pastes.
        const int columnLength = FieldRules::maxLength(view->table(), column);
        if (e->maxLength() == 32767)  // Qt's default: no limit of its own
            FieldLimit::apply(e, columnLength, e->accessibleName());
        else if (e->maxLength() > columnLength)
            e->setMaxLength(columnLength);
        connect(e, &QLineEdit::textChanged, this, [this, control] { store(control); });
    }
    else if (auto *c = qobject_cast<QComboBox *>(control))
        connect(c, &QComboBox::currentTextChanged, this, [this, control] { store(control); });
    else if (auto *p = qobject_cast<QPlainTextEdit *>(control)) {
        FieldLimit::apply(p, FieldRules::maxLength(view->table(), column), p->accessibleName());
        connect(p, &QPlainTextEdit::textChanged, this, [this, control] { store(control); });
    } else if (auto *t = qobject_cast<QTextEdit *>(control))
        connect(t, &QTextEdit::textChanged, this, [this, control] { store(control); });
    show(m_bindings.last());
}

Binder::Binding *Binder::find(QWidget *control)
{
    for (Binding &b : m_bindings)
        if (b.control == control)
            return &b;
    return nullptr;
}

void Binder::setColumn(QWidget *control, const QString &column)
{
    if (Binding *b = find(control)) {
        b->column = column;
        show(*b);
    }
}

QString Binder::column(QWidget *control) const
{
    for (const Binding &b : m_bindings)
        if (b.control == control)
            return b.column;
    return QString();
}

void Binder::refresh(TableView *view)
{
    for (const Binding &b : m_bindings)
        if (b.view == view)
            show(b);
}

void Binder::show(const Binding &binding)
{
    if (!binding.control)
        return;
    m_showing = true;
    setControlText(binding.control, binding.view->field(binding.column));
    m_showing = false;
}

void Binder::store(QWidget *control)
{
    if (m_showing)
        return;
    if (Binding *b = find(control)) {
        // What was typed or pasted loses the control characters (a NUL above
        // all) and whatever goes past the column's length; the field shows
        // what is kept.
        const QString typed = controlText(control);
        const QString kept = FieldRules::accepted(b->view->table(), b->column, typed);
        if (kept != typed && !qobject_cast<QLabel *>(control)) {
            m_showing = true;
            // The editor's cursor stays where the typing was, not at the start.
            auto *p = qobject_cast<QPlainTextEdit *>(control);
            const int cursorAt = p ? p->textCursor().position() : 0;
            setControlText(control, kept);
            if (p) {
                QTextCursor cursor = p->textCursor();
                cursor.setPosition(qMin(cursorAt, kept.size()));
                p->setTextCursor(cursor);
            }
            m_showing = false;
        }
        // Nothing to store when the value is what the row already holds.
        if (!b->view->hasPending() && b->view->field(b->column) == kept)
            return;
        b->view->setField(b->column, kept);
    }
}
