#include "shell/ThemeSkin.h"

#include "platform/LeadingNumber.h"
#include "platform/Skin.h"

#include <array>

namespace {
struct Theme {
    const char *file;
    const char *caption;
};
const std::array<Theme, 11> kThemes = {{
    {"chizh.skn", " تم شماره 1"},
    {"Green.skn", "تم شماره 2"},
    {"galaxy.skn", "تم شماره 3"},
    {"_temp.skn", "تم شماره 4"},
    {"B-Studio.skn", " تم شماره 5"},
    {"Mac.skn", "تم شماره 6"},
    {"O-Universe.skn", "تم شماره 7"},
    {"metallic.skn", "تم شماره 8"},
    {"Paper.skn", "تم شماره 9"},
    {"winaqua.skn", "تم شماره 10 "},
    {"office2007.skn", "تم شماره 11"},
}};
}  // namespace

QString skinFileForTheme(double themeNumber)
{
    for (int i = 1; i <= 11; ++i)
        if (themeNumber == i)
            return QString::fromLatin1(kThemes[i - 1].file);
    return QString();
}

QString themeButtonCaption(int theme)
{
    if (theme < 1 || theme > 11)
        return QString();
    return QString::fromUtf8(kThemes[theme - 1].caption);
}

void applyThemeSkin(QWidget *window, Skin &skin, const QString &thText)
{
    const QString file = skinFileForTheme(leadingNumber(thText));
    if (!file.isEmpty())
        skin.LoadSkin(file);
    skin.ApplySkin(window);
}
