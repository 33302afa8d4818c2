#pragma once
#include <QString>

class QApplication;

// Takes the program folder's database for this run: first the one-program
// lock beside it, then the database itself, opened and checked. When another
// copy of the program has it open, or the file is missing or unusable, the
// operator gets an error box titled "خطا" saying which file and why, and the
// program must end: the file is not written to and nothing is created in its
// place. A lock naming another computer is taken over only when the operator
// confirms that the program is closed there. A damaged file may be replaced,
// after the operator's choice, by the newest backup that passes SQLite's
// integrity check or one he picks; the damaged file stays beside it under a
// dated name, and the program goes on with the restored file.
// A large database file opened at a clean start is checked page by page
// while the windows come up; no write reaches it until the check says it is
// sound, and damage found then is offered the same restore, or ends the program.
bool openProgramDatabase();

// The program's start up to its main window: the application's name and
// look, the database (a large file's pages checked while the windows come
// up), the main window. False when the program must end.
bool startProgram(QApplication &app);

// The newest backup file (*.mdbB) in the folder that could be restored, or
// empty when there is none.
QString newestSoundBackup(const QString &folder);
