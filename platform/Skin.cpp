#include "platform/Skin.h"

#include "platform/ProgramFolder.h"

#include <QFile>
#include <QWidget>

bool Skin::LoadSkin(const QString &fileName)
{
    QFile file(ProgramFolder::file(fileName));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    m_file = fileName;
    m_styleSheet = QString::fromUtf8(file.readAll());
    return true;
}

void Skin::ApplySkin(QWidget *window) const
{
    if (!window)
        return;
    window->setStyleSheet(m_styleSheet);
    window->setProperty("skinFile", m_file);
}
