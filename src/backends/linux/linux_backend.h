#pragma once

// For tests only: the Linux backend searches and writes PCI devices under
// this folder instead of /sys/bus/pci/devices. The shipped program never
// calls it.
void LinuxPortLib_SetPciDeviceRoot(const char *root);
