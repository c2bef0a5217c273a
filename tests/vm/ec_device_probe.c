// SPDX-License-Identifier: MIT
/*
 * Tries what /dev/thermal_ec must allow and what it must refuse, and prints
 * one line for each: "allowed: ..." or "refused: ...: <error>". Run in the
 * virtual-machine test, on a guest whose PCI device 00:1f.0 is an Intel ISA
 * bridge, 00:00.0 an Intel host bridge and 00:01.0 a display controller of
 * another vendor, and whose EC ports nothing decodes.
 */
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "thermal_ec.h"

static int fd;

static void report(const char *what, int ok)
{
	if (ok)
		printf("allowed: %s\n", what);
	else
		printf("refused: %s: %s\n", what, strerror(errno));
}

static void try_read(const char *what, off_t port, size_t count)
{
	unsigned char bytes[2];

	report(what, pread(fd, bytes, count, port) == (ssize_t)count);
}

static void try_write(const char *what, off_t port, size_t count)
{
	static const unsigned char bytes[2] = { 0x07, 0x07 };

	report(what, pwrite(fd, bytes, count, port) == (ssize_t)count);
}

static void try_pci(const char *what, unsigned int address, unsigned int reg,
		    unsigned int value)
{
	struct thermal_ec_pci_write request = { address, reg, value };

	report(what, ioctl(fd, THERMAL_EC_IOC_WRITE_PCI_DWORD, &request) == 0);
}

int main(void)
{
	fd = open(THERMAL_EC_DEVICE, O_RDWR);
	if (fd < 0) {
		printf("cannot open %s: %s\n", THERMAL_EC_DEVICE, strerror(errno));
		return 1;
	}
	try_read("a read of the EC's data port 0x68", 0x68, 1);
	try_read("a read of the EC's status port 0x6c", 0x6c, 1);
	try_write("a write of the configuration index port 0x4e", 0x4e, 1);
	try_pci("the decode range written to the ISA bridge 00:1f.0", 0xf8, 0x84,
		0x00040069);
	try_read("a read of another port, 0x70", 0x70, 1);
	try_write("a write of another port, 0x80", 0x80, 1);
	try_read("a read of the configuration index port 0x4e", 0x4e, 1);
	try_read("two bytes read at 0x68", 0x68, 2);
	try_write("two bytes written at 0x68", 0x68, 2);
	try_pci("another register, 0x88", 0xf8, 0x88, 0x00040069);
	try_pci("another value, 0x00040068", 0xf8, 0x84, 0x00040068);
	try_pci("an Intel device that is no ISA bridge, 00:00.0", 0x00, 0x84,
		0x00040069);
	try_pci("a device of another vendor, 00:01.0", 0x08, 0x84, 0x00040069);
	try_pci("no device at 00:1e.0", 0xf0, 0x84, 0x00040069);
	return 0;
}
