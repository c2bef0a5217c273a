#include "hw/bridge.h"

#include "common/console.h"
#include "hw/board.h"
#include "hw/bus_hold.h"
#include "hw/port_lib.h"

namespace {

// The bridge is searched on buses 0 to 5; the first match is taken.
constexpr std::uint8_t PCI_MAX_BUS = 5;
constexpr std::uint8_t LPC_BRIDGE_FIRST_MATCH = 0;

static_assert(LPC_GEN1_DEC_EC_RANGE == 0x00040069);
static_assert(EC_DATA_PORT >= LPC_GEN_DEC_BASE && EC_DATA_PORT <= LPC_GEN_DEC_LAST);
static_assert(EC_CMD_PORT >= LPC_GEN_DEC_BASE && EC_CMD_PORT <= LPC_GEN_DEC_LAST);

std::uint32_t Bridge_Find() {
  PortLib_SetPciMaxBus(PCI_MAX_BUS);
  return PortLib_FindPciDevice(LPC_BRIDGE_VENDOR_ID, LPC_BRIDGE_DEVICE_ID, LPC_BRIDGE_FIRST_MATCH);
}

BridgeOpened Bridge_FindAndForward() {
  const std::uint32_t bridge = Bridge_Find();
  if (bridge == PORTLIB_PCI_NOT_FOUND) {
    return BridgeOpened::NotFound;
  }
  std::uint32_t range = 0;
  if (!PortLib_ReadPciConfigDword(bridge, LPC_GEN1_DEC, range)) {
    return BridgeOpened::Failed;
  }
  if (range != LPC_GEN1_DEC_FREE && range != LPC_GEN1_DEC_EC_RANGE) {
    Console_Error("the LPC bridge's decode register 0x%02X holds 0x%08X, another device's range: "
                  "not overwritten\n",
                  unsigned{LPC_GEN1_DEC}, static_cast<unsigned>(range));
    return BridgeOpened::Taken;
  }
  return PortLib_WritePciConfigDword(bridge, LPC_GEN1_DEC, LPC_GEN1_DEC_EC_RANGE)
             ? BridgeOpened::Forwarding
             : BridgeOpened::Failed;
}

} // namespace

BridgeOpened Bridge_ForwardEcPorts() {
  if (!Hold_Bus(PortLibBus::Pci)) {
    return BridgeOpened::Failed;
  }
  const BridgeOpened opened = Bridge_FindAndForward();
  const bool released = Release_Bus(PortLibBus::Pci);
  return released ? opened : BridgeOpened::Failed;
}
