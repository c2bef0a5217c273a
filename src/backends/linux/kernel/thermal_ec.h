/* SPDX-License-Identifier: (GPL-2.0 OR MIT) */
/*
 * The interface of /dev/thermal_ec, shared by the module and by
 * thermal-control's Linux backend.
 *
 * One-byte reads and writes at the file offset that names the port: the EC's
 * data port 0x68 and command/status port 0x6C both ways, the configuration
 * ports 0x4E and 0x4F for writing only. And one request, which has the LPC
 * bridge forward the EC's ports: the dword 0x00040069 written to register
 * 0x84 of the PCI device at the address the program's search found, which
 * must be an Intel ISA bridge.
 */
#ifndef THERMAL_EC_H
#define THERMAL_EC_H

#include <linux/ioctl.h>
#include <linux/types.h>

#define THERMAL_EC_DEVICE "/dev/thermal_ec"

/* The PCI device as the port library addresses it on PCI domain 0. */
#define THERMAL_EC_PCI_BUS(address) (((address) >> 8) & 0xff)
#define THERMAL_EC_PCI_DEVFN(address) ((address) & 0xff)

struct thermal_ec_pci_write {
	__u32 address; /* bus << 8 | device << 3 | function */
	__u32 reg;
	__u32 value;
};

#define THERMAL_EC_IOC_MAGIC 'T'
#define THERMAL_EC_IOC_WRITE_PCI_DWORD \
	_IOW(THERMAL_EC_IOC_MAGIC, 1, struct thermal_ec_pci_write)

#endif
