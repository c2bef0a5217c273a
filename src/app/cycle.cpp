#include "app/controller.h"

#include "app/cycle_decision.h"
#include "app/log_lines.h"
#include "common/console.h"
#include "hw/board.h"
#include "hw/ec.h"
#include "hw/port_lib.h"

#include <cstdint>
#include <cstdio>

namespace {

std::uint8_t Row_Value(const Controller &controller, std::uint8_t row) {
  return Row_Byte(controller.table, row, COL_VALUE);
}

// The select command with a value, counted; true when the EC took it, which
// it then holds.
bool Select(Controller &controller, std::uint8_t value) {
  const bool taken = EC_SendSelect(value) == EcSent::Taken;
  ++(taken ? controller.counts.selects_taken : controller.counts.selects_not_taken);
  controller.ec_value = taken ? std::int16_t{value} : std::int16_t{-1};
  return taken;
}

// Sends a row's value with the select command; true when the EC took it.
// When it did not, the standard output says so: an entered row holds, and
// the next cycle tries again if the temperature still asks for the move.
bool Send_Row_Value(Controller &controller, std::uint8_t row) {
  const bool taken = Select(controller, Row_Value(controller, row));
  if (!taken) {
    Console_Print(LOG_NOT_TAKEN);
  }
  return taken;
}

// The start-up's hardware steps again, after which the EC is told the
// current row's value, so that it runs on what the status line shows: after
// a sleep the firmware may have reset the bridge and the EC's logical
// device, and an EC that restarted has forgotten its start-up command and
// the value, which is not known from here on until the EC takes one again.
// True when the ports were opened and the EC took its start-up command; a
// set-up that fails leaves the rest as it is, and the next trigger tries
// again. Where other software holds the EC, the command and the value are
// owed to it.
bool Set_Up_Ec_Again(Controller &controller) {
  controller.ec_value = -1;
  if (Open_Port() != PortsOpened::Open) {
    return false;
  }
  Console_Print(LOG_OPEN_PORT_OK);
  controller.ec_start = Start_Ec();
  if (controller.ec_start == EcStart::Owed) {
    controller.value_owed = true;
    return false;
  }
  static_cast<void>(Send_Row_Value(controller, controller.row));
  return controller.ec_start == EcStart::Taken;
}

// The start-up command owed since other software held the EC goes out at the
// first cycle that can have the EC, before its read, with the row's value
// where a set-up could not send it. The standard error says so, and how it
// went; the standard output keeps its shape.
void Send_Owed_Start(Controller &controller) {
  if (controller.ec_start != EcStart::Owed) {
    return;
  }
  controller.ec_start = Start_Of(EC_SendInit(EC_INIT_DATA));
  if (controller.ec_start == EcStart::Owed) {
    return;
  }
  bool value_taken = true;
  if (controller.value_owed) {
    value_taken = Select(controller, Row_Value(controller, controller.row));
    controller.value_owed = false;
  }
  Console_Error("the EC's start-up command, owed while other software held the "
                "EC, went out%s%s\n",
                controller.ec_start == EcStart::Taken ? "" : "; the EC did not take it",
                value_taken ? "" : "; the EC did not take the row's value");
}

// Where the EC runs on the value the program sent for the current row, it is
// sent that row's value in the table now in force, if that differs; where
// nothing was sent for the row yet, nothing is sent, as at start-up.
void Resend_Changed_Value(Controller &controller) {
  const std::uint8_t value = Row_Value(controller, controller.row);
  if (controller.ec_value < 0 || controller.ec_value == value) {
    return;
  }
  Console_Print(LOG_RELOAD_SENT, unsigned{controller.row}, unsigned{value});
  static_cast<void>(Send_Row_Value(controller, controller.row));
}

// Looks at how long the machine has been suspended, and whether the
// platform told of a resume; true when it slept since the last look.
bool Machine_Slept(Controller &controller) {
  const std::uint64_t now = Platform_SuspendedMs();
  const bool slept = Slept_Between(controller.suspended_ms_seen, now);
  controller.suspended_ms_seen = now;
  return Platform_ResumeNoticed() || slept;
}

// A set-up after the start-up, counted.
RecoveryDone Set_Up_Again(Controller &controller) {
  const bool worked = Set_Up_Ec_Again(controller);
  ++(worked ? controller.counts.set_ups_worked : controller.counts.set_ups_failed);
  return worked ? RecoveryDone::Worked : RecoveryDone::Failed;
}

RecoveryDone Act_On_Recovery(Controller &controller, Recovery recovery) {
  switch (recovery) {
  case Recovery::None:
    return RecoveryDone::None;
  case Recovery::PortsLost:
    Console_Print(LOG_PORTS_LOST);
    break;
  case Recovery::EcSilent:
    Console_Print(LOG_EC_SILENT, unsigned{EC_SILENT_READS_LIMIT});
    break;
  }
  return Set_Up_Again(controller);
}

void Print_Status(const Controller &controller) {
  const ThermalTableBytes &table = controller.table;
  const std::uint8_t row = controller.row;
  Console_Print(LOG_STATUS, Row_Byte(table, row, COL_RISE), Row_Byte(table, row, COL_FALL),
                Row_Byte(table, row, COL_VALUE), Row_Byte(table, row, COL_EXTRA));
}

// Reads in a row left unanswered, this one included.
std::uint8_t Unanswered(EcRead read, const CycleDecision &decision) {
  if (read != EcRead::NoAnswer) {
    return 0;
  }
  return decision.recovery == Recovery::EcSilent ? EC_SILENT_READS_LIMIT : decision.silent_reads;
}

} // namespace

