#include "sim/sim.h"

#include <array>

namespace {

// The library.
bool library_ready = false;
std::uint8_t pci_max_bus = 0xFF; // until set, every bus is searched

// The PCI bus holds one device: the LPC bridge at 0:31.0.
constexpr std::uint16_t BRIDGE_VENDOR_ID = 0x8086;
constexpr std::uint16_t BRIDGE_DEVICE_ID = 0x9CC3;
constexpr std::uint8_t BRIDGE_BUS = 0;
constexpr std::uint8_t BRIDGE_DEVICE = 31;
constexpr std::uint8_t BRIDGE_FUNCTION = 0;
constexpr std::uint32_t BRIDGE_ADDRESS =
    std::uint32_t{BRIDGE_BUS} << 8 | std::uint32_t{BRIDGE_DEVICE} << 3 | BRIDGE_FUNCTION;
constexpr std::uint32_t PCI_NOT_FOUND = 0xFFFFFFFF;

// The bridge's first generic I/O decode range: bit 0 enable, bits 15:2 the
// base, bits 23:18 a mask of address bits 7:2. Cleared at power-on.
constexpr std::uint8_t BRIDGE_GEN1_DEC = 0x84;
constexpr std::uint32_t GEN_DEC_ENABLE = 0x1;
constexpr std::uint32_t GEN_DEC_BASE_BITS = 0xFFFC;
constexpr std::uint32_t GEN_DEC_MASK_BITS = 0xFC; // after shifting right by 16
std::array<std::uint32_t, 64> bridge_config{};

// The configuration ports, with a register file per logical device.
// Registers below 0x30 are shared by all devices; 0x07 selects one.
constexpr std::uint16_t SIO_INDEX_PORT = 0x4E;
constexpr std::uint16_t SIO_DATA_PORT = 0x4F;
constexpr std::uint8_t SIO_REG_LOGICAL_DEVICE = 0x07;
constexpr std::uint8_t SIO_FIRST_DEVICE_REG = 0x30;
constexpr std::uint8_t SIO_REG_ACTIVATE = 0x30;
constexpr std::uint8_t SIO_REG_IO_BASE0_HIGH = 0x60;
constexpr std::uint8_t SIO_REG_IO_BASE0_LOW = 0x61;
constexpr std::uint8_t SIO_REG_IO_BASE1_HIGH = 0x62;
constexpr std::uint8_t SIO_REG_IO_BASE1_LOW = 0x63;
constexpr std::uint8_t SIO_ACTIVE = 0x01;
std::uint8_t sio_index = 0;
std::array<std::uint8_t, SIO_FIRST_DEVICE_REG> sio_shared{};
std::array<std::array<std::uint8_t, 256>, 256> sio_devices{};

// The EC: logical device 0x12, answering at its two bases.
constexpr std::uint8_t EC_LOGICAL_DEVICE = 0x12;
constexpr std::uint16_t EC_DATA_PORT = 0x68;
constexpr std::uint16_t EC_CMD_PORT = 0x6C;
constexpr std::uint8_t EC_STATUS_OBF = 0x01;
constexpr std::uint8_t EC_STATUS_IBF = 0x02;
constexpr std::uint8_t EC_CMD_INIT = 0x33;
constexpr std::uint8_t EC_CMD_READ_TEMPERATURE = 0x44;
constexpr std::uint8_t EC_CMD_SELECT = 0x55;
constexpr std::uint8_t EC_NO_COMMAND = 0x00;
constexpr std::uint8_t FLOATING_BUS = 0xFF; // what a read of an undecoded port gives

struct EcState {
  bool input_full = false;
  bool output_full = false;
  std::uint8_t output = 0;              // the byte the data port gives
  std::uint8_t command = EC_NO_COMMAND; // the command awaiting its data byte
  std::uint8_t temperature = 0;         // latched when the temperature is asked for
  bool reply_due = false;               // a slow reply on its way
  std::uint64_t reply_at_ms = 0;
  std::uint64_t temperature_replies_read = 0;
};
EcState ec;

// Temperatures handed out from THERMAL_SIM_TEMPS.
std::size_t temperature_run = 0;
std::uint64_t taken_from_run = 0;

bool booted = false;

const SimSettings &Boot() {
  const SimSettings &settings = Sim_Settings();
  if (!booted) {
    booted = true;
    if (!settings.trace_path.empty()) {
      Sim_OpenTrace(settings.trace_path);
    }
    ec.input_full = settings.fault == SimFault::EcDead;
    bridge_config[0] = std::uint32_t{BRIDGE_DEVICE_ID} << 16 | BRIDGE_VENDOR_ID;
    Thermal_Start(Sim_ClockMs());
  }
  return settings;
}

bool Bridge_Forwards(std::uint16_t port) {
  const std::uint32_t range = bridge_config[BRIDGE_GEN1_DEC / 4];
  const std::uint32_t ignored = ((range >> 16) & GEN_DEC_MASK_BITS) | 0x3;
  return (range & GEN_DEC_ENABLE) != 0 &&
         (port & ~ignored) == (range & GEN_DEC_BASE_BITS & ~ignored);
}

std::uint16_t Sio_DeviceBase(std::uint8_t device, std::uint8_t high_reg, std::uint8_t low_reg) {
  return static_cast<std::uint16_t>(sio_devices[device][high_reg] << 8 |
                                    sio_devices[device][low_reg]);
}

bool Ec_Decoded() {
  const auto &regs = sio_devices[EC_LOGICAL_DEVICE];
  return Bridge_Forwards(EC_DATA_PORT) && Bridge_Forwards(EC_CMD_PORT) &&
         (regs[SIO_REG_ACTIVATE] & SIO_ACTIVE) != 0 &&
         Sio_DeviceBase(EC_LOGICAL_DEVICE, SIO_REG_IO_BASE0_HIGH, SIO_REG_IO_BASE0_LOW) ==
             EC_DATA_PORT &&
         Sio_DeviceBase(EC_LOGICAL_DEVICE, SIO_REG_IO_BASE1_HIGH, SIO_REG_IO_BASE1_LOW) ==
             EC_CMD_PORT;
}

std::uint8_t &Sio_Register(std::uint8_t reg) {
  if (reg < SIO_FIRST_DEVICE_REG) {
    return sio_shared[reg];
  }
  return sio_devices[sio_shared[SIO_REG_LOGICAL_DEVICE]][reg];
}

// The next temperature for a 0x44 written to the command port, whether or
// not the EC is there to take it. A used-up list ends the run; output the
// program had not pushed out yet is lost, as it would be.
std::uint8_t Next_Temperature(const SimSettings &settings) {
  if (!settings.temperatures_given) {
    return Thermal_Temperature(Sim_ClockMs());
  }
  while (temperature_run < settings.temperatures.size() &&
         taken_from_run == settings.temperatures[temperature_run].count) {
    ++temperature_run;
    taken_from_run = 0;
  }
  if (temperature_run == settings.temperatures.size()) {
    Sim_EndRun();
  }
  ++taken_from_run;
  return settings.temperatures[temperature_run].temperature;
}

void Ec_Reply(const SimSettings &settings) {
  switch (settings.fault) {
  case SimFault::EcMute:
    return;
  case SimFault::EcSlow:
    ec.reply_due = true;
    ec.reply_at_ms = Sim_ClockMs() + settings.fault_arg;
    return;
  default:
    ec.output = ec.temperature;
    ec.output_full = true;
    return;
  }
}

void Ec_DeliverDueReply() {
  if (ec.reply_due && Sim_ClockMs() >= ec.reply_at_ms) {
    ec.reply_due = false;
    ec.output = ec.temperature;
    ec.output_full = true;
  }
}

// The EC takes a byte at once, unless it is dead.
void Ec_TakeCommand(std::uint8_t command) {
  if (!ec.input_full) {
    ec.command = command;
  }
}

void Ec_TakeData(const SimSettings &settings, std::uint8_t data) {
  if (ec.input_full) {
    return;
  }
  switch (ec.command) {
  case EC_CMD_READ_TEMPERATURE:
    Ec_Reply(settings);
    break;
  case EC_CMD_SELECT:
    Thermal_SetFanValue(Sim_ClockMs(), data);
    break;
  case EC_CMD_INIT: // the EC's start-up; nothing the machine shows
  default:
    break;
  }
  ec.command = EC_NO_COMMAND;
}

std::uint8_t Ec_ReadStatus() {
  Ec_DeliverDueReply();
  return static_cast<std::uint8_t>((ec.output_full ? EC_STATUS_OBF : 0) |
                                   (ec.input_full ? EC_STATUS_IBF : 0));
}

// Reading the data port empties the output buffer. Once the chosen count of
// temperature replies has been read, the bridge loses its decode range, as
// firmware may leave it after a resume from sleep.
std::uint8_t Ec_ReadData(const SimSettings &settings) {
  Ec_DeliverDueReply();
  if (ec.output_full) {
    ec.output_full = false;
    ++ec.temperature_replies_read;
    if (settings.fault == SimFault::EcGone && ec.temperature_replies_read == settings.fault_arg) {
      bridge_config[BRIDGE_GEN1_DEC / 4] = 0;
    }
  }
  return ec.output;
}

std::uint8_t Read_Port(const SimSettings &settings, std::uint16_t port) {
  if (!library_ready) {
    return FLOATING_BUS;
  }
  if (port == SIO_INDEX_PORT) {
    return sio_index;
  }
  if (port == SIO_DATA_PORT) {
    return Sio_Register(sio_index);
  }
  if ((port == EC_CMD_PORT || port == EC_DATA_PORT) && Ec_Decoded()) {
    return port == EC_CMD_PORT ? Ec_ReadStatus() : Ec_ReadData(settings);
  }
  return FLOATING_BUS;
}

void Write_Port(const SimSettings &settings, std::uint16_t port, std::uint8_t value) {
  if (port == EC_CMD_PORT && value == EC_CMD_READ_TEMPERATURE) {
    ec.temperature = Next_Temperature(settings);
  }
  if (!library_ready) {
    return;
  }
  if (port == SIO_INDEX_PORT) {
    sio_index = value;
  } else if (port == SIO_DATA_PORT) {
    Sio_Register(sio_index) = value;
  } else if (port == EC_CMD_PORT && Ec_Decoded()) {
    Ec_TakeCommand(value);
  } else if (port == EC_DATA_PORT && Ec_Decoded()) {
    Ec_TakeData(settings, value);
  }
}

} // namespace

