#pragma once

class QApplication;
class QString;

// What both programs do before their first window: right-to-left layout, Qt's
// own texts in Persian, the Persian typefaces the windows name mapped to the
// fonts that are installed, and every label showing plain text, never markup.
void setUpApplication(QApplication &app);

// A family the windows name, or the installed one it is mapped to. Qt finds a
// mapped family only after a fontconfig search and a font engine for the
// missing one; naming the installed family spares both.
QString installedFamily(const QString &designed);

// The program's typeface named by its installed family, once the font list
// is read: called just before the first window is built.
void useInstalledTypefaces(QApplication &app);

// Every file the programs write holds health records, or leads to them: files
// are made for their owner alone (umask 077), before anything is written.
// Called first thing in main().
void keepFilesPrivate();
