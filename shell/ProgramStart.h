#pragma once

// Opens the database of the program folder. When it is missing or unusable the
// operator gets an error box titled "خطا" saying which file and why, and the
// program must end: nothing is created in its place.
bool openProgramDatabase();
