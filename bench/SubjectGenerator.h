#pragma once
#include <QString>

// Fills a copy of the shipped database with `count` registered subjects, each
// with all 90 answers and keyed scores, in one transaction. Codes are "S1".."Sn",
// groups cycle through A to G.
bool generateSubjects(const QString &databaseFile, int count);
// Makes a program folder at `folder` (database, skins, Back) from the built one.
bool makeProgramFolder(const QString &folder, const QString &builtProgramFolder);
