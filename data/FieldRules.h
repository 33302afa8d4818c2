#pragma once
#include <QString>

// What a column accepts, on the file and on the server alike: a length that
// fits the server's indexes and the printed layouts, and no control character
// (NUL above all, which the server cannot hold). Only multi-line texts (an
// item, the interpretation text) keep their line breaks. The fields of the
// windows are held to these as they are typed or pasted, and a commit refuses
// whatever slips past them.
namespace FieldRules {

// Characters that change how the text around them reads without showing
// themselves: the bidi embeddings, overrides and isolates (U+202A to U+202E,
// U+2066 to U+2069), the zero-width space U+200B, the line and paragraph
// separators U+2028 and U+2029, and half of a surrogate pair without its
// other half. The joiners and direction marks Persian needs (U+200C, U+200D,
// U+200E, U+200F) are not among them. `at` indexes `text`.
bool isHiddenCharacter(const QString &text, qsizetype at);
QString withoutHiddenCharacters(const QString &text);

// The most characters the column takes.
int maxLength(const QString &table, const QString &column);
bool keepsLineBreaks(const QString &table, const QString &column);

// The value as a field of this column takes it: control and hidden characters dropped
// (line breaks kept where the column keeps them), cut to the maximum length.
QString accepted(const QString &table, const QString &column, const QString &value);

// Empty when the value may be stored; otherwise what is wrong, in Persian.
QString problem(const QString &table, const QString &column, const QString &value);

// Empty when the server store can hold the value (no NUL, and an indexed
// column short enough for its index); otherwise what is wrong, in Persian.
QString serverProblem(const QString &table, const QString &column, const QString &value);

}  // namespace FieldRules
