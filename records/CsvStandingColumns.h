#pragma once
#include "records/CsvExport.h"

// The optional columns of the CSV export: for each subscale and the total
// its percentile rank ("PR_ES" ...) and standard score ("SS_ES" ...) among all
// subjects of the clinic who answered every item and were keyed, each read
// from the database once before the export. A subject not comparable (not
// keyed, items unanswered) or a reference of fewer than 30 leaves them empty.
namespace CsvStandingColumns {

bool make(CsvExport::ExtraColumns *columns, QString *error = nullptr);

}  // namespace CsvStandingColumns
