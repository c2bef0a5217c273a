// The port library of the native simulated build: the program's PortLib_*
// calls and its sleep go straight to the simulated machine. The machine's
// clock is the sum of the sleeps, so the EC's timing follows the program's
// own waits whether or not the sleeps really pass.

#include "backends/posix/posix_run.h"
#include "backends/posix/posix_sleep.h"
#include "backends/sim/sim.h"
#include "hw/port_lib.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

namespace {

std::uint64_t clock_ms = 0;

const char *Event_Name(PlatformEvent event) {
  switch (event) {
  case PlatformEvent::Started:
    return "started";
  case PlatformEvent::TableRefused:
    return "table refused";
  case PlatformEvent::BusHeld:
    return "bus held";
  case PlatformEvent::BusLetGo:
    break;
  }
  return "bus let go";
}

} // namespace

std::uint64_t Sim_ClockMs() { return clock_ms; }
void Sim_EndRun() { std::_Exit(0); }

// The native simulated library has no driver to start.
std::uint32_t PortLib_Initialize() { return Sim_Initialize(true); }
std::uint32_t PortLib_GetStatus() { return Sim_GetStatus(); }
PortLibFailure PortLib_Failure() { return Sim_Failure(); }
void PortLib_SetPciMaxBus(std::uint8_t max_bus) { Sim_SetPciMaxBus(max_bus); }

std::uint32_t PortLib_FindPciDevice(std::uint16_t vendor_id, std::uint16_t device_id,
                                    std::uint8_t index) {
  return Sim_FindPciDevice(vendor_id, device_id, index);
}

bool PortLib_ReadPciConfigDword(std::uint32_t address, std::uint8_t reg, std::uint32_t &value) {
  return Sim_ReadPciConfigDword(address, reg, value);
}

bool PortLib_WritePciConfigDword(std::uint32_t address, std::uint8_t reg, std::uint32_t value) {
  return Sim_WritePciConfigDword(address, reg, value);
}

std::uint8_t PortLib_ReadPortByte(std::uint16_t port) { return Sim_ReadPortByte(port); }
bool PortLib_HoldBus(PortLibBus bus) { return Sim_HoldBus(bus); }
bool PortLib_ReleaseBus(PortLibBus bus) { return Sim_ReleaseBus(bus); }
void PortLib_WritePortByte(std::uint16_t port, std::uint8_t value) {
  Sim_WritePortByte(port, value);
}

namespace {

// A sleep lasts at least THERMAL_SIM_SLEEP_GRAIN's ms, as on a system whose
// timer ticks that coarsely. False where a pause was cut short by a request
// to end: the clock then stays.
bool Sleep(std::uint32_t milliseconds, bool pause) {
  const SimSettings &settings = Sim_Settings();
  Sim_Trace("sleep %u", milliseconds);
  const auto lasting =
      static_cast<std::uint32_t>(std::max<std::uint64_t>(milliseconds, settings.sleep_grain_ms));
  if (!settings.fast) {
    if (!pause) {
      Posix_SleepMs(lasting);
    } else if (!Posix_PauseMs(lasting)) {
      return false;
    }
  }
  clock_ms += lasting;
  Sim_Slept(milliseconds);
  return true;
}

} // namespace

void Platform_SleepMs(std::uint32_t milliseconds) { static_cast<void>(Sleep(milliseconds, false)); }

std::uint64_t Platform_ClockMs() { return clock_ms; }

// SIGTERM or SIGINT end the simulated program at its pause, as the real
// one's; at full speed the pause is not slept, only looked at.
bool Platform_Pause(std::uint32_t milliseconds) {
  if (Posix_EndAsked()) {
    return false;
  }
  Sim_CyclePaused();
  return Sleep(milliseconds, true);
}

// The simulated machine's time of day starts at a fixed moment, and moves
// with its clock.
std::int64_t Platform_UnixTimeS() {
  constexpr std::int64_t SIM_UNIX_START_S = 1800000000;
  return SIM_UNIX_START_S + static_cast<std::int64_t>(clock_ms / 1000);
}

// The simulated machine has no exporter of its own: a metrics file only
// where THERMAL_CONTROL_METRICS_DIR names its folder.
bool Platform_MetricsFolder(char *folder, std::size_t size) {
  return Posix_MetricsFolder(nullptr, folder, size);
}

const char *PortLib_PathName() { return "simulated"; }

bool Platform_ServiceManagerListens() { return Sim_Settings().notify; }

// Traced where THERMAL_SIM_NOTIFY=1 asks for it, one line a message.
void Platform_Notify(const char *message) {
  if (Sim_Settings().notify) {
    Sim_Trace("notify %s", message);
  }
}

// Traced where THERMAL_SIM_NOTIFY=1 asks for it, as the Windows service
// would tell its event log.
void Platform_Event(PlatformEvent event, const char *text) {
  if (Sim_Settings().notify) {
    Sim_Trace("event %s: %s", Event_Name(event), text);
  }
}

// The simulated machine runs on a POSIX system, where a file others may
// write stands for one that a Windows service would refuse.
bool Platform_FileTrusted(std::FILE *file, char *why, std::size_t size) {
  struct stat status {};
  if (fstat(fileno(file), &status) == 0 && (status.st_mode & (S_IWGRP | S_IWOTH)) == 0) {
    return true;
  }
  std::snprintf(why, size, "others may write it (its mode is %03o)",
                static_cast<unsigned>(status.st_mode & 0777));
  return false;
}

bool Platform_ResumeNoticed() { return Sim_ResumeNoticed(); }

// What the machine's suspensions added; not traced, as it touches no hardware.
std::uint64_t Platform_SuspendedMs() { return Sim_SuspendedMs(); }
