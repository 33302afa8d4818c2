#pragma once
#include <QString>

// Where the program's files live: $MEHRSAN_HOME when set, else the folder of
// the running executable. Everything is found from here, never from the
// current working directory.
namespace ProgramFolder {
QString path();
QString file(const QString &relative);  // path() + "/" + relative
QString databaseFile();                  // DBTavor/DBTavor.mdb
QString backupFolder();                  // Back
// The vendor's web site: $MEHRSAN_SITE_URL when set, else the built-in address.
QString siteUrl();
// The newest setup program on the site, which the updater downloads.
QString setupAddress();
}  // namespace ProgramFolder
