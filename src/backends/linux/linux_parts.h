#pragma once

// The parts of the Linux backend that its port and PCI operations share.

#include "hw/port_lib.h"

#include <cstdint>
#include <string>

// Takes the machine's one-copy lock, held until the process ends (the kernel
// drops it then, whatever way the process ends). Both paths take it, so that
// a copy over ioperm and a copy through the device exclude each other.
// False, after a message naming what holds it or why it could not be taken,
// when another copy runs.
[[nodiscard]] bool Linux_TakeMachineLock();

// Says that another copy (this process, when known; 0 when not) holds the
// EC's ports.
void Linux_ReportHeld(long holder);

// Whether a start-up failed since another copy holds the ports.
[[nodiscard]] bool Linux_AnotherCopySeen();

// Why the kernel refused with this error, when lockdown explains it (an
// EPERM while the kernel is locked down, as Secure Boot makes it): "locked
// down (MODE); ..." with what that means and where the README says more.
// Empty otherwise. Locked down, the kernel refuses port access and writes to
// PCI config files even to root.
[[nodiscard]] std::string Linux_LockdownExplains(int error);

// On the ioperm path the program cannot take part in the kernel's locking of
// the ports. False, after a line naming the claimant, when a driver has
// claimed one of the EC's ports in /proc/ioports.
[[nodiscard]] bool Linux_EcPortsUnclaimed();

// Says once when a Super-I/O driver, which may use the configuration ports
// while the program does, is loaded.
void Linux_NoteSuperIoDrivers();

// The thermal_ec module's device, through which the program then reaches the
// EC's ports and the bridge, opened once the one-copy lock is taken (the
// device's single opener keeps out a copy that does not take it). False,
// after a message, when another copy runs or it cannot be opened.
[[nodiscard]] bool Linux_OpenEcDevice();
[[nodiscard]] bool Linux_ThroughEcDevice();

// The port library's operations through the device.
[[nodiscard]] std::uint8_t Linux_DeviceReadPort(std::uint16_t port);
void Linux_DeviceWritePort(std::uint16_t port, std::uint8_t value);
[[nodiscard]] bool Linux_DeviceHoldBus(PortLibBus bus);
[[nodiscard]] bool Linux_DeviceReleaseBus(PortLibBus bus);
[[nodiscard]] bool Linux_DeviceReadPciConfigDword(std::uint8_t reg, std::uint32_t &value);
[[nodiscard]] bool Linux_DeviceWritePciConfigDword(std::uint8_t reg, std::uint32_t value);

// Over ioperm the service holds CAP_SYS_ADMIN only until it has opened the
// bridge's config file to read it: a config file opened without it shows
// only its first 64 bytes, and the decode register lies past them. Once armed
// (by the ioperm path), the first config file opened for reading, which is
// kept open for the process's life, drops the capability. False, after a
// message, when it could not be dropped.
void Linux_DropAdminOnceConfigOpened();
[[nodiscard]] bool Linux_DropAdmin();
