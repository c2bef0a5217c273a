// The configuration ports of the simulated machine: an index/data pair in the
// Plug and Play ISA layout, with a register file per logical device.
// Registers below 0x30 are shared by all devices; 0x07 selects one.

#include "backends/sim/sim_parts.h"

#include <array>

namespace {

constexpr std::uint8_t SIO_FIRST_DEVICE_REG = 0x30; // from here on, the selected device's own

std::uint8_t sio_index = 0;
std::array<std::uint8_t, SIO_FIRST_DEVICE_REG> sio_shared{};
std::array<std::array<std::uint8_t, 256>, 256> sio_devices{};

std::uint8_t &Sio_Register(std::uint8_t reg) {
  if (reg < SIO_FIRST_DEVICE_REG) {
    return sio_shared[reg];
  }
  return sio_devices[sio_shared[SIO_REG_LOGICAL_DEVICE]][reg];
}

std::uint16_t Sio_DeviceBase(std::uint8_t device, std::uint8_t high_reg, std::uint8_t low_reg) {
  return static_cast<std::uint16_t>(sio_devices[device][high_reg] << 8 |
                                    sio_devices[device][low_reg]);
}

} // namespace

std::uint8_t Sio_Read(std::uint16_t port) {
  return port == SIO_INDEX_PORT ? sio_index : Sio_Register(sio_index);
}

void Sio_Write(std::uint16_t port, std::uint8_t value) {
  if (port == SIO_INDEX_PORT) {
    sio_index = value;
  } else {
    Sio_Register(sio_index) = value;
  }
}

bool Sio_EcDeviceDecodes() {
  return (sio_devices[SIO_LOGICAL_DEVICE_EC][SIO_REG_ACTIVATE] & SIO_ACTIVATE) != 0 &&
         Sio_DeviceBase(SIO_LOGICAL_DEVICE_EC, SIO_REG_IO_BASE0_HIGH, SIO_REG_IO_BASE0_LOW) ==
             EC_DATA_PORT &&
         Sio_DeviceBase(SIO_LOGICAL_DEVICE_EC, SIO_REG_IO_BASE1_HIGH, SIO_REG_IO_BASE1_LOW) ==
             EC_CMD_PORT;
}

void Sio_ResetEcDevice() {
  auto &regs = sio_devices[SIO_LOGICAL_DEVICE_EC];
  for (const int reg : {SIO_REG_ACTIVATE, SIO_REG_IO_BASE0_HIGH, SIO_REG_IO_BASE0_LOW,
                        SIO_REG_IO_BASE1_HIGH, SIO_REG_IO_BASE1_LOW}) {
    regs[static_cast<std::size_t>(reg)] = 0;
  }
}
