#pragma once

#include "hw/port_lib.h"

#include <cstdint>

// The program's holds of the buses it shares with other software, made
// through the port library's. A bus that other software keeps from the
// program for LONG_HOLD_S is said once, on the standard error stream and as
// an event, and said again when it is let go. Control only waits: it never
// takes a bus that is held.
constexpr unsigned LONG_HOLD_S = 30;

[[nodiscard]] bool Hold_Bus(PortLibBus bus);
[[nodiscard]] bool Release_Bus(PortLibBus bus);

// How long other software has kept the bus from the program, in whole
// seconds from the first hold it refused; 0 while the program can have it.
[[nodiscard]] unsigned Bus_Kept_S(PortLibBus bus);

// The bus as the program's words name it.
[[nodiscard]] const char *Bus_Name(PortLibBus bus);
