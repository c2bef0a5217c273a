#include "app/control.h"

#include "app/cycle_decision.h"
#include "app/state.h"
#include "common/console.h"
#include "hw/ec.h"
#include "hw/port_lib.h"

#include <cstdint>

namespace {

// Sends the row's value. When the EC did not take it, the row holds, and the
// next cycle tries again if the temperature still asks for the move.
bool Send_Select(std::uint8_t row) {
  if (!EC_SendSelect(Row_Byte(ThermalTable, row, COL_VALUE))) {
    Console_Print("EC did not take the row's value; row held\n");
    return false;
  }
  return true;
}

// After a resume from sleep the firmware may have reset the bridge and the
// EC's logical device. The start-up's hardware steps are taken again, and the
// EC is told the current row's value, so that it runs on what the status line
// shows. A set-up that fails leaves the ports lost; the next failed read
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
  const CycleDecision decision = Decide_Cycle(ThermalTable, level, temperature, read);
  if (read != EcRead::Answered) {
    Console_Print("EC did not answer; row held\n");
  }
  if (decision.select) {
    level = Row_After(decision, level, Send_Select(decision.enter));
  }
  if (decision.set_up) {
    Restore_EcPorts();
  }
  Print_Status();
}
