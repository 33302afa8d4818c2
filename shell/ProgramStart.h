#pragma once
#include <QString>

// Takes the program folder's database for this run: first the one-program
// lock beside it, then the database itself, opened and checked. When another
// copy of the program has it open, or the file is missing, unusable or
// damaged, the operator gets an error box titled "خطا" saying which file and
// why (and, for a damaged file, the newest backup in Back/), and the program
// must end: the file is not written to and nothing is created in its place.
bool openProgramDatabase();

// The newest backup file (*.mdbB) in the folder, or empty when there is none.
QString newestBackup(const QString &folder);
