// Other software on the simulated machine, which shares the program's buses
// and waits while the program holds one: a Super-I/O driver that selects a
// logical device of its own, and a program that asks the EC for its pending
// event. The intruder faults bring them in; each of their accesses is traced
// with "other" in front. Or it holds the EC for a while itself (ec-busy),
// and the program's holds are refused. The program's holds are traced as
// they come.

#include "backends/sim/sim_parts.h"

#include <array>
#include <cstdio>

namespace {

// The other driver's logical device and the register it reads.
constexpr std::uint8_t OTHER_LOGICAL_DEVICE = 0x0B;
constexpr std::uint8_t OTHER_REGISTER = SIO_REG_ACTIVATE;
// The other program's command: the ACPI query, which the EC answers at once.
constexpr std::uint8_t OTHER_EC_COMMAND = 0x84;

// Each bus's name in the trace, in the order of PortLibBus.
struct SimBus {
  PortLibBus bus;
  const char *name;
};
constexpr std::array<SimBus, PORTLIB_BUSES> SIM_BUSES = {{
    {PortLibBus::Isa, "isa"},
    {PortLibBus::Pci, "pci"},
    {PortLibBus::Ec, "ec"},
}};
static_assert(SIM_BUSES[Bus_Index(PortLibBus::Isa)].bus == PortLibBus::Isa &&
                  SIM_BUSES[Bus_Index(PortLibBus::Pci)].bus == PortLibBus::Pci &&
                  SIM_BUSES[Bus_Index(PortLibBus::Ec)].bus == PortLibBus::Ec,
              "each bus at its own place");
const char *Bus_Name(PortLibBus bus) { return SIM_BUSES[Bus_Index(bus)].name; }

// The buses the program holds.
std::array<bool, PORTLIB_BUSES> held{};
bool &Held(PortLibBus bus) { return held[Bus_Index(bus)]; }
std::uint64_t program_sio_accesses = 0;
std::uint64_t program_ec_commands = 0;
bool sio_waiting = false; // the other driver waits for the program's release
bool ec_waiting = false;
std::uint64_t program_ec_holds = 0; // the holds of the EC the program asked for
std::uint64_t ec_holds_refused = 0; // of them, by the ec-busy fault
bool ec_busy_said = false;

std::uint8_t Other_In(std::uint16_t port) {
  const std::uint8_t value = Machine_ReadPort(port);
  Sim_Trace("other in %02x -> %02x", port, value);
  return value;
}

void Other_Out(std::uint16_t port, std::uint8_t value) {
  Sim_Trace("other out %02x %02x", port, value);
  Machine_WritePort(port, value);
}

// Selects its own logical device, reads a register and leaves, the device
// still selected.
void Other_Driver_Sequence() {
  Other_Out(SIO_INDEX_PORT, SIO_REG_LOGICAL_DEVICE);
  Other_Out(SIO_DATA_PORT, OTHER_LOGICAL_DEVICE);
  Other_Out(SIO_INDEX_PORT, OTHER_REGISTER);
  static_cast<void>(Other_In(SIO_DATA_PORT));
}

// Writes its command and reads the reply.
void Other_Program_Exchange() {
  static_cast<void>(Other_In(EC_CMD_PORT));
  Other_Out(EC_CMD_PORT, OTHER_EC_COMMAND);
  static_cast<void>(Other_In(EC_CMD_PORT));
  static_cast<void>(Other_In(EC_DATA_PORT));
}

// Runs the other software's sequence now, or after the program's release
// when the program holds its bus.
void Intrude(PortLibBus bus, bool &waiting, void (*sequence)()) {
  if (Held(bus)) {
    waiting = true;
  } else {
    sequence();
  }
}

} // namespace

bool Sim_FaultNeedsHolds(const SimSettings &settings) {
  return settings.fault == SimFault::SioIntruder || settings.fault == SimFault::EcIntruder ||
         settings.fault == SimFault::EcBusy;
}

void Others_AfterProgramAccess(std::uint16_t port, bool write) {
  const SimSettings &settings = Sim_Settings();
  if (port == SIO_INDEX_PORT || port == SIO_DATA_PORT) {
    ++program_sio_accesses;
    if (settings.fault == SimFault::SioIntruder && program_sio_accesses >= settings.fault_arg) {
      Intrude(PortLibBus::Isa, sio_waiting, Other_Driver_Sequence);
    }
  } else if (port == EC_CMD_PORT || port == EC_DATA_PORT) {
    program_ec_commands += write && port == EC_CMD_PORT ? 1 : 0;
    if (settings.fault == SimFault::EcIntruder && program_ec_commands >= settings.fault_arg) {
      Intrude(PortLibBus::Ec, ec_waiting, Other_Program_Exchange);
    }
  }
}

// Other software holding the EC (ec-busy) keeps it from the program: said
// once on the standard error stream, as a backend says it, until the
// program has the EC again.
bool Ec_Busy() {
  const SimSettings &settings = Sim_Settings();
  if (settings.fault != SimFault::EcBusy || ++program_ec_holds < settings.fault_arg ||
      ec_holds_refused == settings.fault_count) {
    ec_busy_said = false;
    return false;
  }
  ++ec_holds_refused;
  if (!ec_busy_said) {
    ec_busy_said = true;
    std::fprintf(stderr, "thermal-control: other software holds the EC's ports (the simulated "
                         "machine's ec-busy fault); the program leaves them alone until it can "
                         "have them\n");
  }
  return true;
}

bool Sim_HoldBus(PortLibBus bus) {
  if (bus == PortLibBus::Ec && Ec_Busy()) {
    Sim_Trace("busy %s", Bus_Name(bus));
    return false;
  }
  Sim_Trace("hold %s", Bus_Name(bus));
  Held(bus) = true;
  return true;
}

bool Sim_ReleaseBus(PortLibBus bus) {
  Sim_Trace("release %s", Bus_Name(bus));
  Held(bus) = false;
  if (bus == PortLibBus::Isa && sio_waiting) {
    sio_waiting = false;
    Other_Driver_Sequence();
  } else if (bus == PortLibBus::Ec && ec_waiting) {
    ec_waiting = false;
    Other_Program_Exchange();
  }
  return true;
}
