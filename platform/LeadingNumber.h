#pragma once
#include <QString>

// The numeric value at the start of a text, read the way the program has always
// read numbers typed or stored as text: blanks, tabs and line feeds are skipped,
// the number ends at the first character that cannot belong to it (a CR, a
// letter, a second point), and text with no number gives 0. " 8" and "08" give
// 8, "8.5" gives 8.5, "2.1beta" gives 2.1, "2E1" gives 2, "" and "abc" give 0.
double leadingNumber(const QString &text);
