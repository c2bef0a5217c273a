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

// The start-up's hardware steps again, after which the EC is told the
// current row's value, so that it runs on what the status line shows: after
// a sleep the firmware may have reset the bridge and the EC's logical
// device, and an EC that restarted has forgotten its start-up command and
// the value. A set-up that fails leaves things as they are; the next trigger
// tries again.
void Set_Up_Ec_Again() {
  if (!Open_Port()) {
    return;
  }
  Console_Print("open port ok\n");
  Start_Ec();
  static_cast<void>(EC_SendSelect(Row_Byte(ThermalTable, level, COL_VALUE)));
}

// Looks at how long the machine has been suspended; true when it slept since
// the last look.
bool Machine_Slept() {
  const std::uint64_t now = Platform_SuspendedMs();
  const bool slept = Slept_Between(suspended_ms_seen, now);
  suspended_ms_seen = now;
  return slept;
}

void Act_On_Set_Up(SetUp set_up) {
  switch (set_up) {
  case SetUp::None:
    return;
  case SetUp::PortsLost:
    Console_Print("EC ports lost; setting them up again\n");
    break;
  case SetUp::EcSilent:
    Console_Print("EC did not answer 3 times; setting it up again\n");
    break;
  }
  Set_Up_Ec_Again();
}

void Print_Status() {
  Console_Print("now select value: %d   %d   %d   %d\n", Row_Byte(ThermalTable, level, COL_RISE),
                Row_Byte(ThermalTable, level, COL_FALL), Row_Byte(ThermalTable, level, COL_VALUE),
                Row_Byte(ThermalTable, level, COL_EXTRA));
}

} // namespace

void Control_Cycle(std::uint32_t pause_ms) {
  Platform_SleepMs(pause_ms);
  const bool resumed = Machine_Slept();
  if (resumed) {
    Console_Print("system resumed; setting the EC up again\n");
    Set_Up_Ec_Again();
  }
  ++heartbeat;
  Console_Print("heartbat %05d ", heartbeat);
  const EcRead read = EC_ReadTemperature(temperature);
  Console_Print("Now Tempareture is: %02d\n", temperature);
  const CycleDecision decision =
      Decide_Cycle(ThermalTable, {level, silent_reads, resumed, temperature, read});
  silent_reads = decision.silent_reads;
  if (read != EcRead::Answered) {
    Console_Print("EC did not answer; row held\n");
  }
  if (decision.select) {
    level = Row_After(decision, level, Send_Select(decision.enter));
  }
  Act_On_Set_Up(decision.set_up);
  Print_Status();
}
