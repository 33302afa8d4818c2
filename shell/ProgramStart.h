#pragma once
#include <QString>

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
// The size from which the start leaves the page check until the windows are up.
constexpr qint64 kCheckPagesAfterOpeningFrom = qint64(4) << 20;

// The newest backup file (*.mdbB) in the folder that could be restored, or
// empty when there is none.
QString newestSoundBackup(const QString &folder);
