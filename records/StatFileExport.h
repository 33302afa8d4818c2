#pragma once
#include "records/CsvExport.h"

#include <QString>

class TableView;

// The rows of the CSV export as an SPSS (.sav) or Stata (.dta) file, written
// by ReadStat: numbers as numeric variables (age, scores, answers, standing
// columns), text as string variables, the Persian caption of each column as
// its variable label, value labels for sex, marital state and the answers, an
// empty value as system-missing, all in UTF-8. The file appears whole or not
// at all.
namespace StatFileExport {

enum class Format { Csv, Sav, Dta };

// The format a file name's suffix asks for (csv when it names none of them).
Format formatOf(const QString &file);

// The save dialog's list of types.
QString dialogFilter();

// Subjects whose sex or marital state is none of the stored values (a typo,
// another spelling): the file holds them as missing, and the count is told.
struct Unlabelled {
    qint64 sex = 0;
    qint64 marital = 0;
    bool any() const { return sex > 0 || marital > 0; }
};

bool write(Format format, const TableView &view, const QString &file, const CsvExport::Progress &progress = {},
           QString *error = nullptr, qint64 *rowsWritten = nullptr, const CsvExport::ExtraColumns &extra = {},
           Unlabelled *unlabelled = nullptr);

// The notice after an export that left values unlabelled: how many subjects,
// which field, and that the file holds them as missing.
QString unlabelledNotice(const Unlabelled &unlabelled);

// The name a format goes by in captions: CSV, SPSS, Stata.
QString formatName(Format format);

// The codes sex and marital state are written as, with their labels: the
// values the program stores.
QList<QPair<int, QString>> sexCodes();
QList<QPair<int, QString>> maritalCodes();

}  // namespace StatFileExport
