#pragma once
#include <QString>

class QWidget;

// Types the text into the widget key by key, as a keyboard would; unlike
// QTest::keyClicks it takes Persian letters and digits too.
void typeText(QWidget *widget, const QString &text);
