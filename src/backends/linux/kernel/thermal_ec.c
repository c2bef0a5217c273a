// SPDX-License-Identifier: (GPL-2.0 OR MIT)
/*
 * thermal_ec: exactly the hardware access that thermal-control needs, to a
 * program without any capability (the device node belongs to root and the
 * group thermal-ec) and under a locked-down kernel, where ioperm and writes
 * to PCI config files are refused even to root.
 *
 * /dev/thermal_ec offers one-byte reads and writes at the file offset that
 * names the port: the EC's ports 0x68 and 0x6C both ways, the configuration
 * ports 0x4E and 0x4F for writing only; and one request that has the Intel
 * LPC bridge forward the EC's ports. Anything else is refused before any
 * hardware is touched. The module keeps no state and does no work of its
 * own: the program keeps every rule (the waits and their bounds, the set-up
 * after a resume).
 */

#include <linux/fs.h>
#include <linux/io.h>
#include <linux/ioport.h>
#include <linux/miscdevice.h>
#include <linux/module.h>
#include <linux/pci.h>
#include <linux/uaccess.h>

#include "thermal_ec.h"

#define EC_DATA_PORT 0x68
#define EC_CMD_PORT 0x6c   /* command (write), status (read) */
#define SIO_INDEX_PORT 0x4e
#define SIO_DATA_PORT 0x4f
#define SIO_PORTS 2

/*
 * The bridge's first generic I/O decode range: enabled, base 0x68, address
 * bit 2 masked, so that it forwards ports 0x68 to 0x6F. The only register
 * and the only value the module writes.
 */
#define LPC_GEN1_DEC 0x84
#define LPC_GEN1_DEC_EC_RANGE 0x00040069

static const char thermal_ec_name[] = "thermal_ec";

static bool thermal_ec_readable(loff_t port)
{
	return port == EC_DATA_PORT || port == EC_CMD_PORT;
}

static bool thermal_ec_writable(loff_t port)
{
	return thermal_ec_readable(port) || port == SIO_INDEX_PORT ||
	       port == SIO_DATA_PORT;
}

static ssize_t thermal_ec_read(struct file *file, char __user *buf,
			       size_t count, loff_t *ppos)
{
	u8 value;

	if (count != 1)
		return -EINVAL;
	if (!thermal_ec_readable(*ppos))
		return -EPERM;
	value = inb(*ppos);
	if (put_user(value, buf))
		return -EFAULT;
	return 1;
}

/*
 * The configuration ports are shared with the kernel's Super-I/O drivers,
 * which take them as a muxed region for each of their sequences: each byte
 * written here does the same.
 */
static ssize_t thermal_ec_write_sio(loff_t port, u8 value)
{
	if (!request_muxed_region(SIO_INDEX_PORT, SIO_PORTS, thermal_ec_name))
		return -EBUSY;
	outb(value, port);
	release_region(SIO_INDEX_PORT, SIO_PORTS);
	return 1;
}

static ssize_t thermal_ec_write(struct file *file, const char __user *buf,
				size_t count, loff_t *ppos)
{
	u8 value;

	if (count != 1)
		return -EINVAL;
	if (!thermal_ec_writable(*ppos))
		return -EPERM;
	if (get_user(value, buf))
		return -EFAULT;
	if (*ppos == SIO_INDEX_PORT || *ppos == SIO_DATA_PORT)
		return thermal_ec_write_sio(*ppos, value);
	outb(value, *ppos);
	return 1;
}

/* An Intel ISA bridge, as the LPC bridge presents itself. */
static bool thermal_ec_is_lpc_bridge(struct pci_dev *dev)
{
	return dev->vendor == PCI_VENDOR_ID_INTEL &&
	       (dev->class >> 8) == PCI_CLASS_BRIDGE_ISA;
}

static long thermal_ec_write_pci(const struct thermal_ec_pci_write *request)
{
	struct pci_dev *dev;
	long ret = -EPERM;

	if (request->address > 0xffff || request->reg != LPC_GEN1_DEC ||
	    request->value != LPC_GEN1_DEC_EC_RANGE)
		return -EPERM;
	dev = pci_get_domain_bus_and_slot(0,
					  THERMAL_EC_PCI_BUS(request->address),
					  THERMAL_EC_PCI_DEVFN(request->address));
	if (!dev)
		return -ENODEV;
	if (thermal_ec_is_lpc_bridge(dev))
		ret = pcibios_err_to_errno(pci_write_config_dword(dev,
								  request->reg,
								  request->value));
	pci_dev_put(dev);
	return ret;
}

static long thermal_ec_ioctl(struct file *file, unsigned int cmd,
			     unsigned long arg)
{
	struct thermal_ec_pci_write request;

	if (cmd != THERMAL_EC_IOC_WRITE_PCI_DWORD)
		return -ENOTTY;
	if (copy_from_user(&request, (void __user *)arg, sizeof(request)))
		return -EFAULT;
	return thermal_ec_write_pci(&request);
}

static const struct file_operations thermal_ec_fops = {
	.owner = THIS_MODULE,
	.read = thermal_ec_read,
	.write = thermal_ec_write,
	.unlocked_ioctl = thermal_ec_ioctl,
	.compat_ioctl = compat_ptr_ioctl,
	.llseek = noop_llseek,
};

static struct miscdevice thermal_ec_device = {
	.minor = MISC_DYNAMIC_MINOR,
	.name = thermal_ec_name,
	.fops = &thermal_ec_fops,
	.mode = 0660,
};

/* The EC's two ports are claimed for as long as the module is loaded. */
static int __init thermal_ec_init(void)
{
	int ret;

	if (!request_region(EC_DATA_PORT, 1, thermal_ec_name)) {
		pr_err("thermal_ec: port 0x%x is held by another driver (the firmware's ACPI EC driver?)\n",
		       EC_DATA_PORT);
		return -EBUSY;
	}
	if (!request_region(EC_CMD_PORT, 1, thermal_ec_name)) {
		pr_err("thermal_ec: port 0x%x is held by another driver (the firmware's ACPI EC driver?)\n",
		       EC_CMD_PORT);
		ret = -EBUSY;
		goto release_data;
	}
	ret = misc_register(&thermal_ec_device);
	if (ret)
		goto release_cmd;
	return 0;

release_cmd:
	release_region(EC_CMD_PORT, 1);
release_data:
	release_region(EC_DATA_PORT, 1);
	return ret;
}

static void __exit thermal_ec_exit(void)
{
	misc_deregister(&thermal_ec_device);
	release_region(EC_CMD_PORT, 1);
	release_region(EC_DATA_PORT, 1);
}

module_init(thermal_ec_init);
module_exit(thermal_ec_exit);

MODULE_DESCRIPTION("The EC and LPC bridge access of thermal-control");
MODULE_AUTHOR("The thermal-control authors");
MODULE_LICENSE("Dual MIT/GPL");
