#include "app/controller.h"

#include "app/cycle_decision.h"
#include "app/log_lines.h"
#include "common/console.h"
#include "hw/ec.h"
#include "hw/port_lib.h"

#include <cstdint>

namespace {

std::uint8_t Row_Value(const Controller &controller, std::uint8_t row) {
  return Row_Byte(controller.table, row, COL_VALUE);
}

// Sends the row's value. When the EC did not take it, the row holds, and the
// next cycle tries again if the temperature still asks for the move.
bool Send_Select(const Controller &controller, std::uint8_t row) {
  if (!EC_SendSelect(Row_Value(controller, row))) {
    Console_Print(LOG_NOT_TAKEN);
    return false;
  }
  return true;
}

// The start-up's hardware steps again, after which the EC is told the
// current row's value, so that it runs on what the status line shows: after
// a sleep the firmware may have reset the bridge and the EC's logical
// device, and an EC that restarted has forgotten its start-up command and
// the value. A set-up that fails leaves things as they are; the next trigger
// tries again.
void Set_Up_Ec_Again(const Controller &controller) {
  if (!Open_Port()) {
    return;
  }
  Console_Print(LOG_OPEN_PORT_OK);
  Start_Ec();
  static_cast<void>(EC_SendSelect(Row_Value(controller, controller.row)));
}

// Looks at how long the machine has been suspended; true when it slept since
// the last look.
bool Machine_Slept(Controller &controller) {
  const std::uint64_t now = Platform_SuspendedMs();
  const bool slept = Slept_Between(controller.suspended_ms_seen, now);
  controller.suspended_ms_seen = now;
  return slept;
}

void Act_On_Set_Up(const Controller &controller, SetUp set_up) {
  switch (set_up) {
  case SetUp::None:
    return;
  case SetUp::PortsLost:
    Console_Print(LOG_PORTS_LOST);
    break;
  case SetUp::EcSilent:
    Console_Print(LOG_EC_SILENT, unsigned{EC_SILENT_READS_LIMIT});
    break;
  }
  Set_Up_Ec_Again(controller);
}

void Print_Status(const Controller &controller) {
  const ThermalTableBytes &table = controller.table;
  const std::uint8_t row = controller.row;
  Console_Print(LOG_STATUS, Row_Byte(table, row, COL_RISE), Row_Byte(table, row, COL_FALL),
                Row_Byte(table, row, COL_VALUE), Row_Byte(table, row, COL_EXTRA));
}

} // namespace

void Control_Cycle(Controller &controller, std::uint32_t pause_ms) {
  Platform_SleepMs(pause_ms);
  const bool resumed = Machine_Slept(controller);
  if (resumed) {
    Console_Print(LOG_RESUMED);
    Set_Up_Ec_Again(controller);
  }
  ++controller.heartbeat;
  Console_Print(LOG_HEARTBEAT, controller.heartbeat);
  const EcRead read = EC_ReadTemperature(controller.temperature);
  Console_Print(LOG_TEMPERATURE, controller.temperature);
  const CycleDecision decision =
      Decide_Cycle(controller.table, {controller.row, controller.silent_reads, resumed,
                                      controller.temperature, read});
  controller.silent_reads = decision.silent_reads;
  if (read != EcRead::Answered) {
    Console_Print(LOG_NO_ANSWER);
  }
  if (decision.select) {
    controller.row = Row_After(decision, controller.row, Send_Select(controller, decision.enter));
  }
  Act_On_Set_Up(controller, decision.set_up);
  Print_Status(controller);
}
