// The simulated machine as the port library sees it: the library's state, the
// routing of port accesses to the configuration ports and the EC, the
// temperatures handed out, and the faults that strike as replies are read.

#include "backends/sim/sim_parts.h"
#include "hw/port_lib.h"
#include "model/thermal_model.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

bool library_ready = false;
bool booted = false;

// Temperatures handed out from THERMAL_SIM_TEMPS.
std::size_t temperature_run = 0;
std::uint64_t taken_from_run = 0;

std::uint64_t temperature_replies_read = 0;
bool cycles_begun = false; // the pause before the first cycle has passed
bool cycle_polled = false; // this cycle has read the EC's status
bool cycle_found = false;  // and its first such read found the EC's ports decoded
bool cycle_asked = false;  // this cycle's read wrote its request

// A suspension strikes in the first pause long enough for it after the
// replies that make it due, and lasts a minute.
constexpr std::uint32_t SUSPEND_MIN_SLEEP_MS = 100;
constexpr std::uint32_t SUSPEND_MS = 60000;
bool suspend_due = false;
std::uint64_t suspended_ms = 0;
bool resume_noticed = false;

// The chip, when no temperatures are given.
ThermalModel chip = Thermal_Start(0);

const SimSettings &Boot() {
  const SimSettings &settings = Sim_Settings();
  if (!booted) {
    booted = true;
    Bridge_PowerOn();
    Ec_PowerOn();
    chip = Thermal_Start(Sim_ClockMs());
  }
  return settings;
}

bool Ec_Decoded() {
  return Bridge_Forwards(EC_DATA_PORT) && Bridge_Forwards(EC_CMD_PORT) && Sio_EcDeviceDecodes();
}

bool Temperatures_Used_Up() {
  const SimSettings &settings = Sim_Settings();
  std::uint64_t left = 0;
  for (std::size_t run = temperature_run; run < settings.temperatures.size(); ++run) {
    left += settings.temperatures[run].count;
  }
  return settings.temperatures_given && left == taken_from_run;
}

