#include "hw/sio.h"

#include "hw/port_lib.h"

namespace {

// An index/data pair: a register number to the index port, then its value to
// the data port, in the Plug and Play ISA register layout. The firmware
// leaves the ports open, so no enter or exit sequence is written, and
// nothing is read back.
constexpr std::uint16_t SIO_INDEX_PORT = 0x4E;
constexpr std::uint16_t SIO_DATA_PORT = 0x4F;

constexpr std::uint8_t SIO_REG_LOGICAL_DEVICE = 0x07;
constexpr std::uint8_t SIO_REG_ACTIVATE = 0x30;
constexpr std::uint8_t SIO_REG_IO_BASE0_LOW = 0x61; // 0x60 holds the high byte
constexpr std::uint8_t SIO_REG_IO_BASE1_LOW = 0x63; // 0x62 holds the high byte
constexpr std::uint8_t SIO_DEACTIVATE = 0x00;
constexpr std::uint8_t SIO_ACTIVATE = 0x01;
constexpr std::uint8_t SIO_LOGICAL_DEVICE_EC = 0x12;

void SIO_WriteRegister(std::uint8_t reg, std::uint8_t value) {
  PortLib_WritePortByte(SIO_INDEX_PORT, reg);
  PortLib_WritePortByte(SIO_DATA_PORT, value);
}

void SIO_SelectLogicalDevice(std::uint8_t device) {
  SIO_WriteRegister(SIO_REG_LOGICAL_DEVICE, device);
}
void SIO_Deactivate() { SIO_WriteRegister(SIO_REG_ACTIVATE, SIO_DEACTIVATE); }
void SIO_Activate() { SIO_WriteRegister(SIO_REG_ACTIVATE, SIO_ACTIVATE); }

void SIO_SetIoBaseLow(std::uint8_t low_reg, std::uint16_t port) {
  SIO_WriteRegister(low_reg, static_cast<std::uint8_t>(port));
}

} // namespace

void SIO_SetUpEcDevice(std::uint16_t data_port, std::uint16_t command_port) {
  SIO_SelectLogicalDevice(SIO_LOGICAL_DEVICE_EC);
  SIO_Deactivate();
  SIO_SetIoBaseLow(SIO_REG_IO_BASE0_LOW, data_port);
  SIO_SetIoBaseLow(SIO_REG_IO_BASE1_LOW, command_port);
  SIO_Activate();
}
