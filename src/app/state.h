#pragma once

#include "table/thermal_table.h"

#include <cstdint>

// The controller's program-wide state, alive for the whole run.
extern ThermalTableBytes ThermalTable;  // the built-in rows, overwritten by the file
extern std::uint16_t table_count;       // values stored from the file
extern std::uint8_t level;              // the current table row
extern std::uint16_t heartbeat;         // cycles run; wraps from 65535 to 0
extern std::uint8_t temperature;        // the latest byte the EC's data port gave
extern std::uint8_t silent_reads;       // reads in a row the EC did not answer, ports there
extern std::uint64_t suspended_ms_seen; // the machine's suspended time at the last look
