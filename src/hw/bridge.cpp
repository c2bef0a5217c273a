#include "hw/bridge.h"

#include "hw/ec.h"
#include "hw/port_lib.h"

namespace {

// The bridge is searched on buses 0 to 5; the first match is taken.
constexpr std::uint8_t PCI_MAX_BUS = 5;
constexpr std::uint16_t LPC_BRIDGE_VENDOR_ID = 0x8086;
constexpr std::uint16_t LPC_BRIDGE_DEVICE_ID = 0x9CC3;
constexpr std::uint8_t LPC_BRIDGE_FIRST_MATCH = 0;

// The bridge's first generic I/O decode range register. Bit 0 enables the
// range, bits 15:2 hold its base and bits 23:18 mask address bits 7:2. Base
// 0x68 with address bit 2 masked forwards ports 0x68 to 0x6F. The whole
// register is written; its former contents do not matter.
constexpr std::uint8_t LPC_GEN1_DEC = 0x84;
constexpr std::uint32_t LPC_GEN_DEC_ENABLE = 0x00000001;
constexpr std::uint32_t LPC_GEN_DEC_BASE = 0x68;
constexpr std::uint32_t LPC_GEN_DEC_MASK_SHIFT = 16; // address bit n sits at register bit n + 16
constexpr std::uint32_t LPC_GEN_DEC_MASK_ADDRESS_BIT_2 = 0x04u << LPC_GEN_DEC_MASK_SHIFT;
constexpr std::uint32_t LPC_GEN1_DEC_EC_RANGE =
    LPC_GEN_DEC_MASK_ADDRESS_BIT_2 | LPC_GEN_DEC_BASE | LPC_GEN_DEC_ENABLE;
static_assert(LPC_GEN1_DEC_EC_RANGE == 0x00040069);
constexpr std::uint32_t LPC_GEN_DEC_LAST = LPC_GEN_DEC_BASE + 7; // four ports, doubled by the mask
static_assert(EC_DATA_PORT >= LPC_GEN_DEC_BASE && EC_DATA_PORT <= LPC_GEN_DEC_LAST);
static_assert(EC_CMD_PORT >= LPC_GEN_DEC_BASE && EC_CMD_PORT <= LPC_GEN_DEC_LAST);

} // namespace

std::uint32_t Bridge_Find() {
  PortLib_SetPciMaxBus(PCI_MAX_BUS);
  return PortLib_FindPciDevice(LPC_BRIDGE_VENDOR_ID, LPC_BRIDGE_DEVICE_ID, LPC_BRIDGE_FIRST_MATCH);
}

bool Bridge_ForwardEcPorts(std::uint32_t bridge) {
  return PortLib_WritePciConfigDword(bridge, LPC_GEN1_DEC, LPC_GEN1_DEC_EC_RANGE);
}
