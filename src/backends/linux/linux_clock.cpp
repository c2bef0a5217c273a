// The clock of the port library on Linux.

#include "backends/posix/posix_sleep.h"
#include "hw/port_lib.h"

void Platform_SleepMs(std::uint32_t milliseconds) { Posix_SleepMs(milliseconds); }
