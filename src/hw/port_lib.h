#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// The port I/O library: the program's only way to the hardware and to the
// clock. Each backend provides exactly these functions, and the build links
// one of them into each executable: the Windows library loaded by ordinal,
// the Linux kernel's ports and sysfs (or its thermal_ec module's device), or
// the simulated machine.
//
// Before a successful PortLib_Initialize no backend touches the hardware:
// what the other calls then do differs by backend (a port read may give the
// floating value, or fault on Linux, where the kernel has not granted the
// ports), so the program makes none of them. A failure that a backend can
// see is returned, after its message on the standard error stream; the
// functions without a result report nothing. The simulated machine alone
// ends the process: at its first call, when one of its settings cannot be
// understood (status 2), and when its list of temperatures is used up
// (status 0, as if ended from outside).

// Brings the library up: non-zero on success, 0 on failure, after a message.
// First of all calls, and the place where the program becomes the machine's
// only copy: the Windows and Linux backends take a lock that one process at a
// time can hold (on Linux with the thermal_ec module, the device's single
// opener), held until the process ends; another copy running is a failure.
[[nodiscard]] std::uint32_t PortLib_Initialize();

// 0 when the library is ready for use; any other value is a failure.
[[nodiscard]] std::uint32_t PortLib_GetStatus();

// Why the library is not ready, after PortLib_Initialize or PortLib_GetStatus
// failed: the program ends with an exit status of that kind.
enum class PortLibFailure : std::uint8_t {
  Other,             // a reason of this backend's own, said in its message
  AnotherCopy,       // another copy of the program holds the machine's lock
  NoLibrary,         // the library is not where the program loads it from
  LibraryUnloadable, // it is there but cannot be loaded
  LibraryIncomplete, // it lacks one of the functions the program calls
  DriverNotStarted,  // its initialisation failed
  BadStatus,         // it reports a status of failure
};
[[nodiscard]] PortLibFailure PortLib_Failure();

// How this backend reaches the hardware, as the metrics file names it:
// "ioperm" or "module" on Linux (known once the library is up), "winring0",
// "simulated".
[[nodiscard]] const char *PortLib_PathName();

// Highest PCI bus number that PortLib_FindPciDevice searches.
void PortLib_SetPciMaxBus(std::uint8_t max_bus);

// Address (bus << 8 | device << 3 | function) of the index-th device with these
// IDs, or PORTLIB_PCI_NOT_FOUND when there is none (or, after a message, when
// the search could not read the bus).
[[nodiscard]] std::uint32_t PortLib_FindPciDevice(std::uint16_t vendor_id, std::uint16_t device_id,
                                                  std::uint8_t index);
constexpr std::uint32_t PORTLIB_PCI_NOT_FOUND = 0xFFFFFFFF;

// Reads a whole dword of the device's configuration space into `value`.
// False, after a message on the standard error stream, when the backend
// could not read it.
[[nodiscard]] bool PortLib_ReadPciConfigDword(std::uint32_t address, std::uint8_t reg,
                                              std::uint32_t &value);

// Writes a whole dword of the device's configuration space. False when the
// backend saw the write fail; it has then said why on the standard error
// stream. (The Windows library reports nothing; its backend says true.)
[[nodiscard]] bool PortLib_WritePciConfigDword(std::uint32_t address, std::uint8_t reg,
                                               std::uint32_t value);

// One byte from or to an I/O port. A write reports nothing; a read of a port
// that nothing decodes, or that the backend could not reach, gives the
// floating value.
[[nodiscard]] std::uint8_t PortLib_ReadPortByte(std::uint16_t port);
void PortLib_WritePortByte(std::uint16_t port, std::uint8_t value);
constexpr std::uint8_t PORTLIB_FLOATING_BUS = 0xFF;

// Other software on the machine uses the same buses: hardware monitors and
// fan tools on Windows, Super-I/O drivers in the Linux kernel. A sequence of
// accesses that must not be interleaved with theirs is made while holding its
// bus; they wait until it is let go. Holds never nest, and never span the
// program's pauses: the cycle's sleep or the settle after a set-up.
enum class PortLibBus : std::uint8_t {
  Isa, // the configuration ports: a whole programming of the EC's logical device
  Pci, // PCI configuration space: the bridge's search and its decode write
  Ec,  // the EC's ports: one exchange, from the wait before its command byte
       // through its data byte and reply
};
constexpr std::size_t PORTLIB_BUSES = 3;