std::uint32_t Sim_Initialize() {
  const SimSettings &settings = Boot();
  library_ready = settings.fault != SimFault::Init;
  const std::uint32_t result = library_ready ? 1 : 0;
  Sim_Trace("lib init -> %u", result);
  return result;
}

std::uint32_t Sim_GetStatus() {
  const SimSettings &settings = Boot();
  const std::uint32_t result = library_ready && settings.fault != SimFault::Status ? 0 : 1;
  Sim_Trace("lib status -> %u", result);
  return result;
}

void Sim_SetPciMaxBus(std::uint8_t max_bus) {
  Boot();
  Sim_Trace("pci maxbus %u", max_bus);
  pci_max_bus = max_bus;
}

std::uint32_t Sim_FindPciDevice(std::uint16_t vendor_id, std::uint16_t device_id,
                                std::uint8_t index) {
  const SimSettings &settings = Boot();
  const bool present =
      library_ready && settings.fault != SimFault::NoBridge && BRIDGE_BUS <= pci_max_bus;
  const bool match =
      present && vendor_id == BRIDGE_VENDOR_ID && device_id == BRIDGE_DEVICE_ID && index == 0;
  const std::uint32_t result = match ? BRIDGE_ADDRESS : PCI_NOT_FOUND;
  Sim_Trace("pci find %04x %04x %u -> %08x", vendor_id, device_id, index, result);
  return result;
}

void Sim_WritePciConfigDword(std::uint32_t address, std::uint8_t reg, std::uint32_t value) {
  const SimSettings &settings = Boot();
  Sim_Trace("pci write %08x %02x %08x", address, reg, value);
  if (library_ready && settings.fault != SimFault::NoBridge && address == BRIDGE_ADDRESS &&
      reg % 4 == 0) {
    bridge_config[reg / 4] = value;
  }
}

std::uint8_t Sim_ReadPortByte(std::uint16_t port) {
  const SimSettings &settings = Boot();
  const std::uint8_t value = Read_Port(settings, port);
  Sim_Trace("in %02x -> %02x", port, value);
  return value;
}

void Sim_WritePortByte(std::uint16_t port, std::uint8_t value) {
  const SimSettings &settings = Boot();
  Sim_Trace("out %02x %02x", port, value);
  Write_Port(settings, port, value);
}
