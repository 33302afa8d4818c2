#pragma once
#include <functional>

// Ending the program from the exit prompt and the backup window: no database
// write may follow, every window closes, and the event loop is left.
namespace ProgramEnd {

void end();
// True from end() on, so that windows closing meanwhile do not reopen others.
bool isEnding();

// For tests: called instead of leaving the event loop. Setting it also clears
// the ending state, so one process can end "the program" many times.
void setQuitHook(std::function<void()> hook);

}  // namespace ProgramEnd
