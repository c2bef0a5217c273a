// SPDX-License-Identifier: (GPL-2.0 OR MIT)
/*
 * thermal_ec: the EC access of thermal-control on boards with the Intel LPC
 * bridge 8086:9CC3, for one program without any capability (the device node
 * belongs to root and the group thermal-ec) and under a locked-down kernel,
 * where ioperm and writes to PCI config files are refused even to root.
 *
 * It offers the program's own operations and nothing else: the EC's status
 * and data reads, its three commands with the data bytes they expect, each
 * written only once the EC has taken the byte before, the set-up of the EC's
 * logical device as one request, and the read and the one write of the
 * bridge's decode register, which it leaves alone where it holds another
 * device's range. The program keeps every other rule (the waits and their
 * bounds, the set-up after a resume).
 */
#define pr_fmt(fmt) KBUILD_MODNAME ": " fmt

#include <linux/acpi.h>
#include <linux/bitops.h>
#include <linux/errno.h>
#include <linux/fs.h>
#include <linux/io.h>
#include <linux/ioport.h>
#include <linux/miscdevice.h>
#include <linux/module.h>
#include <linux/mutex.h>
#include <linux/pci.h>
#include <linux/slab.h>
#include <linux/uaccess.h>

#include "board.h"
#include "thermal_ec.h"

#define SIO_PORTS 2
#define EC_NO_COMMAND 0

static bool ignore_acpi_conflict;
module_param(ignore_acpi_conflict, bool, 0444);
MODULE_PARM_DESC(ignore_acpi_conflict,
		 "Load even where the firmware's ACPI code uses the ports");

/* The module loads on, and only on, a machine with the bridge. */
static const struct pci_device_id thermal_ec_bridge_ids[] = {
	{ PCI_DEVICE(LPC_BRIDGE_VENDOR_ID, LPC_BRIDGE_DEVICE_ID) },
	{ }
};
MODULE_DEVICE_TABLE(pci, thermal_ec_bridge_ids);

static struct pci_dev *thermal_ec_bridge;
static unsigned long thermal_ec_in_use;

/* What the open file's EC exchange expects next. */
struct thermal_ec_file {
	struct mutex lock;	/* one write or request at a time */
	u8 command;		/* awaiting its data byte, or EC_NO_COMMAND */
};

static int thermal_ec_open(struct inode *inode, struct file *file)
{
	struct thermal_ec_file *ec;

	if (test_and_set_bit_lock(0, &thermal_ec_in_use))
		return -EBUSY;
	ec = kzalloc(sizeof(*ec), GFP_KERNEL);
	if (!ec) {
		clear_bit_unlock(0, &thermal_ec_in_use);
		return -ENOMEM;
	}
	mutex_init(&ec->lock);
	file->private_data = ec;
	return 0;
}

static int thermal_ec_release(struct inode *inode, struct file *file)
{
	struct thermal_ec_file *ec = file->private_data;

	mutex_destroy(&ec->lock);
	kfree(ec);
	clear_bit_unlock(0, &thermal_ec_in_use);
	return 0;
}

static ssize_t thermal_ec_read(struct file *file, char __user *buf,
			       size_t count, loff_t *ppos)
{
	u8 value;

	if (count != 1 || (*ppos != EC_DATA_PORT && *ppos != EC_CMD_PORT))
		return -EINVAL;
	value = inb(*ppos);
	if (put_user(value, buf))
		return -EFAULT;
	return 1;
}

static bool thermal_ec_command_known(u8 command)
{
	return command == EC_CMD_INIT || command == EC_CMD_READ_TEMPERATURE ||
	       command == EC_CMD_SELECT;
}

/* The data byte that the command awaiting it takes. */
static bool thermal_ec_data_expected(u8 command, u8 data)
{
	switch (command) {
	case EC_CMD_INIT:
		return data == EC_INIT_DATA;
	case EC_CMD_READ_TEMPERATURE:
		return data == EC_READ_TEMPERATURE_ARG;
	case EC_CMD_SELECT:
		return true;
	default:
		return false;
	}
}

/*
 * As the kernel's own EC driver: a byte written while the input buffer is
 * full would take the place of one the EC has not yet taken.
 */
static ssize_t thermal_ec_write_byte(struct thermal_ec_file *ec, loff_t port,
				     u8 value)
{
	if (inb(EC_CMD_PORT) & EC_STATUS_IBF)
		return -EBUSY;
	if (port == EC_CMD_PORT && thermal_ec_command_known(value)) {
		outb(value, EC_CMD_PORT);
		ec->command = value;
		return 1;
	}
	if (port == EC_DATA_PORT &&
	    thermal_ec_data_expected(ec->command, value)) {
		outb(value, EC_DATA_PORT);
		ec->command = EC_NO_COMMAND;
		return 1;
	}
	return -EINVAL;
}

static ssize_t thermal_ec_write(struct file *file, const char __user *buf,
				size_t count, loff_t *ppos)
{
	struct thermal_ec_file *ec = file->private_data;
	ssize_t ret;
	u8 value;

	if (count != 1)
		return -EINVAL;
	if (get_user(value, buf))
		return -EFAULT;
	mutex_lock(&ec->lock);
	ret = thermal_ec_write_byte(ec, *ppos, value);
	mutex_unlock(&ec->lock);
	return ret;
}

/*
 * The kernel's Super-I/O drivers hold the configuration ports as a muxed
 * region from their enter to their exit sequence; the whole set-up is made
 * under one such hold, so that none of their sequences lands inside it.
 */
