// SPDX-License-Identifier: MIT
/*
 * Tries what /dev/thermal_ec must refuse, and a few of the program's own
 * operations it must allow, and prints one line for each: "probe: WHAT: ok",
 * or the errno's symbolic name. Run in the VM test's guest as the service's
 * user.
 */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "board.h"
#include "thermal_ec.h"

static void report(const char *what, int ok)
{
	printf("probe: %s: %s\n", what, ok ? "ok" : strerrorname_np(errno));
}

static int write_port(int fd, unsigned char value, off_t port)
{
	return pwrite(fd, &value, 1, port) == 1;
}

static int read_port(int fd, off_t port)
{
	unsigned char value;

	return pread(fd, &value, 1, port) == 1;
}

int main(void)
{
	int fd = open(THERMAL_EC_DEVICE, O_RDWR);
	__u32 range = 0;

	if (fd < 0) {
		printf("probe: open: %s\n", strerrorname_np(errno));
		return 1;
	}
	report("second open", open(THERMAL_EC_DEVICE, O_RDWR) >= 0);
	report("raw write 0x4e", write_port(fd, SIO_REG_LOGICAL_DEVICE, SIO_INDEX_PORT));
	report("command 0x80 to 0x6c", write_port(fd, 0x80, EC_CMD_PORT));
	report("command 0x44 to 0x6c", write_port(fd, EC_CMD_READ_TEMPERATURE, EC_CMD_PORT));
	write_port(fd, EC_CMD_INIT, EC_CMD_PORT);
	report("data 0x07 after 0x33", write_port(fd, 0x07, EC_DATA_PORT));
	report("read 0x70", read_port(fd, 0x70));
	report("logical-device set-up", ioctl(fd, THERMAL_EC_SET_UP_EC_DEVICE) == 0);
	report("bridge decode", ioctl(fd, THERMAL_EC_FORWARD_EC_PORTS) == 0);
	report("decode range read",
	       ioctl(fd, THERMAL_EC_READ_DECODE_RANGE, &range) == 0 &&
	       range == LPC_GEN1_DEC_EC_RANGE);
	close(fd);
	fd = open(THERMAL_EC_DEVICE, O_RDONLY);
	report("bridge decode, read-only descriptor",
	       ioctl(fd, THERMAL_EC_FORWARD_EC_PORTS) == 0);
	close(fd);
	return 0;
}
