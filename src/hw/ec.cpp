#include "hw/ec.h"

#include "common/console.h"
#include "hw/port_lib.h"

#include <cstdint>

namespace {

// The Intel LPC bridge, the only device searched for: the first match on
// buses 0 to 5.
constexpr std::uint8_t PCI_MAX_BUS = 5;
constexpr std::uint16_t LPC_BRIDGE_VENDOR_ID = 0x8086;
constexpr std::uint16_t LPC_BRIDGE_DEVICE_ID = 0x9CC3;
constexpr std::uint8_t LPC_BRIDGE_FIRST_MATCH = 0;

// The bridge's first generic I/O decode range register. Bit 0 enables the
// range, bits 15:2 hold its base and bits 23:18 mask address bits 7:2. Base
// 0x68 with address bit 2 masked forwards ports 0x68 to 0x6F, which holds both
// EC ports. The whole register is written; its former contents do not matter.
constexpr std::uint8_t LPC_GEN1_DEC = 0x84;
constexpr std::uint32_t LPC_GEN_DEC_ENABLE = 0x00000001;
constexpr std::uint32_t LPC_GEN_DEC_BASE = 0x68;
constexpr std::uint32_t LPC_GEN_DEC_MASK_SHIFT = 16; // address bit n sits at register bit n + 16
constexpr std::uint32_t LPC_GEN_DEC_MASK_ADDRESS_BIT_2 = 0x04u << LPC_GEN_DEC_MASK_SHIFT;
constexpr std::uint32_t LPC_GEN1_DEC_EC_RANGE =
    LPC_GEN_DEC_MASK_ADDRESS_BIT_2 | LPC_GEN_DEC_BASE | LPC_GEN_DEC_ENABLE;
static_assert(LPC_GEN1_DEC_EC_RANGE == 0x00040069);

// The configuration ports: a register number to the index port, then its
// value to the data port, in the Plug and Play ISA register layout. The
// firmware leaves them open, so no enter or exit sequence is written.
constexpr std::uint16_t SIO_INDEX_PORT = 0x4E;
constexpr std::uint16_t SIO_DATA_PORT = 0x4F;
constexpr std::uint8_t SIO_REG_LOGICAL_DEVICE = 0x07;
constexpr std::uint8_t SIO_REG_ACTIVATE = 0x30;
constexpr std::uint8_t SIO_REG_IO_BASE0_LOW = 0x61; // 0x60 holds the high byte, left as it is
constexpr std::uint8_t SIO_REG_IO_BASE1_LOW = 0x63; // 0x62 holds the high byte, left as it is
constexpr std::uint8_t SIO_LOGICAL_DEVICE_EC = 0x12;
constexpr std::uint8_t SIO_DEACTIVATE = 0x00;
constexpr std::uint8_t SIO_ACTIVATE = 0x01;

// The EC host interface, with the status bits of the ACPI EC interface.
constexpr std::uint16_t EC_DATA_PORT = 0x68;
constexpr std::uint16_t EC_CMD_PORT = 0x6C;  // command (write), status (read)
constexpr std::uint8_t EC_STATUS_OBF = 0x01; // output buffer full: a reply waits in the data port
constexpr std::uint8_t EC_STATUS_IBF =
    0x02; // input buffer full: the EC has not taken our last byte
// What a read of a port gives when nothing decodes it. An EC never shows it
// as its status: it would claim both buffers full at once.
constexpr std::uint8_t EC_STATUS_FLOATING = 0xFF;

constexpr std::uint8_t EC_CMD_INIT = 0x33;
constexpr std::uint8_t EC_CMD_READ_TEMPERATURE = 0x44;
constexpr std::uint8_t EC_CMD_SELECT = 0x55;
constexpr std::uint8_t EC_READ_TEMPERATURE_ARG = 0x00;

// A wait reads the status, then sleeps 1 ms between reads, and gives up after
// its 1001st sleep without reading again: at most 1001 reads and 1001 sleeps,
// just over a second for an EC that does not answer.
constexpr std::uint32_t EC_POLL_STEP_MS = 1;
constexpr unsigned EC_POLL_LIMIT = 1001;

void SIO_WriteRegister(std::uint8_t reg, std::uint8_t value) {
  PortLib_WritePortByte(SIO_INDEX_PORT, reg);
  PortLib_WritePortByte(SIO_DATA_PORT, value);
}

void SIO_SetUpEcDevice() {
  SIO_WriteRegister(SIO_REG_LOGICAL_DEVICE, SIO_LOGICAL_DEVICE_EC);
  SIO_WriteRegister(SIO_REG_ACTIVATE, SIO_DEACTIVATE);
  SIO_WriteRegister(SIO_REG_IO_BASE0_LOW, static_cast<std::uint8_t>(EC_DATA_PORT));
  SIO_WriteRegister(SIO_REG_IO_BASE1_LOW, static_cast<std::uint8_t>(EC_CMD_PORT));
  SIO_WriteRegister(SIO_REG_ACTIVATE, SIO_ACTIVATE);
}

std::uint8_t EC_ReadStatus() { return PortLib_ReadPortByte(EC_CMD_PORT); }
std::uint8_t EC_ReadData() { return PortLib_ReadPortByte(EC_DATA_PORT); }
void EC_WriteCommand(std::uint8_t command) { PortLib_WritePortByte(EC_CMD_PORT, command); }
void EC_WriteData(std::uint8_t data) { PortLib_WritePortByte(EC_DATA_PORT, data); }

bool Status_Shows(std::uint8_t status, std::uint8_t bit, bool wanted) {
  return ((status & bit) != 0) == wanted;
}

// A wait whose first status read the caller has made already.
bool EC_WaitStatusFrom(std::uint8_t status, std::uint8_t bit, bool wanted) {
  for (unsigned sleeps = 0; !Status_Shows(status, bit, wanted); status = EC_ReadStatus()) {
    Platform_SleepMs(EC_POLL_STEP_MS);
    if (++sleeps == EC_POLL_LIMIT) {
      return false;
    }
  }
  return true;
}

bool EC_WaitStatus(std::uint8_t bit, bool wanted) {
  return EC_WaitStatusFrom(EC_ReadStatus(), bit, wanted);
}

// A command with one data byte and no reply. Each byte goes out even when the
// EC has not taken the one before it in time; true when it took both.
bool EC_SendCommand(std::uint8_t command, std::uint8_t data) {
  const bool ready = EC_WaitInputEmpty();
  EC_WriteCommand(command);
  const bool command_taken = EC_WaitInputEmpty();
  EC_WriteData(data);
  return ready && command_taken;
}

// The first wait of a temperature read. A reply still waiting in the output
// buffer came after its own request's wait gave up: it is read once, right
// away, and dropped.
bool EC_WaitReadyDroppingStaleReply(std::uint8_t status) {
  if ((status & EC_STATUS_OBF) != 0) {
    static_cast<void>(EC_ReadData());
  }
  return EC_WaitStatusFrom(status, EC_STATUS_IBF, false);
}

} // namespace