// Where a backend's table of the buses holds a bus: its place in the enum.
constexpr std::size_t Bus_Index(PortLibBus bus) { return static_cast<std::size_t>(bus); }

// Holds the bus until PortLib_ReleaseBus. False when it could not be had
// within a second: the sequence must not start. The backend has then said so
// on the standard error stream, once while the bus stays held. Where a
// backend cannot take part in the others' locking, a hold is granted at once.
[[nodiscard]] bool PortLib_HoldBus(PortLibBus bus);

// Lets the bus go. False when the accesses made in the hold did not go
// through (the Linux thermal_ec module's device performs a set-up of the
// configuration ports as one request, at the release); the backend has said
// why.
[[nodiscard]] bool PortLib_ReleaseBus(PortLibBus bus);

// Runs the controller, from its start-up to its end, as the platform runs a
// program that lives as long as the machine, and gives its exit status. On
// Linux and the simulated machine a SIGHUP asks for the table to be read
// again, and never ends the program. On Windows, started by the service
// control manager, it is the service thermal-control, which a parameter
// change has read its table again and a stop ends between two cycles.
using ControllerRun = int (*)();
[[nodiscard]] int Platform_Run(ControllerRun run);

// Whether the table is to be read again: asked for once or more since the
// last call.
[[nodiscard]] bool Platform_ReloadAsked();

// The program's one way to wait: the kernel's millisecond sleep.
void Platform_SleepMs(std::uint32_t milliseconds);

// Milliseconds of the platform's monotonic clock, from an arbitrary start.
// The simulated machine's moves by exactly each sleep.
[[nodiscard]] std::uint64_t Platform_ClockMs();

// The pause between two control cycles: the same sleep, cut short where the
// program is asked to end (a Windows service stopped, SIGTERM or SIGINT
// elsewhere); false then, and at once where that was asked during a cycle.
[[nodiscard]] bool Platform_Pause(std::uint32_t milliseconds);

// The system's time of day, in Unix time (seconds since 1970 in UTC), for
// the metrics file's timestamps. The simulated machine's starts at a fixed
// moment and moves with its clock.
[[nodiscard]] std::int64_t Platform_UnixTimeS();

// The folder the metrics file goes into: the one THERMAL_CONTROL_METRICS_DIR
// names, where it is set (set but empty: none); else the platform's exporter's
// folder, where it exists (Linux: node_exporter's
// /var/lib/prometheus/node-exporter; Windows: windows_exporter's
// %ProgramFiles%\windows_exporter\textfile_inputs; the simulated machine has
// none). False when there is none, or it does not fit.
[[nodiscard]] bool Platform_MetricsFolder(char *folder, std::size_t size);

// Tells the service manager that runs the program how it is: "READY=1" once
// it is up, "STATUS=..." what it is doing, "WATCHDOG=1" that it is alive,
// "RELOADING=1" while it reads its table again (then "READY=1"). Where none
// listens, nothing happens; Windows' service manager hears only that the
// service runs.
void Platform_Notify(const char *message);

// Whether a service manager listens to more than READY=1: the messages of
// each cycle are made only then.
[[nodiscard]] bool Platform_ServiceManagerListens();

// What a service tells the place where the platform keeps its events (the
// Windows event log), beside its lines; elsewhere nothing happens, since the
// journal keeps the lines themselves. `text` is the event's own words.
enum class PlatformEvent : std::uint8_t {
  Started,      // the control cycle begins: the version, the table in force and its encoding
  TableRefused, // the table file is not used: why
  BusHeld,      // other software has held a bus for long: control waits
  BusLetGo,     // and let it go
};
void Platform_Event(PlatformEvent event, const char *text);

// Whether a service may trust a file it opened to read: only where SYSTEM,
// the administrators or the service's own account own it and no other
// account may write it (the Windows service, in a folder any user may
// write to before it is made safe). False, with the reason in `why`, when
// not; elsewhere always true.
[[nodiscard]] bool Platform_FileTrusted(std::FILE *file, char *why, std::size_t size);

// Whether the platform has told of a resume from sleep since the last call
// (the Windows service's power event). The program then sets the EC up again,
// as when its look at the suspended time shows a sleep.
[[nodiscard]] bool Platform_ResumeNoticed();

// How long the machine has been suspended or hibernated since it booted, in
// milliseconds; it never decreases. Read from two of the system's clocks a
// moment apart, so it may move by a few milliseconds (on Windows by its timer
// tick, about 16) without any sleep.
[[nodiscard]] std::uint64_t Platform_SuspendedMs();
