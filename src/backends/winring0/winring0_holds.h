#pragma once

// The holds of the buses on Windows (winring0_holds.cpp), which the port
// library's holds carry out, and the named mutexes they and the one-copy
// lock are.

#include "hw/port_lib.h"

#include <windows.h>

// Opens the mutex of this name, or creates it with the rights the security
// descriptor `sddl` gives, asking for `access`. GetLastError tells whether
// it existed (ERROR_ALREADY_EXISTS); nullptr when it could not be had.
[[nodiscard]] HANDLE WinRing0_MakeMutex(const wchar_t *name, const char *sddl, DWORD access);

// True when the bus's mutex is the program's; false, after a line on the
// standard error stream (once while the bus stays held), when it could not be
// had within a second.
[[nodiscard]] bool WinRing0_HoldBus(PortLibBus bus);
void WinRing0_ReleaseBus(PortLibBus bus);
