#include "app/control.h"

#include "app/state.h"
#include "common/console.h"
#include "hw/bridge.h"
#include "hw/ec.h"
#include "hw/port_lib.h"
#include "hw/sio.h"
#include "table/thermal_table.h"

#include <cstdint>

namespace {

constexpr std::uint32_t EC_OPEN_SETTLE_MS = 100; // between opening the ports and the first command
constexpr std::uint8_t EC_INIT_DATA = 6;

bool Init_WinRing0() {
  if (PortLib_Initialize() == 0 || PortLib_GetStatus() != 0) {
    Console_Print("initializes the DLL Error\n");
    return false;
  }
  return true;
}

} // namespace

bool Start_Up() {
  // The first look at the machine's suspended time: each cycle acts on a
  // sleep since the look before.
  suspended_ms_seen = Platform_SuspendedMs();
  // A missing table file has printed its message; the built-in table serves.
  static_cast<void>(Read_ThermalTable(THERMAL_TABLE_FILE, ThermalTable, table_count));
  Console_Print("\n");
  List_ThermalTable(ThermalTable, table_count);
  if (!Init_WinRing0()) {
    return false;
  }
  Console_Print("Init_WinRing0 ok\n");
  if (!Open_Port()) {
    return false;
  }
  Console_Print("open port ok\n");
  Console_Print("\n");
  Start_Ec();
  return true;
}

bool Open_Port() {
  const std::uint32_t bridge = Bridge_Find();
  if (bridge == PORTLIB_PCI_NOT_FOUND) {
    Console_Print("No find PCI bradge\n");
    return false;
  }
  if (!Bridge_ForwardEcPorts(bridge)) {
    return false;
  }
  SIO_SetUpEcDevice(EC_DATA_PORT, EC_CMD_PORT);
  return true;
}

void Start_Ec() {
  Platform_SleepMs(EC_OPEN_SETTLE_MS);
  EC_SendInit(EC_INIT_DATA);
}
