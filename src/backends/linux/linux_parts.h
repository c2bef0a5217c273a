#pragma once

// The parts of the Linux backend that its port and PCI operations share.

#include <string>

// Takes the machine's one-copy lock, held until the process ends (the kernel
// drops it then, whatever way the process ends). False, after a message
// naming what holds it or why it could not be taken, when another copy runs.
[[nodiscard]] bool Linux_TakeMachineLock();

// Why the kernel refused with this error, when lockdown explains it (an
// EPERM while the kernel is locked down, as Secure Boot makes it): "locked
// down (MODE); ..." with what that means and where the README says more.
// Empty otherwise. Locked down, the kernel refuses port access and writes to
// PCI config files even to root.
[[nodiscard]] std::string Linux_LockdownExplains(int error);

// Opens /dev/thermal_ec, through which the program then reaches the EC's
// ports and the bridge. False, after a message, when it cannot.
[[nodiscard]] bool Linux_OpenEcDevice();

// The open /dev/thermal_ec when the program goes through it, else -1.
[[nodiscard]] int Linux_EcDevice();
