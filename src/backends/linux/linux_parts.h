#pragma once

// The parts of the Linux backend that its port and PCI operations share.

// Takes the machine's one-copy lock, held until the process ends (the kernel
// drops it then, whatever way the process ends). False, after a message
// naming what holds it or why it could not be taken, when another copy runs.
[[nodiscard]] bool Linux_TakeMachineLock();

// The kernel's lockdown mode when it is locked down ("integrity" or
// "confidentiality", as Secure Boot makes it), else nullptr. Locked down, the
// kernel refuses port access and writes to PCI config files even to root.
[[nodiscard]] const char *Linux_LockdownMode();

// The advice that ends a message about a refusal that lockdown explains.
[[nodiscard]] const char *Linux_LockdownAdvice();

// Opens /dev/thermal_ec, through which the program then reaches the EC's
// ports and the bridge. False, after a message, when it cannot.
[[nodiscard]] bool Linux_OpenEcDevice();

// The open /dev/thermal_ec when the program goes through it, else -1.
[[nodiscard]] int Linux_EcDevice();