bool Open_Port() {
  PortLib_SetPciMaxBus(PCI_MAX_BUS);
  const std::uint32_t bridge =
      PortLib_FindPciDevice(LPC_BRIDGE_VENDOR_ID, LPC_BRIDGE_DEVICE_ID, LPC_BRIDGE_FIRST_MATCH);
  if (bridge == PORTLIB_PCI_NOT_FOUND) {
    Console_Print("No find PCI bradge\n");
    return false;
  }
  PortLib_WritePciConfigDword(bridge, LPC_GEN1_DEC, LPC_GEN1_DEC_EC_RANGE);
  SIO_SetUpEcDevice();
  return true;
}

bool EC_WaitInputEmpty() { return EC_WaitStatus(EC_STATUS_IBF, false); }
bool EC_WaitOutputFull() { return EC_WaitStatus(EC_STATUS_OBF, true); }

void EC_SendInit(std::uint8_t data) { static_cast<void>(EC_SendCommand(EC_CMD_INIT, data)); }
bool EC_SendSelect(std::uint8_t value) { return EC_SendCommand(EC_CMD_SELECT, value); }

EcRead EC_ReadTemperature(std::uint8_t &temperature) {
  const std::uint8_t first_status = EC_ReadStatus();
  const bool ready = EC_WaitReadyDroppingStaleReply(first_status);
  EC_WriteCommand(EC_CMD_READ_TEMPERATURE);
  const bool command_taken = EC_WaitInputEmpty();
  EC_WriteData(EC_READ_TEMPERATURE_ARG);
  const bool replied = EC_WaitOutputFull();
  temperature = EC_ReadData();
  if (ready && command_taken && replied) {
    return EcRead::Answered;
  }
  return first_status == EC_STATUS_FLOATING ? EcRead::PortsLost : EcRead::NoAnswer;
}
