// The PCI bus of the simulated machine: one device, the LPC bridge at 0:31.0,
// with the first generic I/O decode range that forwards ports to the LPC bus.

#include "backends/sim/sim_parts.h"
#include "hw/port_lib.h"

#include <array>

namespace {

constexpr std::uint8_t BRIDGE_BUS = 0;
constexpr std::uint8_t BRIDGE_DEVICE = 31;
constexpr std::uint8_t BRIDGE_FUNCTION = 0;
constexpr std::uint32_t BRIDGE_ADDRESS =
    std::uint32_t{BRIDGE_BUS} << 8 | std::uint32_t{BRIDGE_DEVICE} << 3 | BRIDGE_FUNCTION;

// The bridge's first generic I/O decode range, in its register's fields;
// cleared at power-on.
constexpr std::uint32_t GEN_DEC_BASE_BITS = 0xFFFC;
constexpr std::uint32_t GEN_DEC_MASK_BITS = 0xFC;     // after shifting right by 16
constexpr std::uint32_t GEN_DEC_ALWAYS_IGNORED = 0x3; // a range is at least four ports
// The range the firmware gave another device (decode-taken): ports 0xA00 to
// 0xA0F, as a Super-I/O chip's hardware monitor may have.
constexpr std::uint32_t OTHER_DEVICE_RANGE = 0x000C0A01;

std::array<std::uint32_t, 64> bridge_config{};
std::uint8_t pci_max_bus = 0xFF; // until set, every bus is searched

bool Bridge_Present() { return Sim_Settings().fault != SimFault::NoBridge; }

} // namespace

void Bridge_PowerOn() {
  bridge_config[0] = std::uint32_t{LPC_BRIDGE_DEVICE_ID} << 16 | LPC_BRIDGE_VENDOR_ID;
  if (Sim_Settings().fault == SimFault::DecodeTaken) {
    bridge_config[LPC_GEN1_DEC / 4] = OTHER_DEVICE_RANGE;
  }
}

void Bridge_SetMaxBus(std::uint8_t max_bus) { pci_max_bus = max_bus; }

std::uint32_t Bridge_Find(std::uint16_t vendor_id, std::uint16_t device_id, std::uint8_t index) {
  const bool match = Bridge_Present() && BRIDGE_BUS <= pci_max_bus &&
                     vendor_id == LPC_BRIDGE_VENDOR_ID && device_id == LPC_BRIDGE_DEVICE_ID &&
                     index == 0;
  return match ? BRIDGE_ADDRESS : PORTLIB_PCI_NOT_FOUND;
}

// A register of a device that is not there reads as all ones, as PCI's do.
std::uint32_t Bridge_ReadConfig(std::uint32_t address, std::uint8_t reg) {
  return Bridge_Present() && address == BRIDGE_ADDRESS && reg % 4 == 0 ? bridge_config[reg / 4]
                                                                       : 0xFFFFFFFF;
}

void Bridge_WriteConfig(std::uint32_t address, std::uint8_t reg, std::uint32_t value) {
  if (Bridge_Present() && address == BRIDGE_ADDRESS && reg % 4 == 0) {
    bridge_config[reg / 4] = value;
  }
}

bool Bridge_Forwards(std::uint16_t port) {
  const std::uint32_t range = bridge_config[LPC_GEN1_DEC / 4];
  const std::uint32_t ignored = ((range >> 16) & GEN_DEC_MASK_BITS) | GEN_DEC_ALWAYS_IGNORED;
  return (range & LPC_GEN_DEC_ENABLE) != 0 &&
         (port & ~ignored) == (range & GEN_DEC_BASE_BITS & ~ignored);
}

void Bridge_ForgetDecodeRange() { bridge_config[LPC_GEN1_DEC / 4] = 0; }
