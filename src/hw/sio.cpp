#include "hw/sio.h"

#include "hw/board.h"
#include "hw/bus_hold.h"
#include "hw/port_lib.h"

namespace {

// An index/data pair: the register number to the index port, then its value
// to the data port.
void SIO_WriteRegister(std::uint8_t reg, std::uint8_t value) {
  PortLib_WritePortByte(SIO_INDEX_PORT, reg);
  PortLib_WritePortByte(SIO_DATA_PORT, value);
}

} // namespace

bool SIO_ProgramEcDevice() {
  if (!Hold_Bus(PortLibBus::Isa)) {
    return false;
  }
  for (const auto &[reg, value] : sio_ec_device_program) {
    SIO_WriteRegister(reg, value);
  }
  return Release_Bus(PortLibBus::Isa);
}
