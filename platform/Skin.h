#pragma once
#include <QString>

class QWidget;

// The skin component: a skin file (.skn) is a Qt style sheet that lives in the
// program folder; applying it styles a window and all its controls.
class Skin
{
public:
    // Loads a skin file by bare file name from the program folder. A missing or
    // unreadable file leaves the component with nothing loaded.
    bool LoadSkin(const QString &fileName);
    // Paints the window with the loaded skin; with nothing loaded the window
    // takes the default look.
    void ApplySkin(QWidget *window) const;

    QString loadedFile() const { return m_file; }
    QString styleSheet() const { return m_styleSheet; }

private:
    QString m_file;
    QString m_styleSheet;
};
