#include "app/control.h"

#include "common/console.h"
#include "hw/ec.h"
#include "hw/port_lib.h"
#include "table/thermal_table.h"

#include <cstddef>
#include <cstdint>

namespace {

// Program-wide state of the controller.
std::uint8_t level = 0;       // the current table row
std::uint16_t heartbeat = 0;  // cycles run; wraps from 65535 to 0
std::uint8_t temperature = 0; // the latest byte the EC's data port gave

// The row offset is one byte wide, so row 63 is the highest that can be
// current; row 0 has no row below it to take a value from.
constexpr std::uint8_t LEVEL_BOTTOM = 0;
constexpr std::uint8_t LEVEL_TOP = 63;

std::size_t Row_Offset(std::uint8_t row) { return std::size_t{row} * ROW_SIZE; }

// Moves at most one row: up when the temperature is above the next row's
// rise (tested first), down when it is below the current row's fall. At
// either end of the table the row holds and nothing is sent.
void Step_Level() {
  const std::size_t off = Row_Offset(level);
  if (temperature > ThermalTable[off + ROW_SIZE + COL_RISE]) {
    if (level < LEVEL_TOP) {
      EC_SendSelect(ThermalTable[off + ROW_SIZE + COL_VALUE]);
      ++level;
    }
  } else if (temperature < ThermalTable[off + COL_FALL]) {
    if (level > LEVEL_BOTTOM) {
      EC_SendSelect(ThermalTable[off - ROW_SIZE + COL_VALUE]);
      --level;
    }
  }
}

void Print_Status() {
  const std::size_t off = Row_Offset(level);
  Console_Print("now select value: %d   %d   %d   %d\n", ThermalTable[off + COL_RISE],
                ThermalTable[off + COL_FALL], ThermalTable[off + COL_VALUE],
                ThermalTable[off + COL_EXTRA]);
}

} // namespace

void Control_Cycle(std::uint32_t pause_ms) {
  Platform_SleepMs(pause_ms);
  ++heartbeat;
  Console_Print("heartbat %05d ", heartbeat);
  const bool answered = EC_ReadTemperature(temperature);
  Console_Print("Now Tempareture is: %02d\n", temperature);
  if (answered) {
    Step_Level();
  } else {
    Console_Print("EC did not answer; row held\n");
  }
  Print_Status();
}
