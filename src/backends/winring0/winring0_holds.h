#pragma once

// The holds of the buses on Windows (winring0_holds.cpp), which the port
// library's holds carry out, and the named mutexes they and the one-copy
// lock are.

#include "hw/port_lib.h"

#include <windows.h>

// Opens the mutex of this name, or creates it where no other software has
// yet, with the rights the monitoring tools give one another: everyone may
// wait for it and release it, SYSTEM and administrators have full control.
// Opened for waiting and releasing only, so that one created by other
// software for its users alone is had as well. GetLastError tells whether it
// existed (ERROR_ALREADY_EXISTS); nullptr when it could not be had.
[[nodiscard]] HANDLE WinRing0_CreateSharedMutex(const wchar_t *name);

// True when the bus's mutex is the program's; false, after a line on the
// standard error stream (once while the bus stays held), when it could not be
// had within a second.
[[nodiscard]] bool WinRing0_HoldBus(PortLibBus bus);
void WinRing0_ReleaseBus(PortLibBus bus);
