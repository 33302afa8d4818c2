#pragma once
#include <QWidget>

#include "platform/Skin.h"

class QLabel;
class TableView;

// Shown after a theme change: "the changes were completed successfully" and a
// picture button that loads the main window anew in the new skin.
class ThemeChangedNotice : public QWidget
{
    Q_OBJECT
public:
    explicit ThemeChangedNotice(QWidget *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void showNormal();
    void continueToMainWindow();

    TableView *m_settingsView = nullptr;
    Skin m_skin;
    QLabel *m_k1 = nullptr;
    QLabel *m_k2 = nullptr;
};
