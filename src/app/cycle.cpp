#include "app/control.h"

#include "common/console.h"
#include "hw/ec.h"
#include "hw/port_lib.h"
#include "table/thermal_table.h"

#include <cstdint>

namespace {

// Program-wide state of the controller.
std::uint8_t level = 0;       // the current table row
std::uint16_t heartbeat = 0;  // cycles run; wraps from 65535 to 0
std::uint8_t temperature = 0; // the latest byte the EC's data port gave

// Sends the row's value and makes it current; when the EC did not take the
// value, the row holds, and the next cycle tries again if the temperature
// still asks for the move.
void Enter_Row(std::uint8_t row) {
  if (!EC_SendSelect(Row_Byte(ThermalTable, row, COL_VALUE))) {
    Console_Print("EC did not take the row's value; row held\n");
    return;
  }
  level = row;
}

void Step_Level() {
  const std::uint8_t row = Step_Row(ThermalTable, level, temperature);
  if (row != level) {
    Enter_Row(row);
  }
}

// After a resume from sleep the firmware may have reset the bridge and the
// EC's logical device. The start-up's hardware steps are taken again, and the
// EC is told the current row's value, so that it runs on what the status line
// shows. A bridge not found leaves the ports lost; the next failed read
// tries again.
void Restore_EcPorts() {
  Console_Print("EC ports lost; setting them up again\n");
  if (!Open_Port()) {
    return;
  }
  Console_Print("open port ok\n");
  Start_Ec();
  static_cast<void>(EC_SendSelect(Row_Byte(ThermalTable, level, COL_VALUE)));
}

void Print_Status() {
  Console_Print("now select value: %d   %d   %d   %d\n", Row_Byte(ThermalTable, level, COL_RISE),
                Row_Byte(ThermalTable, level, COL_FALL), Row_Byte(ThermalTable, level, COL_VALUE),
                Row_Byte(ThermalTable, level, COL_EXTRA));
}

} // namespace

void Control_Cycle(std::uint32_t pause_ms) {
  Platform_SleepMs(pause_ms);
  ++heartbeat;
  Console_Print("heartbat %05d ", heartbeat);
  const EcRead read = EC_ReadTemperature(temperature);
  Console_Print("Now Tempareture is: %02d\n", temperature);
  if (read == EcRead::Answered) {
    Step_Level();
  } else {
    Console_Print("EC did not answer; row held\n");
  }
  if (read == EcRead::PortsLost) {
    Restore_EcPorts();
  }
  Print_Status();
}
