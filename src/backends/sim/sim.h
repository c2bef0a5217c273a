#pragma once

// The simulated machine: a stand-in for the port library and the hardware
// behind it (PCI bus with the LPC bridge, configuration ports, EC). The
// machine's own functions carry the behaviour and write the trace; each
// binding (the native port library, the stand-in DLL) is a thin layer that
// forwards to them and supplies the machine's clock.

#include "hw/port_lib.h"

#include <cstdint>
#include <string>
#include <vector>

enum class SimFault : std::uint8_t {
  None,
  Init,         // the library's initialisation fails
  Status,       // the library reports a bad status
  NoBridge,     // no LPC bridge on the bus
  EcDead,       // the EC never takes a byte and never replies
  EcMute,       // the EC takes bytes but never replies
  EcSlow,       // the EC replies fault_arg ms after the request
  EcGone,       // the bridge forgets its decode range after fault_arg replies
  EcResume,     // after every fault_arg replies the machine is as after a resume from sleep
  EcStuck,      // after fault_arg replies the EC takes no more bytes
  Suspend,      // after every fault_arg replies the machine sleeps in the program's next pause
  EcReset,      // after every fault_arg replies the EC restarts, its ports still decoded
  SioIntruder,  // from the program's fault_arg-th configuration port access on,
                // another driver's sequence follows each access not held
  EcIntruder,   // from the program's fault_arg-th EC command on, another program's
                // exchange follows each EC access not held
  EcBusy,       // from the program's fault_arg-th hold of the EC on, fault_count
                // holds in a row cannot be had: other software holds the EC
  ResumeNotice, // after every fault_arg replies the machine is as after a resume from
                // sleep, and the platform tells of the resume; its clocks show no sleep
  EcSlowTake,   // the EC takes each command byte fault_arg ms after it is written
  DecodeTaken,  // the bridge's decode register holds another device's range from power-on
};

// A run of identical temperatures in THERMAL_SIM_TEMPS: "T" or "T*N".
struct SimTemperatureRun {
  std::uint8_t temperature;
  std::uint64_t count;
};

struct SimSettings {
  bool temperatures_given = false; // false: the thermal model supplies them
  std::vector<SimTemperatureRun> temperatures;
  bool fast = false;
  bool notify = false;              // the notify messages of the service manager's protocol traced
  std::uint64_t sleep_grain_ms = 0; // each sleep lasts at least this long, as a coarse timer's
  std::uint64_t stop_after = 0;     // SIGTERM after this many replies read; 0: none
  std::string trace_path;
  SimFault fault = SimFault::None;
  std::uint64_t fault_arg = 0;
  std::uint64_t fault_count = 0; // ec-busy's second number
};

// The settings in force, read from the THERMAL_SIM_* variables on the
// machine's first use. A setting that cannot be understood ends the run with
// status 2 and a message on the standard error stream: the machine refuses
// to start.
const SimSettings &Sim_Settings();

// The simulated machine's settings: environment variables of these names, in
// the order of SimSettingTexts.
constexpr const char *SIM_TEMPS = "THERMAL_SIM_TEMPS";
constexpr const char *SIM_FAST = "THERMAL_SIM_FAST";
constexpr const char *SIM_TRACE = "THERMAL_SIM_TRACE";
constexpr const char *SIM_FAULT = "THERMAL_SIM_FAULT";
constexpr const char *SIM_NOTIFY = "THERMAL_SIM_NOTIFY";
constexpr const char *SIM_SLEEP_GRAIN = "THERMAL_SIM_SLEEP_GRAIN";
constexpr const char *SIM_STOP_AFTER = "THERMAL_SIM_STOP_AFTER";
constexpr const char *SIM_SETTINGS[] = {SIM_TEMPS,  SIM_FAST,        SIM_TRACE,     SIM_FAULT,
                                        SIM_NOTIFY, SIM_SLEEP_GRAIN, SIM_STOP_AFTER};

// The THERMAL_SIM_* variables' texts, nullptr where one is unset, as the
// settings above are read from them. False, with the message, when one
// cannot be understood, or a variable of that name is no setting.
struct SimSettingTexts {
  const char *temps;
  const char *fast;
  const char *trace;
  const char *fault;
  const char *notify;
  const char *sleep_grain;
  const char *stop_after;
  const char *unknown; // the name of a THERMAL_SIM_ variable that is no setting
};
[[nodiscard]] bool Sim_ParseSettings(const SimSettingTexts &texts, SimSettings &settings,
                                     std::string &message);

// One trace line, written and flushed at once. Does nothing without a trace.
[[gnu::format(printf, 1, 2)]] void Sim_Trace(const char *format, ...);

// Supplied by the binding: milliseconds of the machine's clock, and the end
// of a run whose temperatures are used up, as if the program had been ended
// from outside: at once, with exit status 0 and nothing flushed.
std::uint64_t Sim_ClockMs();
[[noreturn]] void Sim_EndRun();

// Called by a binding that sees the program's sleeps, after each of them: a
// sleep of 100 ms or more is where a due suspension strikes. The machine's
// clock stands still while it is suspended, as a monotonic clock does; the
// suspended time grows instead.
void Sim_Slept(std::uint32_t milliseconds);

// Called by a binding that sees the program's pause between two cycles: a
// cycle that polled the EC but never wrote its request (a wait gave up
// before it) used its temperature up all the same, and ends the run where
// that was the list's last, so that a list ends a run whatever the EC does.
// A cycle that other software kept from the EC, or whose first poll found
// its ports lost, uses none. The stand-in library sees no pause: there a run whose EC
// takes no byte goes on until it is ended.
void Sim_CyclePaused();
std::uint64_t Sim_SuspendedMs();

// The library's operations as the machine carries them out. Like the real
// library, it cannot start where its driver file is missing.
std::uint32_t Sim_Initialize(bool driver_found);
std::uint32_t Sim_GetStatus();
PortLibFailure Sim_Failure(); // why the library is not ready, as a backend tells it
void Sim_SetPciMaxBus(std::uint8_t max_bus);
std::uint32_t Sim_FindPciDevice(std::uint16_t vendor_id, std::uint16_t device_id,
                                std::uint8_t index);
bool Sim_ReadPciConfigDword(std::uint32_t address, std::uint8_t reg, std::uint32_t &value);
bool Sim_WritePciConfigDword(std::uint32_t address, std::uint8_t reg, std::uint32_t value);
std::uint8_t Sim_ReadPortByte(std::uint16_t port);
void Sim_WritePortByte(std::uint16_t port, std::uint8_t value);

// The program's holds of a bus, as a binding that sees them reports them: each
// traced, and the other software of the intruder faults waits for the release.
bool Sim_HoldBus(PortLibBus bus);
bool Sim_ReleaseBus(PortLibBus bus);

// Whether the settings bring in other software that waits for the program's
// holds, which only a binding that sees them can simulate.
[[nodiscard]] bool Sim_FaultNeedsHolds(const SimSettings &settings);

// Whether the platform has told of a resume since the last call (the
// resume-notice fault), as a binding that reaches the program tells it.
[[nodiscard]] bool Sim_ResumeNoticed();
