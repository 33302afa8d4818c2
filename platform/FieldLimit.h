#pragma once
#include <QString>

class QLineEdit;
class QPlainTextEdit;

// A field holds no more than its column stores, so that what it shows is what
// is saved: typing stops at the limit, and a paste or a drop that would go past
// it is refused as a whole with a Persian message naming the field, the text
// and the cursor left as they were (a code cut short would find no subject).
namespace FieldLimit {

void apply(QLineEdit *field, int length, const QString &fieldName);
void apply(QPlainTextEdit *editor, int length, const QString &fieldName);

// Characters the field would hold after the insertion replaces the selection.
int lengthAfterInsert(int current, int selected, int inserted);

// The refusal shown for a paste or drop of `inserted` characters.
QString refusal(const QString &fieldName, int length, int inserted);
QString refusalTitle();

}  // namespace FieldLimit
