#pragma once
#include <QList>
#include <QString>
#include <QStringList>

#include "scoring/AdministrationComparison.h"

// A comparison of two administrations as CSV, like the subject list's
// export (UTF-8 with a byte-order mark, CRLF, RFC 4180): one row per scale,
// the fifteen subscales in the result sheet's order then the total, with the
// scale's name, before, after, difference, the reference's n, SD and alpha,
// the index to two decimals (empty where it is "—") and the verdict.
namespace ComparisonCsv {

QStringList header();
// The rows as written, one field per column, before any quoting.
QList<QStringList> rows(const AdministrationComparison::Comparison &comparison);
// Whole or not at all, the owner's alone (0600); false with the reason in Persian.
bool write(const AdministrationComparison::Comparison &comparison, const QString &file, QString *error = nullptr);

}  // namespace ComparisonCsv
