#include "app/controller.h"

#include "app/exit_status.h"
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

int Exit_Status_Of(PortLibFailure failure) {
  switch (failure) {
  case PortLibFailure::Other:
    break;
  case PortLibFailure::AnotherCopy:
    return EXIT_ANOTHER_COPY;
  case PortLibFailure::NoLibrary:
    return EXIT_NO_LIBRARY;
  case PortLibFailure::LibraryUnloadable:
    return EXIT_LIBRARY_UNLOADABLE;
  case PortLibFailure::LibraryIncomplete:
    return EXIT_LIBRARY_INCOMPLETE;
  case PortLibFailure::DriverNotStarted:
    return EXIT_DRIVER;
  case PortLibFailure::BadStatus:
    return EXIT_LIBRARY_STATUS;
  }
  return EXIT_PORT_LIBRARY;
}

// 0 once the library is ready; else the exit status of why it is not.
int Init_PortLib() {
  if (PortLib_Initialize() == 0 || PortLib_GetStatus() != 0) {
    Console_Print(LOG_PORT_LIBRARY_ERROR);
    return Exit_Status_Of(PortLib_Failure());
  }
  return 0;
}

void Say_Finding(void *, const TableFinding &finding) {
  Console_Error("%s: %s: %s [%s]\n", THERMAL_TABLE_FILE,
                finding.severity == FindingSeverity::Warning ? "warning" : "note", finding.text,
                finding.name);
}

// What the service tells its platform as its control cycle begins: its
// version, and the table in force.
void Tell_Started(bool read, const TableLoad &load) {
  char text[160];
  Text_Format(text, sizeof text, "thermal-control %s runs on %s%s%s", THERMAL_VERSION,
              read ? THERMAL_TABLE_FILE : "the built-in table", read ? ", " : "",
              read ? Encoding_Name(load.encoding) : "");
  Platform_Event(PlatformEvent::Started, text);
}

} // namespace

bool Table_Trusted(std::FILE *file, char *why, std::size_t size) {
  if (Platform_FileTrusted(file, why, size)) {
    return true;
  }
  char text[320];
  Text_Format(text, sizeof text, "%s is not used: %s", THERMAL_TABLE_FILE, why);
  Platform_Event(PlatformEvent::TableRefused, text);
  return false;
}

void Say_Table_Findings(const Controller &controller, const TableLoad &load) {
  Find_What_Changes_The_Controller(controller.table, controller.table_count, load,
                                   {Say_Finding, nullptr});
}

int Start_Up(Controller &controller) {
  controller = Controller{};
  // The first look at the machine's suspended time: each cycle acts on a
  // sleep since the look before.
  controller.suspended_ms_seen = Platform_SuspendedMs();
  // A missing table file has printed its message; the built-in table serves.
  TableLoad load{};
  const bool read = Read_ThermalTable(THERMAL_TABLE_FILE, controller.table, controller.table_count,
                                      &load, Table_Trusted);
  Console_Print("\n");
  List_ThermalTable(controller.table, controller.table_count);
  if (read) {
    Say_Table_Findings(controller, load);
  }
  if (const int failed = Init_PortLib(); failed != 0) {
    return failed;
  }
  Console_Print(LOG_INIT_OK);
  switch (Open_Port()) {
  case PortsOpened::Open:
    break;
  case PortsOpened::NotThisMachine:
    return EXIT_NOT_THIS_MACHINE;
  case PortsOpened::Failed:
    return EXIT_SET_UP_FAILED;
  }
  Console_Print(LOG_OPEN_PORT_OK);
  Console_Print("\n");
  controller.ec_start = Start_Ec();
  Tell_Started(read, load);
  Platform_Notify("READY=1");
  Tell_Up(controller);
  return 0;
}

PortsOpened Open_Port() {
  switch (Bridge_ForwardEcPorts()) {
  case BridgeOpened::Forwarding:
    return SIO_ProgramEcDevice() ? PortsOpened::Open : PortsOpened::Failed;
  case BridgeOpened::NotFound:
    Console_Print(LOG_NO_BRIDGE);
    return PortsOpened::NotThisMachine;
  case BridgeOpened::Taken:
    return PortsOpened::NotThisMachine;
  case BridgeOpened::Failed:
    break;
  }
  return PortsOpened::Failed;
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
