// The EC of the simulated machine: a command/status port and a data port with
// the status bits of the ACPI EC interface, and the program's three commands:
// 0x33 its start-up, 0x44 a temperature reply, 0x55 the value the fan runs
// on. It also answers the ACPI query that other software on the machine
// sends.

#include "backends/sim/sim_parts.h"

namespace {

constexpr std::uint8_t EC_NO_COMMAND = 0x00;
// The ACPI query command: the EC replies at once with its pending event,
// here none.
constexpr std::uint8_t ACPI_EC_QUERY = 0x84;
constexpr std::uint8_t ACPI_EC_NO_EVENT = 0x00;

struct EcState {
  bool input_full = false;
  bool output_full = false;
  std::uint8_t output = 0;              // the byte the data port gives, until the next reply
  bool output_is_temperature = false;   // the reply waiting is a temperature
  std::uint8_t command = EC_NO_COMMAND; // the command awaiting its data byte
  std::uint8_t temperature = 0;         // sensed when the host asks for it
  bool reply_due = false;               // a slow reply on its way
  std::uint64_t reply_at_ms = 0;
  bool awaiting_init = false; // after a restart: no reply until 0x33 and its data byte
  bool take_due = false;      // a command byte it takes later (ec-slow-take)
  std::uint64_t take_at_ms = 0;
  std::uint8_t command_to_take = EC_NO_COMMAND;
};
EcState ec;

void Ec_Output(std::uint8_t byte, bool is_temperature) {
  ec.output = byte;
  ec.output_is_temperature = is_temperature;
  ec.output_full = true;
}

void Ec_Reply() {
  if (ec.awaiting_init) {
    return;
  }
  const SimSettings &settings = Sim_Settings();
  switch (settings.fault) {
  case SimFault::EcMute:
    return;
  case SimFault::EcSlow:
    ec.reply_due = true;
    ec.reply_at_ms = Sim_ClockMs() + settings.fault_arg;
    return;
  default:
    Ec_Output(ec.temperature, true);
    return;
  }
}

void Ec_DeliverDueReply() {
  if (ec.reply_due && Sim_ClockMs() >= ec.reply_at_ms) {
    ec.reply_due = false;
    Ec_Output(ec.temperature, true);
  }
}

// A command taken: a query is answered at once; the others wait for their
// data byte.
void Ec_Command(std::uint8_t command) {
  if (command == ACPI_EC_QUERY) {
    ec.command = EC_NO_COMMAND;
    Ec_Output(ACPI_EC_NO_EVENT, false);
    return;
  }
  ec.command = command;
}

void Ec_TakeDueCommand() {
  if (ec.take_due && Sim_ClockMs() >= ec.take_at_ms) {
    ec.take_due = false;
    ec.input_full = false;
    Ec_Command(ec.command_to_take);
  }
}

} // namespace

void Ec_PowerOn() { ec.input_full = Sim_Settings().fault == SimFault::EcDead; }

// The data port keeps giving the last reply, as it always does.
void Ec_Restart() { ec = EcState{.output = ec.output, .awaiting_init = true}; }

void Ec_Stick() { ec.input_full = true; }

void Ec_SenseTemperature(std::uint8_t temperature) { ec.temperature = temperature; }

bool Ec_InputFull() {
  Ec_TakeDueCommand();
  return ec.input_full;
}

std::uint8_t Ec_ReadStatus() {
  Ec_TakeDueCommand();
  Ec_DeliverDueReply();
  return static_cast<std::uint8_t>((ec.output_full ? EC_STATUS_OBF : 0) |
                                   (ec.input_full ? EC_STATUS_IBF : 0));
}

// Reading the data port empties the output buffer; the port keeps giving the
// last byte until the next reply.
std::uint8_t Ec_ReadData() {
  Ec_DeliverDueReply();
  const std::uint8_t byte = ec.output;
  if (ec.output_full) {
    ec.output_full = false;
    if (ec.output_is_temperature) {
      Machine_TemperatureReplyRead(); // which may reset the EC: the host has its byte
    }
  }
  return byte;
}

// The EC takes a byte at once, unless its input buffer is stuck full; with
// ec-slow-take, a command byte fills the input buffer until it is taken.
void Ec_TakeCommand(std::uint8_t command) {
  if (Ec_InputFull()) {
    return;
  }
  const SimSettings &settings = Sim_Settings();
  if (settings.fault == SimFault::EcSlowTake) {
    ec.input_full = true;
    ec.take_due = true;
    ec.take_at_ms = Sim_ClockMs() + settings.fault_arg;
    ec.command_to_take = command;
    return;
  }
  Ec_Command(command);
}

void Ec_TakeData(std::uint8_t data) {
  if (Ec_InputFull()) {
    return;
  }
  switch (ec.command) {
  case EC_CMD_READ_TEMPERATURE:
    Ec_Reply();
    break;
  case EC_CMD_SELECT:
    Machine_SetFanValue(data);
    break;
  case EC_CMD_INIT:
    ec.awaiting_init = false;
    break;
  default:
    break;
  }
  ec.command = EC_NO_COMMAND;
}
