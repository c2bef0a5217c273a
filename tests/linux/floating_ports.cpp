// The ports and the clock of a machine where nothing answers on the EC's or
// the configuration ports (every read floats at 0xFF), for running the
// controller over the Linux backend's PCI part without touching a real port.
// Sleeps return at once.

#include "hw/port_lib.h"

std::uint32_t PortLib_Initialize() { return 1; }
std::uint32_t PortLib_GetStatus() { return 0; }
PortLibFailure PortLib_Failure() { return PortLibFailure::Other; }
std::uint8_t PortLib_ReadPortByte(std::uint16_t) { return 0xFF; }
void PortLib_WritePortByte(std::uint16_t, std::uint8_t) {}
void Platform_SleepMs(std::uint32_t) {}
std::uint64_t Platform_ClockMs() { return 0; }
bool Platform_Pause(std::uint32_t) { return true; }
std::int64_t Platform_UnixTimeS() { return 0; }
bool Platform_MetricsFolder(char *, std::size_t) { return false; }
const char *PortLib_PathName() { return "ioperm"; }
std::uint64_t Platform_SuspendedMs() { return 0; }
void Platform_Notify(const char *) {}
bool Platform_ServiceManagerListens() { return false; }
void Platform_Event(PlatformEvent, const char *) {}
bool Platform_FileTrusted(std::FILE *, char *, std::size_t) { return true; }
bool Platform_ResumeNoticed() { return false; }
bool Platform_ReloadAsked() { return false; }
bool PortLib_HoldBus(PortLibBus) { return true; }
bool PortLib_ReleaseBus(PortLibBus) { return true; }
