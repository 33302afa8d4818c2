// The export where the program is built without ReadStat (a Windows build
// whose ReadStat could not be built): CSV files only. The save dialog offers
// no other type, and a name ending in .sav or .dta is refused in words.
#include "records/StatFileExport.h"

namespace StatFileExport {

QString dialogFilter() { return QStringLiteral("CSV|*.csv"); }

bool write(Format format, const TableView &view, const QString &file, const CsvExport::Progress &progress,
           QString *error, qint64 *rowsWritten, const CsvExport::ExtraColumns &extra, Unlabelled *unlabelled)
{
    if (unlabelled)
        *unlabelled = {};
    if (format == Format::Csv)
        return CsvExport::write(view, file, progress, error, rowsWritten, extra);
    if (rowsWritten)
        *rowsWritten = 0;
    if (error)
        *error = QStringLiteral(
            "اين نسخه برنامه فايل SPSS و Stata نمي سازد؛ فايل CSV بسازيد.");
    return false;
}

}  // namespace StatFileExport
