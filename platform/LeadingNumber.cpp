#include "platform/LeadingNumber.h"

double leadingNumber(const QString &text)
{
    QString s;
    for (QChar c : text)
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
            s += c;

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
    // An exponent belongs to the number only when digits follow it.
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        int j = i + 1;
        QString exponent = "e";
        if (j < n && (s[j] == '+' || s[j] == '-'))
            exponent += s[j++];
        bool expDigits = false;
        while (j < n && s[j] >= '0' && s[j] <= '9') {
            exponent += s[j++];
            expDigits = true;
        }
        if (expDigits)
            number += exponent;
    }
    return number.toDouble();
}
