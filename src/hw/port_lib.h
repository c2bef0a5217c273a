#pragma once

#include <cstdint>

// The port I/O library: the program's only way to the hardware and to the
// clock. Every backend (the Windows library loaded by ordinal, the Linux
// kernel's ports and sysfs, the simulated machine) provides exactly these
// functions, and the build links one of them into each executable. No
// backend ends the process: a failure it can see is returned, after its
// message on the standard error stream.

// Brings the library up: non-zero on success, 0 on failure. First of all calls.
[[nodiscard]] std::uint32_t PortLib_Initialize();

// 0 when the library is ready for use; any other value is a failure.
[[nodiscard]] std::uint32_t PortLib_GetStatus();

// Highest PCI bus number that PortLib_FindPciDevice searches.
void PortLib_SetPciMaxBus(std::uint8_t max_bus);

// Address (bus << 8 | device << 3 | function) of the index-th device with these
// IDs, or PORTLIB_PCI_NOT_FOUND when there is none.
[[nodiscard]] std::uint32_t PortLib_FindPciDevice(std::uint16_t vendor_id, std::uint16_t device_id,
                                                  std::uint8_t index);
constexpr std::uint32_t PORTLIB_PCI_NOT_FOUND = 0xFFFFFFFF;

// Writes a whole dword of the device's configuration space. False when the
// backend saw the write fail; it has then said why on the standard error
// stream. (The Windows library reports nothing; its backend says true.)
[[nodiscard]] bool PortLib_WritePciConfigDword(std::uint32_t address, std::uint8_t reg,
                                               std::uint32_t value);

[[nodiscard]] std::uint8_t PortLib_ReadPortByte(std::uint16_t port);
void PortLib_WritePortByte(std::uint16_t port, std::uint8_t value);

// The program's one way to wait: the kernel's millisecond sleep.
void Platform_SleepMs(std::uint32_t milliseconds);

// How long the machine has been suspended or hibernated since the program
// started, in milliseconds; it never decreases. Read from two of the
// system's clocks a moment apart, so it may move by a few milliseconds (on
// Windows by its timer tick, about 16) without any sleep.
[[nodiscard]] std::uint64_t Platform_SuspendedMs();