void Read_Table_Again(Controller &controller) {
  Platform_Notify("RELOADING=1");
  const char *why = nullptr;
  std::FILE *file = Open_TableFile(THERMAL_TABLE_FILE, why);
  char distrust[256];
  if (file != nullptr && !Table_Trusted(file, distrust, sizeof distrust)) {
    std::fclose(file);
    file = nullptr;
    why = distrust;
  }
  if (file == nullptr) {
    ++controller.counts.reloads_kept;
    Console_Error("cannot use %s again: %s; the table in force stays\n", THERMAL_TABLE_FILE, why);
  } else {
    ++controller.counts.reloads_read;
    controller.table = Built_In_Table();
    controller.table_count = 0;
    TableLoad load{};
    Load_ThermalTable(file, THERMAL_TABLE_FILE, controller.table, controller.table_count, &load);
    Console_Print("\n");
    List_ThermalTable(controller.table, controller.table_count);
    Say_Table_Findings(controller, load);
    Resend_Changed_Value(controller);
  }
  Platform_Notify("READY=1");
}

bool Control_Cycle(Controller &controller, std::uint32_t pause_ms) {
  if (!Platform_Pause(pause_ms)) {
    return false;
  }
  if (Platform_ReloadAsked()) {
    Read_Table_Again(controller);
  }
  const bool resumed = Machine_Slept(controller);
  RecoveryDone after_sleep = RecoveryDone::None;
  if (resumed) {
    ++controller.counts.wakes;
    Console_Print(LOG_RESUMED);
    after_sleep = Set_Up_Again(controller);
  }
  Send_Owed_Start(controller);
  ++controller.heartbeat;
  Console_Print(LOG_HEARTBEAT, controller.heartbeat);
  const EcRead read = EC_ReadTemperature(controller.temperature);
  Console_Print(LOG_TEMPERATURE, controller.temperature);
  ++controller.counts.cycles;
  ++controller.counts.reads[static_cast<std::size_t>(read)];
  if (read == EcRead::Answered) {
    controller.answered = controller.temperature;
  }
  const CycleDecision decision =
      Decide_Cycle(controller.table, {controller.row, controller.silent_reads, resumed,
                                      controller.temperature, read});
  controller.silent_reads = decision.silent_reads;
  if (read != EcRead::Answered) {
    Console_Print(LOG_NO_ANSWER);
  }
  if (decision.select) {
    controller.row =
        Row_After(decision, controller.row, Send_Row_Value(controller, decision.enter));
  }
  const RecoveryDone recovery_done = Act_On_Recovery(controller, decision.recovery);
  Print_Status(controller);
  CycleReport report = Report_State(controller);
  report.after_sleep = after_sleep;
  report.read = read;
  report.unanswered = Unanswered(read, decision);
  report.recovery_done = recovery_done;
  Tell_Cycle(controller, report);
  return true;
}
