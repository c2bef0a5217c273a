#pragma once

#include <cstdint>

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

// Highest PCI bus number that PortLib_FindPciDevice searches.
void PortLib_SetPciMaxBus(std::uint8_t max_bus);

// Address (bus << 8 | device << 3 | function) of the index-th device with these
// IDs, or PORTLIB_PCI_NOT_FOUND when there is none (or, after a message, when
// the search could not read the bus).
[[nodiscard]] std::uint32_t PortLib_FindPciDevice(std::uint16_t vendor_id, std::uint16_t device_id,
                                                  std::uint8_t index);
constexpr std::uint32_t PORTLIB_PCI_NOT_FOUND = 0xFFFFFFFF;

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

// The program's one way to wait: the kernel's millisecond sleep.
void Platform_SleepMs(std::uint32_t milliseconds);

// How long the machine has been suspended or hibernated since it booted, in
// milliseconds; it never decreases. Read from two of the system's clocks a
// moment apart, so it may move by a few milliseconds (on Windows by its timer
// tick, about 16) without any sleep.
[[nodiscard]] std::uint64_t Platform_SuspendedMs();