static long thermal_ec_program_ec_device(void)
{
	unsigned int i;

	if (!request_muxed_region(SIO_INDEX_PORT, SIO_PORTS, KBUILD_MODNAME))
		return -EBUSY;
	for (i = 0; i < ARRAY_SIZE(sio_ec_device_program); i++) {
		outb(sio_ec_device_program[i][0], SIO_INDEX_PORT);
		outb(sio_ec_device_program[i][1], SIO_DATA_PORT);
	}
	release_region(SIO_INDEX_PORT, SIO_PORTS);
	return 0;
}

static long thermal_ec_read_decode_range(u32 *range)
{
	return pcibios_err_to_errno(pci_read_config_dword(thermal_ec_bridge,
							  LPC_GEN1_DEC, range));
}

/* Another device's range in the decode register is never overwritten. */
static long thermal_ec_forward_ec_ports(void)
{
	u32 range;
	long ret = thermal_ec_read_decode_range(&range);

	if (ret)
		return ret;
	if (range != LPC_GEN1_DEC_FREE && range != LPC_GEN1_DEC_EC_RANGE)
		return -EEXIST;
	return pcibios_err_to_errno(pci_write_config_dword(thermal_ec_bridge,
							   LPC_GEN1_DEC,
							   LPC_GEN1_DEC_EC_RANGE));
}

static long thermal_ec_ioctl(struct file *file, unsigned int cmd,
			     unsigned long arg)
{
	struct thermal_ec_file *ec = file->private_data;
	u32 range;
	long ret;

	if (cmd == THERMAL_EC_READ_DECODE_RANGE) {
		ret = thermal_ec_read_decode_range(&range);
		if (!ret && put_user(range, (u32 __user *)arg))
			ret = -EFAULT;
		return ret;
	}
	if (cmd != THERMAL_EC_SET_UP_EC_DEVICE &&
	    cmd != THERMAL_EC_FORWARD_EC_PORTS)
		return -ENOTTY;
	if (!(file->f_mode & FMODE_WRITE))
		return -EBADF;
	mutex_lock(&ec->lock);
	if (cmd == THERMAL_EC_SET_UP_EC_DEVICE)
		ret = thermal_ec_program_ec_device();
	else
		ret = thermal_ec_forward_ec_ports();
	mutex_unlock(&ec->lock);
	return ret;
}

static const struct file_operations thermal_ec_fops = {
	.owner = THIS_MODULE,
	.open = thermal_ec_open,
	.release = thermal_ec_release,
	.read = thermal_ec_read,
	.write = thermal_ec_write,
	.unlocked_ioctl = thermal_ec_ioctl,
	.compat_ioctl = compat_ptr_ioctl,
	.llseek = noop_llseek,
};

static struct miscdevice thermal_ec_device = {
	.minor = MISC_DYNAMIC_MINOR,
	.name = KBUILD_MODNAME,
	.fops = &thermal_ec_fops,
	.mode = 0660,
};

static struct pci_dev *thermal_ec_find_bridge(void)
{
	struct pci_dev *dev = NULL;

	for_each_pci_dev(dev)
		if (pci_match_id(thermal_ec_bridge_ids, dev))
			return dev;
	return NULL;
}

/*
 * Ports that the firmware's ACPI code (an OperationRegion) uses are driven
 * by the firmware too, unless the module parameter says otherwise.
 */
static int thermal_ec_check_acpi(void)
{
	if (ignore_acpi_conflict)
		return 0;
	if (acpi_check_region(EC_DATA_PORT, 1, KBUILD_MODNAME) ||
	    acpi_check_region(EC_CMD_PORT, 1, KBUILD_MODNAME) ||
	    acpi_check_region(SIO_INDEX_PORT, SIO_PORTS, KBUILD_MODNAME)) {
		pr_err("the firmware's ACPI code uses the EC's or the configuration ports; see ignore_acpi_conflict\n");
		return -EBUSY;
	}
	return 0;
}

static int thermal_ec_claim_port(unsigned int port)
{
	if (request_region(port, 1, KBUILD_MODNAME))
		return 0;
	pr_err("port 0x%x is held by another driver\n", port);
	return -EBUSY;
}

static int __init thermal_ec_init(void)
{
	int ret;

	thermal_ec_bridge = thermal_ec_find_bridge();
	if (!thermal_ec_bridge)
		return -ENODEV;
	ret = thermal_ec_check_acpi();
	if (ret)
		goto put_bridge;
	ret = thermal_ec_claim_port(EC_DATA_PORT);
	if (ret)
		goto put_bridge;
	ret = thermal_ec_claim_port(EC_CMD_PORT);
	if (ret)
		goto release_data;
	ret = misc_register(&thermal_ec_device);
	if (ret)
		goto release_cmd;
	return 0;

release_cmd:
	release_region(EC_CMD_PORT, 1);
release_data:
	release_region(EC_DATA_PORT, 1);
put_bridge:
	pci_dev_put(thermal_ec_bridge);
	return ret;
}

static void __exit thermal_ec_exit(void)
{
	misc_deregister(&thermal_ec_device);
	release_region(EC_CMD_PORT, 1);
	release_region(EC_DATA_PORT, 1);
	pci_dev_put(thermal_ec_bridge);
}

module_init(thermal_ec_init);
module_exit(thermal_ec_exit);

MODULE_DESCRIPTION("EC access of thermal-control on the Intel LPC bridge 8086:9CC3");
MODULE_AUTHOR("The thermal-control authors");
MODULE_LICENSE("Dual MIT/GPL");
