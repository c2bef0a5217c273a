#include "hw/ec.h"

#include "hw/board.h"
#include "hw/bus_hold.h"
#include "hw/port_lib.h"

#include <cstdint>

namespace {

std::uint8_t EC_ReadStatus() { return PortLib_ReadPortByte(EC_CMD_PORT); }
std::uint8_t EC_ReadData() { return PortLib_ReadPortByte(EC_DATA_PORT); }
void EC_WriteCommand(std::uint8_t command) { PortLib_WritePortByte(EC_CMD_PORT, command); }
void EC_WriteData(std::uint8_t data) { PortLib_WritePortByte(EC_DATA_PORT, data); }

bool Status_Shows(std::uint8_t status, std::uint8_t bit, bool wanted) {
  return ((status & bit) != 0) == wanted;
}

// A wait whose first status read the caller has made already. A floating
// status gives up at once, before its bits are looked at: nothing decodes
// the port (an EC never shows it: it would claim both buffers full at once),
// and waiting would only poll the bus. The bound is the clock's, however long
// each sleep lasts: a coarse system timer makes fewer polls, not a longer
// wait.
bool EC_WaitStatusFrom(std::uint8_t status, std::uint8_t bit, bool wanted) {
  const std::uint64_t started_ms = Platform_ClockMs();
  for (;; status = EC_ReadStatus()) {
    if (status == PORTLIB_FLOATING_BUS) {
      return false;
    }
    if (Status_Shows(status, bit, wanted)) {
      return true;
    }
    Platform_SleepMs(EC_POLL_STEP_MS);
    if (Platform_ClockMs() - started_ms >= EC_WAIT_LIMIT_MS) {
      return false;
    }
  }
}

bool EC_WaitStatus(std::uint8_t bit, bool wanted) {
  return EC_WaitStatusFrom(EC_ReadStatus(), bit, wanted);
}

// True when the EC has taken the last byte written; false when the wait gave up.
bool EC_WaitInputEmpty() { return EC_WaitStatus(EC_STATUS_IBF, false); }
// True when a reply waits in the data port; false when the wait gave up.
bool EC_WaitOutputFull() { return EC_WaitStatus(EC_STATUS_OBF, true); }

// The command, then its data byte, each written only once the EC has taken
// the byte before (`ready`: the wait before the command ended so): a byte
// written while the input buffer is full would take the place of one the
// EC has not yet taken, another's perhaps. A wait that gives up ends the
// exchange there, and nothing more is written.
bool EC_WriteCommandAndData(bool ready, std::uint8_t command, std::uint8_t data) {
  if (!ready) {
    return false;
  }
  EC_WriteCommand(command);
  if (!EC_WaitInputEmpty()) {
    return false;
  }
  EC_WriteData(data);
  return true;
}

// A command with one data byte and no reply, in one hold of the EC.
EcSent EC_SendCommand(std::uint8_t command, std::uint8_t data) {
  if (!Hold_Bus(PortLibBus::Ec)) {
    return EcSent::NotHeld;
  }
  const bool taken = EC_WriteCommandAndData(EC_WaitInputEmpty(), command, data);
  const bool released = Release_Bus(PortLibBus::Ec);
  return taken && released ? EcSent::Taken : EcSent::NotTaken;
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

// The reply is read only once it is there: the byte of a reply that did not
// come is no temperature, and `temperature` keeps the byte before.
EcRead EC_ExchangeTemperature(std::uint8_t &temperature) {
  const std::uint8_t first_status = EC_ReadStatus();
  const bool asked = EC_WriteCommandAndData(EC_WaitReadyDroppingStaleReply(first_status),
                                            EC_CMD_READ_TEMPERATURE, EC_READ_TEMPERATURE_ARG);
  if (asked && EC_WaitOutputFull()) {
    temperature = EC_ReadData();
    return EcRead::Answered;
  }
  return first_status == PORTLIB_FLOATING_BUS ? EcRead::PortsLost : EcRead::NoAnswer;
}

} // namespace

EcSent EC_SendInit(std::uint8_t data) { return EC_SendCommand(EC_CMD_INIT, data); }
EcSent EC_SendSelect(std::uint8_t value) { return EC_SendCommand(EC_CMD_SELECT, value); }

// An EC that cannot be held is not asked, and `temperature` keeps the byte of
// the read before.
EcRead EC_ReadTemperature(std::uint8_t &temperature) {
  if (!Hold_Bus(PortLibBus::Ec)) {
    return EcRead::Busy;
  }
  const EcRead read = EC_ExchangeTemperature(temperature);
  return Release_Bus(PortLibBus::Ec) ? read : EcRead::NoAnswer;
}
