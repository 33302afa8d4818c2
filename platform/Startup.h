#pragma once

class QApplication;

// What both programs do before their first window: right-to-left layout, Qt's
// own texts in Persian, and the Persian typefaces the windows name mapped to
// the fonts that are installed.
void setUpApplication(QApplication &app);
