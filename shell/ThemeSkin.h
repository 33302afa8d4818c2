#pragma once
#include <QString>

class QWidget;
class Skin;

// The eleven themes: theme number 1 to 11 names a skin file in the program folder.
QString skinFileForTheme(double themeNumber);
// The settings button caption of a theme (1 to 11).
QString themeButtonCaption(int theme);

// Reads the theme number from the text of a window's TH field, loads the
// matching skin (if the number is one of the eleven) and applies it to the
// window in every case.
void applyThemeSkin(QWidget *window, Skin &skin, const QString &thText);
