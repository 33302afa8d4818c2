#include "shell/Frm1.h"

// Command2: asks for the subject code and runs the test for that subject.
void Frm1::startTestRun() {}
