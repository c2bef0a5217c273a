#pragma once

// The holds of the buses on Windows (winring0_holds.cpp), which the port
// library's holds carry out.

#include "hw/port_lib.h"

// True when the bus's mutex is the program's; false, after a line on the
// standard error stream (once while the bus stays held), when it could not be
// had within a second.
[[nodiscard]] bool WinRing0_HoldBus(PortLibBus bus);
void WinRing0_ReleaseBus(PortLibBus bus);
