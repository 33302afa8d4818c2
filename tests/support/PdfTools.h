#pragma once
#include <QList>
#include <QString>

// Reading PDF files back with poppler's tools (pdfinfo, pdftotext), so that a
// test sees what a reader of the file would see.
namespace PdfTools {

// Whether the pages' text can be read back here: pdftotext is a Linux program
// that the Windows tests under Wine cannot start (they count the pages only).
#ifdef Q_OS_WIN
constexpr bool canReadText = false;
#else
constexpr bool canReadText = true;
#endif

// Number of pages; -1 when pdfinfo cannot read the file.
int pageCount(const QString &file);
// The text of the pages first..last (0 = to the end), in reading order.
QString text(const QString &file, int first = 1, int last = 0);

struct Word {
    QString text;
    int page = 0;
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;  // points
    double xCentre() const { return (xMin + xMax) / 2; }
};
// Text made comparable: Arabic presentation forms folded to letters, bidi
// marks dropped, the Persian and Arabic forms of yeh and kaf made one, runs of
// white space made one blank.
QString plain(const QString &text);

// Every word with its box, from pdftotext -bbox.
QList<Word> words(const QString &file);

}  // namespace PdfTools
