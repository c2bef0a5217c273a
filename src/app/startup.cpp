#include "app/controller.h"

#include "app/log_lines.h"
#include "common/console.h"
#include "hw/board.h"
#include "hw/bridge.h"
#include "hw/ec.h"
#include "hw/port_lib.h"
#include "hw/sio.h"
#include "table/table_findings.h"

#include <cstdint>
#include <cstdio>

namespace {

bool Init_PortLib() {
  if (PortLib_Initialize() == 0 || PortLib_GetStatus() != 0) {
    Console_Print(LOG_PORT_LIBRARY_ERROR);
    return false;
  }
  return true;
}

void Say_Finding(void *, const TableFinding &finding) {
  std::fprintf(stderr, "thermal-control: %s: %s: %s [%s]\n", THERMAL_TABLE_FILE,
               finding.severity == FindingSeverity::Warning ? "warning" : "note", finding.text,
               finding.name);
}

} // namespace

void Say_Table_Findings(const Controller &controller, const TableLoad &load) {
  Find_What_Changes_The_Controller(controller.table, controller.table_count, load,
                                   {Say_Finding, nullptr});
}

bool Start_Up(Controller &controller) {
  Platform_KeepOutput();
  controller = Controller{};
  // The first look at the machine's suspended time: each cycle acts on a
  // sleep since the look before.
  controller.suspended_ms_seen = Platform_SuspendedMs();
  // A missing table file has printed its message; the built-in table serves.
  TableLoad load{};
  const bool read =
      Read_ThermalTable(THERMAL_TABLE_FILE, controller.table, controller.table_count, &load);
  Console_Print("\n");
  List_ThermalTable(controller.table, controller.table_count);
  if (read) {
    Say_Table_Findings(controller, load);
  }
  if (!Init_PortLib()) {
    return false;
  }
  Console_Print(LOG_INIT_OK);
  if (!Open_Port()) {
    return false;
  }
  Console_Print(LOG_OPEN_PORT_OK);
  Console_Print("\n");
  controller.ec_start = Start_Ec();
  Platform_Notify("READY=1");
  return true;
}

bool Open_Port() {
  switch (Bridge_ForwardEcPorts()) {
  case BridgeOpened::Forwarding:
    return SIO_ProgramEcDevice();
  case BridgeOpened::NotFound:
    Console_Print(LOG_NO_BRIDGE);
    return false;
  case BridgeOpened::Failed:
    return false;
  }
  return false;
}

EcStart Start_Of(EcSent sent) {
  switch (sent) {
  case EcSent::Taken:
    return EcStart::Taken;
  case EcSent::NotTaken:
    return EcStart::NotTaken;
  case EcSent::NotHeld:
    break;
  }
  return EcStart::Owed;
}

EcStart Start_Ec() {
  Platform_SleepMs(EC_OPEN_SETTLE_MS);
  return Start_Of(EC_SendInit(EC_INIT_DATA));
}