// The next temperature for a 0x44 written to the command port, whether or
// not the EC is there to take it. A used-up list ends the run; output the
// program had not pushed out yet is lost, as it would be.
std::uint8_t Next_Temperature() {
  const SimSettings &settings = Sim_Settings();
  if (!settings.temperatures_given) {
    return Thermal_Temperature(chip, Sim_ClockMs());
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

// An EC that restarts waits for its start-up command again, and its fan
// stops until it is told a value again.
void Restart_Ec() {
  Ec_Restart();
  Machine_SetFanValue(0);
}

// After a resume from sleep the firmware has reset the bridge's decode range
// and the EC's logical device, and the EC starts over.
void Resume_From_Sleep() {
  Bridge_ForgetDecodeRange();
  Sio_ResetEcDevice();
  Restart_Ec();
}

} // namespace

std::uint8_t Machine_ReadPort(std::uint16_t port) {
  if (!library_ready) {
    return PORTLIB_FLOATING_BUS;
  }
  if (port == SIO_INDEX_PORT || port == SIO_DATA_PORT) {
    return Sio_Read(port);
  }
  if ((port == EC_CMD_PORT || port == EC_DATA_PORT) && Ec_Decoded()) {
    return port == EC_CMD_PORT ? Ec_ReadStatus() : Ec_ReadData();
  }
  return PORTLIB_FLOATING_BUS;
}

void Machine_WritePort(std::uint16_t port, std::uint8_t value) {
  if (port == EC_CMD_PORT && value == EC_CMD_READ_TEMPERATURE) {
    cycle_asked = true;
    Ec_SenseTemperature(Next_Temperature());
  }
  if (!library_ready) {
    return;
  }
  if (port == SIO_INDEX_PORT || port == SIO_DATA_PORT) {
    Sio_Write(port, value);
  } else if (port == EC_CMD_PORT && Ec_Decoded()) {
    Ec_TakeCommand(value);
  } else if (port == EC_DATA_PORT && Ec_Decoded()) {
    Ec_TakeData(value);
  }
}

void Machine_SetFanValue(std::uint8_t value) { Thermal_SetFanValue(chip, Sim_ClockMs(), value); }

void Machine_TemperatureReplyRead() {
  const SimSettings &settings = Sim_Settings();
  ++temperature_replies_read;
  const bool at_k = temperature_replies_read == settings.fault_arg;
  const bool every_k =
      settings.fault_arg != 0 && temperature_replies_read % settings.fault_arg == 0;
  if (settings.fault == SimFault::EcGone && at_k) {
    Bridge_ForgetDecodeRange();
  } else if (settings.fault == SimFault::EcResume && every_k) {
    Resume_From_Sleep();
  } else if (settings.fault == SimFault::EcStuck && at_k) {
    Ec_Stick();
  } else if (settings.fault == SimFault::Suspend && every_k) {
    suspend_due = true;
  } else if (settings.fault == SimFault::EcReset && every_k) {
    Restart_Ec();
  } else if (settings.fault == SimFault::ResumeNotice && every_k) {
    Sim_Trace("resume notice");
    Resume_From_Sleep();
    resume_noticed = true;
  }
  if (temperature_replies_read == settings.stop_after) {
    Sim_Trace("stop");
    std::raise(SIGTERM);
  }
}

bool Sim_ResumeNoticed() {
  const bool noticed = resume_noticed;
  resume_noticed = false;
  return noticed;
}

void Sim_Slept(std::uint32_t milliseconds) {
  if (!suspend_due || milliseconds < SUSPEND_MIN_SLEEP_MS) {
    return;
  }
  suspend_due = false;
  Sim_Trace("suspend %u", SUSPEND_MS);
  suspended_ms += SUSPEND_MS;
  Resume_From_Sleep();
}

std::uint64_t Sim_SuspendedMs() { return suspended_ms; }

void Sim_CyclePaused() {
  if (cycles_begun && cycle_found && !cycle_asked) {
    static_cast<void>(Next_Temperature());
    if (Temperatures_Used_Up()) {
      Sim_EndRun();
    }
  }
  cycles_begun = true;
  cycle_polled = false;
  cycle_found = false;
  cycle_asked = false;
}

std::uint32_t Sim_Initialize(bool driver_found) {
  const SimSettings &settings = Boot();
  library_ready = driver_found && settings.fault != SimFault::Init;
  const std::uint32_t result = library_ready ? 1 : 0;
  Sim_Trace("lib init -> %u", result);
  return result;
}

PortLibFailure Sim_Failure() {
  switch (Sim_Settings().fault) {
  case SimFault::Init:
    return PortLibFailure::DriverNotStarted;
  case SimFault::Status:
    return PortLibFailure::BadStatus;
  default:
    return PortLibFailure::Other;
  }
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
  Bridge_SetMaxBus(max_bus);
}

std::uint32_t Sim_FindPciDevice(std::uint16_t vendor_id, std::uint16_t device_id,
                                std::uint8_t index) {
  Boot();
  const std::uint32_t result =
      library_ready ? Bridge_Find(vendor_id, device_id, index) : PORTLIB_PCI_NOT_FOUND;
  Sim_Trace("pci find %04x %04x %u -> %08x", vendor_id, device_id, index, result);
  return result;
}

bool Sim_ReadPciConfigDword(std::uint32_t address, std::uint8_t reg, std::uint32_t &value) {
  Boot();
  value = library_ready ? Bridge_ReadConfig(address, reg) : 0xFFFFFFFF;
  Sim_Trace("pci read %08x %02x -> %08x", address, reg, value);
  return library_ready;
}

// The write goes through whenever the library is up, as the real library's
// does: a write to a device that is not there changes nothing.
bool Sim_WritePciConfigDword(std::uint32_t address, std::uint8_t reg, std::uint32_t value) {
  Boot();
  Sim_Trace("pci write %08x %02x %08x", address, reg, value);
  if (library_ready) {
    Bridge_WriteConfig(address, reg, value);
  }
  return library_ready;
}

std::uint8_t Sim_ReadPortByte(std::uint16_t port) {
  Boot();
  const std::uint8_t value = Machine_ReadPort(port);
  if (port == EC_CMD_PORT && !cycle_polled) {
    cycle_polled = true;
    cycle_found = library_ready && Ec_Decoded();
  }
  Sim_Trace("in %02x -> %02x", port, value);
  Others_AfterProgramAccess(port, false);
  return value;
}

// A byte the program writes to the EC's ports while the EC has not taken
// the last one would take its place on the board: the run ends with status
// 4, as the machine refuses to go on.
void Sim_WritePortByte(std::uint16_t port, std::uint8_t value) {
  Boot();
  Sim_Trace("out %02x %02x", port, value);
  if ((port == EC_CMD_PORT || port == EC_DATA_PORT) && library_ready && Ec_Decoded() &&
      Ec_InputFull()) {
    std::fprintf(stderr, "thermal-sim: out %02x %02x while the EC's input buffer is full\n", port,
                 value);
    std::fflush(nullptr);
    std::_Exit(4);
  }
  Machine_WritePort(port, value);
  Others_AfterProgramAccess(port, true);
}
