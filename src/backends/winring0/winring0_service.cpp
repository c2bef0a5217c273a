// How the program runs on Windows: as a console program. Nothing asks it to
// read its table again.

#include "hw/port_lib.h"

int Platform_Run(ControllerRun run) { return run(); }

bool Platform_ReloadAsked() { return false; }
