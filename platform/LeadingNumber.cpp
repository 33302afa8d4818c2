#include "platform/LeadingNumber.h"

double leadingNumber(const QString &text)
{
    // Blanks, tabs and line feeds are skipped; a CR ends the number.
    QString s;
    for (QChar c : text) {
        if (c == '\r')
            break;
        if (c != ' ' && c != '\t' && c != '\n')
            s += c;
    }

    int i = 0;
    const int n = int(s.size());
    QString number;
    if (i < n && (s[i] == '+' || s[i] == '-'))
        number += s[i++];
    bool digits = false;
    while (i < n && s[i] >= '0' && s[i] <= '9') {
        number += s[i++];
        digits = true;
    }
    if (i < n && s[i] == '.') {
        number += s[i++];
        while (i < n && s[i] >= '0' && s[i] <= '9') {
            number += s[i++];
            digits = true;
        }
    }
    if (!digits)
        return 0;
    // A letter ends the number: "2E1" is 2, not 20.
    return number.toDouble();
}
