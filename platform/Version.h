#pragma once
#include <QString>

// The version of this release of both programs: shown by Mehrsan, compared
// with the site's version file, and with the version a signed release names.
inline QString programVersion() { return QStringLiteral("2.1"); }
