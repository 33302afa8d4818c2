#pragma once
#include <QObject>
#include <functional>

class QWidget;

// Enter and Escape in a panel of the main window. They act only when the
// control with the focus leaves the key alone (an open list or a multi-line
// text keeps its Enter); Enter on a focused button presses that button.
class PanelKeys : public QObject
{
    Q_OBJECT
public:
    static void install(QWidget *panel, std::function<void()> onEnter, std::function<void()> onEscape);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    PanelKeys(QWidget *panel, std::function<void()> onEnter, std::function<void()> onEscape);
    std::function<void()> m_onEnter;
    std::function<void()> m_onEscape;
};
