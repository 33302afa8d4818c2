#include "shell/PanelKeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>

PanelKeys::PanelKeys(QWidget *panel, std::function<void()> onEnter, std::function<void()> onEscape)
    : QObject(panel), m_onEnter(std::move(onEnter)), m_onEscape(std::move(onEscape))
{
    panel->installEventFilter(this);
}

void PanelKeys::install(QWidget *panel, std::function<void()> onEnter, std::function<void()> onEscape)
{
    new PanelKeys(panel, std::move(onEnter), std::move(onEscape));
}

bool PanelKeys::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    // Keys reach the panel only when the focused control did not take them.
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->modifiers() & ~(Qt::KeypadModifier))
        return false;
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        auto *panel = static_cast<QWidget *>(parent());
        if (auto *button = qobject_cast<QPushButton *>(QApplication::focusWidget());
            button && panel->isAncestorOf(button)) {
            button->click();
            return true;
        }
        if (m_onEnter) {
            m_onEnter();
            return true;
        }
    } else if (key->key() == Qt::Key_Escape && m_onEscape) {
        m_onEscape();
        return true;
    }
    return false;
}
