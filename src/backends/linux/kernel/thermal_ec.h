/* SPDX-License-Identifier: ((GPL-2.0 WITH Linux-syscall-note) OR MIT) */
/*
 * /dev/thermal_ec, the thermal_ec module's device: exactly the hardware
 * access that thermal-control needs, for one process at a time (a second
 * open is refused with EBUSY).
 *
 * - One-byte reads at the file offset of the EC's data port (0x68) or
 *   command/status port (0x6C).
 * - One-byte writes: to the command port the EC commands 0x33, 0x44 and 0x55
 *   only; to the data port only the byte the last command expects (6 after
 *   0x33, 0x00 after 0x44, any byte after 0x55), once.
 * - THERMAL_EC_SET_UP_EC_DEVICE: the EC's logical device 0x12 set up over the
 *   configuration ports 0x4E/0x4F (selected, deactivated, given the bases
 *   0x68 and 0x6C, activated), while the module holds those ports as the
 *   kernel's Super-I/O drivers do for their own sequences.
 * - THERMAL_EC_READ_DECODE_RANGE: the bridge's decode register 0x84, read
 *   into the __u32 the argument points at.
 * - THERMAL_EC_FORWARD_EC_PORTS: the Intel LPC bridge 8086:9CC3, which the
 *   module found when it loaded, made to forward ports 0x68 to 0x6F; only
 *   where its decode register holds no range, or that one already: any other
 *   range is another device's, and the request is refused with EEXIST.
 *
 * A byte is written to the EC's ports only while the EC has taken the one
 * before it (its input buffer empty): else EBUSY. The requests that write
 * need a descriptor opened for writing (else EBADF). Any other port, size,
 * command or byte is refused with EINVAL, before any hardware is touched.
 */
#ifndef _UAPI_LINUX_THERMAL_EC_H
#define _UAPI_LINUX_THERMAL_EC_H

#include <linux/ioctl.h>
#include <linux/types.h>

#define THERMAL_EC_DEVICE "/dev/thermal_ec"

#define THERMAL_EC_IOC_MAGIC 0x9E
#define THERMAL_EC_SET_UP_EC_DEVICE _IO(THERMAL_EC_IOC_MAGIC, 1)
#define THERMAL_EC_FORWARD_EC_PORTS _IO(THERMAL_EC_IOC_MAGIC, 2)
#define THERMAL_EC_READ_DECODE_RANGE _IOR(THERMAL_EC_IOC_MAGIC, 3, __u32)

#endif /* _UAPI_LINUX_THERMAL_EC_H */
