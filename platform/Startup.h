#pragma once

class QApplication;

// What both programs do before their first window: right-to-left layout, Qt's
// own texts in Persian, the Persian typefaces the windows name mapped to the
// fonts that are installed, and every label showing plain text, never markup.
void setUpApplication(QApplication &app);

// Every file the programs write holds health records, or leads to them: files
// are made for their owner alone (umask 077), before anything is written.
// Called first thing in main().
void keepFilesPrivate();
